// A page of 100 directory results shown: the rows made and the list painted, from the moment the
// parsed answer is there.
#include "windows/DirectoryWindow.h"

#include <QApplication>
#include <QTreeWidget>
#include <benchmark/benchmark.h>

namespace {

void ShowHundredResults(benchmark::State& state)
{
    QList<kelvane::DirectoryStation> stations;
    for (int i = 0; i < kelvane::DirectoryQuery::kPageSize; ++i) {
        kelvane::DirectoryStation s;
        s.uuid = QStringLiteral("960e57c5-0601-11e8-ae97-%1").arg(i, 12, 10, QLatin1Char('0'));
        s.name = QStringLiteral("中国国际广播电台 第%1频道").arg(i);
        s.url = QStringLiteral("http://stream%1.radio.example.cn:8000/live.mp3").arg(i);
        s.country = QStringLiteral("China");
        s.codec = QStringLiteral("MP3");
        s.bitrate = 128;
        s.lastCheckOk = i % 7 != 0;
        stations.append(s);
    }
    kelvane::FormRegistry forms;
    kelvane::DirectoryWindow window(forms, {});
    window.show();
    QApplication::processEvents();
    for (auto _ : state) {
        window.showResults({}, stations);
        window.results()->viewport()->repaint();
    }
    state.counters["rows"] = window.results()->topLevelItemCount();
}
BENCHMARK(ShowHundredResults)->Unit(benchmark::kMillisecond);

} // namespace
