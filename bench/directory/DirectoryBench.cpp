// Reading the largest search answer the directory client takes (4 MiB of station records): the
// time to parse it, and the growth of the peak resident memory while it is parsed.
#include "directory/DirectoryStation.h"

#include <QFile>
#include <benchmark/benchmark.h>

#include <malloc.h>

namespace {

// Records shaped as the directory sends them, until the answer is just under 4 MiB.
QByteArray fourMiB()
{
    static const QByteArray bytes = [] {
        QByteArray out = "[";
        for (int i = 0;; ++i) {
            const QByteArray record =
                QStringLiteral(
                    R"({"changeuuid":"5f1b0a52-4b1e-4d4a-9f5c-%1","stationuuid":"960e57c5-0601-11e8-ae97-%1",)"
                    R"("serveruuid":null,"name":"中国国际广播电台 第%2频道","url":"http://stream%2.radio.example.cn:8000/live.m3u8",)"
                    R"("url_resolved":"http://stream%2.radio.example.cn:8000/live.mp3","homepage":"http://www.example.cn/",)"
                    R"("favicon":"http://www.example.cn/favicon.ico","tags":"news,talk,music","country":"China","countrycode":"CN",)"
                    R"("iso_3166_2":null,"state":"Beijing","language":"chinese","languagecodes":"zh","votes":"%2",)"
                    R"("lastchangetime":"2024-05-02 10:11:12","lastchangetime_iso8601":"2024-05-02T10:11:12Z","codec":"MP3",)"
                    R"("bitrate":128,"hls":0,"lastcheckok":1,"lastchecktime":"2024-06-01 08:00:00","clickcount":%2,)"
                    R"("clicktrend":12,"ssl_error":0,"geo_lat":39.9,"geo_long":116.4,"has_extended_info":false})")
                    .arg(i, 12, 10, QLatin1Char('0'))
                    .arg(i)
                    .toUtf8();
            if (out.size() + record.size() + 2 > 4 * 1024 * 1024)
                break;
            if (i > 0)
                out += ',';
            out += record;
        }
        out += ']';
        return out;
    }();
    return bytes;
}

// Resident memory in KiB: now (VmRSS) or its peak (VmHWM).
qint64 residentKiB(const QByteArray& field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(field.size()).trimmed().split(' ').value(0).toLongLong();
    }
    return 0;
}

void ParseFourMiBAnswer(benchmark::State& state)
{
    // Large blocks mapped and unmapped as they come and go, and the heap trimmed: freed memory
    // from making the answer must not hide what the parse takes.
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
    const QByteArray bytes = fourMiB();
    malloc_trim(0);
    // The peak is reset to the present (Linux: 5 in clear_refs), so that it measures the parse
    // alone, not the making of the answer.
    QFile reset(QStringLiteral("/proc/self/clear_refs"));
    if (reset.open(QIODevice::WriteOnly))
        reset.write("5");
    reset.close();
    const qint64 before = residentKiB("VmRSS:");
    {
        const auto first = kelvane::parseStations(bytes);
        benchmark::DoNotOptimize(first);
    }
    state.counters["peak_growth_MiB"] =
        static_cast<double>(residentKiB("VmHWM:") - before) / 1024.0;
    for (auto _ : state) {
        const auto stations = kelvane::parseStations(bytes);
        benchmark::DoNotOptimize(stations);
    }
    state.SetBytesProcessed(state.iterations() * bytes.size());
}
BENCHMARK(ParseFourMiBAnswer)->Unit(benchmark::kMillisecond);

} // namespace
