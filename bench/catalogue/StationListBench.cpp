// Loading the largest list a list box holds (32767 stations, GBK): parsing alone, and the whole
// load into a list box as a window does it.
#include "catalogue/StationList.h"

#include <QApplication>
#include <QFile>
#include <QListWidget>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <clocale>

namespace {

QByteArray bigList()
{
    static const QByteArray bytes = [] {
        QString text;
        for (int i = 0; i < kelvane::kMaxStations; ++i)
            text += QStringLiteral("中国国际广播电台 第%1频道 ==> "
                                   "http://stream%1.radio.example.cn:8000/live/%1.mp3\r\n")
                        .arg(i);
        QStringEncoder gbk("GBK");
        return QByteArray(gbk.encode(text));
    }();
    return bytes;
}

void ParseOnly(benchmark::State& state)
{
    const QByteArray bytes = bigList();
    for (auto _ : state) {
        kelvane::Stations s = kelvane::ParseStationList(bytes, kelvane::kRadioSeparator);
        benchmark::DoNotOptimize(s);
    }
    state.SetBytesProcessed(state.iterations() * bytes.size());
    state.counters["stations"] = kelvane::kMaxStations;
}
BENCHMARK(ParseOnly)->Unit(benchmark::kMillisecond);

void LoadIntoListBox(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(kelvane::kRadioListFile);
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(bigList());
    file.close();
    QListWidget list;
    QStringList urls;
    for (auto _ : state) {
        kelvane::LoadStationList(path, kelvane::kRadioSeparator, list, urls);
        benchmark::DoNotOptimize(urls);
    }
    state.SetBytesProcessed(state.iterations() * bigList().size());
}
BENCHMARK(LoadIntoListBox)->Unit(benchmark::kMillisecond);

} // namespace
