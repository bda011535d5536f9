// Importing the largest playlist a list takes (32767 stations, extended M3U8 with attributes,
// about 5 MB), and the merge of a full server list with the listener's own stations and
// favourites that a list load does.
#include "stations/MergedList.h"
#include "stations/Playlist.h"

#include <QFile>
#include <benchmark/benchmark.h>

namespace {

// Built line by line, so that making it does not raise the process's peak memory.
QByteArray bigPlaylist()
{
    static const QByteArray bytes = [] {
        QByteArray out = "#EXTM3U\n";
        for (int i = 0; i < kelvane::kMaxStations; ++i) {
            const QByteArray n = QByteArray::number(i);
            out += "#EXTINF:-1 tvg-id=\"tv" + n + ".cn\" tvg-name=\"TV " + n +
                   "\" tvg-logo=\"http://logo.example.cn/" + n +
                   ".png\" group-title=\"新闻\",地方电视台 第" + n + "频道\nhttp://s" + n +
                   ".example.cn/live/" + n + ".m3u8\n";
        }
        return out;
    }();
    return bytes;
}

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

// First, so the peak of the process is still this run's: the file's bytes are there already,
// as after a read or a download.
void ImportPeakMemory(benchmark::State& state)
{
    const QByteArray bytes = bigPlaylist();
    const long before = peakKib();
    for (auto _ : state) {
        kelvane::ImportCount count =
            kelvane::planImport(kelvane::readPlaylist(bytes, QStringLiteral("big.m3u8")), {}, 0);
        benchmark::DoNotOptimize(count);
    }
    state.counters["file_MB"] = double(bytes.size()) / 1e6;
    state.counters["peak_growth_MiB"] = double(peakKib() - before) / 1024.0;
}
BENCHMARK(ImportPeakMemory)->Unit(benchmark::kMillisecond)->Iterations(1);

void ReadPlaylist(benchmark::State& state)
{
    const QByteArray bytes = bigPlaylist();
    for (auto _ : state) {
        kelvane::PlaylistRead read = kelvane::readPlaylist(bytes, QStringLiteral("big.m3u8"));
        benchmark::DoNotOptimize(read);
    }
    state.SetBytesProcessed(state.iterations() * bytes.size());
}
BENCHMARK(ReadPlaylist)->Unit(benchmark::kMillisecond);

// The whole import into an empty list: read, then the duplicate and cap checks.
void Import(benchmark::State& state)
{
    const QByteArray bytes = bigPlaylist();
    for (auto _ : state) {
        kelvane::ImportCount count =
            kelvane::planImport(kelvane::readPlaylist(bytes, QStringLiteral("big.m3u8")), {}, 0);
        benchmark::DoNotOptimize(count);
    }
}
BENCHMARK(Import)->Unit(benchmark::kMillisecond);

void Merge(benchmark::State& state)
{
    kelvane::Stations server;
    for (int i = 0; i < kelvane::kMaxStations; ++i) {
        server.names << QStringLiteral("中国国际广播电台 第%1频道").arg(i);
        server.urls << QStringLiteral("http://stream%1.radio.example.cn:8000/live/%1.mp3").arg(i);
    }
    QList<kelvane::PlaylistEntry> own, favourites;
    for (int i = 0; i < 1000; ++i)
        own.append({QStringLiteral("我的电台 %1").arg(i),
                    QStringLiteral("http://own.example/%1").arg(i),
                    QStringLiteral("音乐"),
                    {},
                    {},
                    {}});
    // Starred: server stations across the list, some the server dropped, some own.
    for (int i = 0; i < 200; ++i) {
        const QString url = i < 150   ? server.urls[i * 200]
                            : i < 180 ? QStringLiteral("http://gone.example/%1").arg(i)
                                      : own[i * 40 % 1000].url;
        favourites.append({QStringLiteral("收藏 %1").arg(i), url, {}, {}, {}, {}});
    }
    for (auto _ : state) {
        QList<kelvane::MergedStation> rows = kelvane::mergeStations(server, own, favourites);
        benchmark::DoNotOptimize(rows);
    }
    state.counters["rows"] = double(kelvane::mergeStations(server, own, favourites).size());
}
BENCHMARK(Merge)->Unit(benchmark::kMillisecond);

} // namespace
