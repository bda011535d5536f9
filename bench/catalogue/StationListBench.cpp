// Loading the largest list a list box holds (32767 stations, GBK): parsing alone, and the whole
// load into a list box as a window does it.
#include "catalogue/StationList.h"
#include "listbox/StationListBox.h"

#include <QApplication>
#include <QFile>
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

// The whole load as a window does it: read, then fill the list box.
void loadIntoList(const QString& path, kelvane::StationListBox& list)
{
    list.fillList(kelvane::loadStationList(path, kelvane::kRadioSeparator));
}

void ParseOnly(benchmark::State& state)
{
    const QByteArray bytes = bigList();
    for (auto _ : state) {
        kelvane::Stations s = kelvane::parseStationList(bytes, kelvane::kRadioSeparator);
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
    kelvane::StationListBox list;
    for (auto _ : state) {
        loadIntoList(path, list);
        benchmark::DoNotOptimize(list.stationCount());
    }
    state.SetBytesProcessed(state.iterations() * bigList().size());
}
BENCHMARK(LoadIntoListBox)->Unit(benchmark::kMillisecond);

// Peak resident memory (VmHWM) in KiB.
long peakKib()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return 0;
}

// A 1 GiB list file: the full list followed by a gigabyte (sparse) without a line end; or the
// gigabyte alone, one endless line, which is read to its end. Peak memory growth over the run.
void LoadGigabyteFile(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(kelvane::kRadioListFile);
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    if (state.range(0) == 1)
        file.write(bigList());
    file.resize(qint64(1) << 30);
    file.close();
    kelvane::StationListBox list;
    const long before = peakKib();
    for (auto _ : state) {
        loadIntoList(path, list);
        benchmark::DoNotOptimize(list.stationCount());
    }
    state.counters["stations"] = double(list.stationCount());
    state.counters["peak_growth_MiB"] = double(peakKib() - before) / 1024.0;
}
BENCHMARK(LoadGigabyteFile)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
