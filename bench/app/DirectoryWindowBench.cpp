// A page of 100 directory results shown, from the moment the answer's bytes are in: the answer
// read, the rows made and the list painted.
#include "windows/DirectoryWindow.h"

#include <QApplication>
#include <QTreeWidget>
#include <benchmark/benchmark.h>

namespace {

// A full page as the directory sends it (about 90 KB).
QByteArray hundredStations()
{
    QByteArray out = "[";
    for (int i = 0; i < kelvane::DirectoryQuery::kPageSize; ++i) {
        if (i > 0)
            out += ',';
        out +=
            QStringLiteral(
                R"({"changeuuid":"5f1b0a52-4b1e-4d4a-9f5c-%1","stationuuid":"960e57c5-0601-11e8-ae97-%1",)"
                R"("name":"中国国际广播电台 第%2频道","url":"http://stream%2.radio.example.cn:8000/live.m3u8",)"
                R"("url_resolved":"http://stream%2.radio.example.cn:8000/live.mp3","homepage":"http://www.example.cn/",)"
                R"("favicon":"","tags":"news,talk,music","country":"China","countrycode":"CN","state":"Beijing",)"
                R"("language":"chinese","languagecodes":"zh","votes":"%2","codec":"MP3","bitrate":128,"hls":0,)"
                R"("lastcheckok":%3,"lastchecktime":"2024-06-01 08:00:00","clickcount":%2,"clicktrend":12})")
                .arg(i, 12, 10, QLatin1Char('0'))
                .arg(i)
                .arg(i % 7 != 0 ? 1 : 0)
                .toUtf8();
    }
    out += ']';
    return out;
}

void ShowHundredResults(benchmark::State& state)
{
    const QByteArray answer = hundredStations();
    kelvane::FormRegistry forms;
    kelvane::DirectoryWindow window(forms, {});
    window.show();
    QApplication::processEvents();
    for (auto _ : state) {
        const auto stations = kelvane::parseStations(answer);
        window.showResults({}, *stations);
        window.results()->viewport()->repaint();
    }
    state.counters["rows"] = window.results()->topLevelItemCount();
}
BENCHMARK(ShowHundredResults)->Unit(benchmark::kMillisecond);

} // namespace
