// A radio list with the listener's stations: the load of the largest list file with 1,000 own
// stations and 200 favourites into a list box, starring a station (the list redrawn), and a
// 32,767-station extended M3U8 imported until its stations show.
#include "catalogue/StationList.h"
#include "listbox/StationListBox.h"
#include "stations/StationStore.h"
#include "windows/PlaylistImport.h"
#include "windows/StationActions.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>

#include <QStringEncoder>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <malloc.h>

using namespace kelvane;

namespace {

QString serverUrl(int i)
{
    return QStringLiteral("http://stream%1.radio.example.cn:8000/live/%1.mp3").arg(i);
}

// The list folder: the largest list file, 1,000 own stations and 200 favourites (150 of the
// server's, 50 it no longer lists).
struct Folder
{
    Folder()
    {
        QString text;
        for (int i = 0; i < kMaxStations; ++i)
            text += QStringLiteral("中国国际广播电台 第%1频道 ==> ").arg(i) + serverUrl(i) +
                    QStringLiteral("\r\n");
        QFile file(dir.filePath(kRadioListFile));
        file.open(QIODevice::WriteOnly);
        QStringEncoder gbk("GBK");
        file.write(gbk.encode(text));
        file.close();
        StationStore store(dir.path());
        store.load();
        PlaylistRead own;
        for (int i = 0; i < 1000; ++i)
            own.entries.append({QStringLiteral("我的电台 %1").arg(i),
                                QStringLiteral("http://own.example/%1").arg(i),
                                QStringLiteral("分组 %1").arg(i % 10),
                                {},
                                {},
                                {}});
        store.addOwn(ListKind::Radio, own, {}, kMaxStations - 1000);
        for (int i = 0; i < 200; ++i) {
            const QString url =
                i < 150 ? serverUrl(i * 200) : QStringLiteral("http://gone/%1").arg(i);
            store.setFavourite(ListKind::Radio,
                               {QStringLiteral("收藏 %1").arg(i), url, {}, {}, {}, {}}, true);
        }
        store.flush();
    }
    QTemporaryDir dir;
};

Folder& folder()
{
    static Folder f;
    return f;
}

void LoadWithOwnAndFavourites(benchmark::State& state)
{
    StationStore store(folder().dir.path());
    store.load();
    AppServices services;
    services.stations = &store;
    QWidget window;
    StationListBox box(&window);
    StationActions actions(window, box, ListKind::Radio, services);
    const QString path = programFilePath(folder().dir.path(), kRadioListFile);
    for (auto _ : state) {
        actions.load(loadStationList(path, kRadioSeparator));
        benchmark::DoNotOptimize(box.stationCount());
    }
    state.counters["rows"] = box.stationCount();
}
BENCHMARK(LoadWithOwnAndFavourites)->Unit(benchmark::kMillisecond);

// Ctrl+D on a station near the list's end, on and off, each time until the list has redrawn.
void StarAndRedraw(benchmark::State& state)
{
    QTemporaryDir copy;
    for (const QString& name : QDir(folder().dir.path()).entryList(QDir::Files))
        QFile::copy(folder().dir.filePath(name), copy.filePath(name));
    StationStore store(copy.path());
    store.load();
    AppServices services;
    services.stations = &store;
    QWidget window;
    window.resize(351, 312);
    StationListBox box(&window);
    box.setGeometry(72, 104, 273, 112);
    box.setUniformItemSizes(true);
    StationActions actions(window, box, ListKind::Radio, services);
    actions.load(loadStationList(copy.filePath(kRadioListFile), kRadioSeparator));
    window.show();
    QApplication::processEvents();
    const int target = box.stationCount() - 500;
    box.setCurrentRow(target);
    for (auto _ : state) {
        actions.toggleStar(); // to the top, and back to its place the next time
        box.viewport()->repaint();
    }
    store.flush();
}
BENCHMARK(StarAndRedraw)->Unit(benchmark::kMillisecond);

// An extended M3U8 of 32,767 stations with attributes (about 5 MB) imported from a file into
// an empty radio list, until the list box shows them.
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

void ImportLargestPlaylist(benchmark::State& state)
{
    QTemporaryDir dir;
    QByteArray m3u = "#EXTM3U\n";
    for (int i = 0; i < kMaxStations; ++i)
        m3u += QStringLiteral("#EXTINF:-1 tvg-id=\"ch%1.cn\" tvg-name=\"频道 %1\" "
                              "tvg-logo=\"http://logo.example.cn/%1.png\" group-title=\"分组 %2\","
                              "电视频道 %1 高清\nhttp://iptv.example.cn:8080/live/%1/index.m3u8\n")
                   .arg(i)
                   .arg(i % 40)
                   .toUtf8();
    QFile file(dir.filePath("big.m3u8"));
    file.open(QIODevice::WriteOnly);
    file.write(m3u);
    file.close();
    const qsizetype bytes = m3u.size();
    m3u = QByteArray(); // what the listener's file costs is the import's, not this copy's
    malloc_trim(0);     // and its freed pages do not hide the import's growth
    // The peak from here on (writing 5 to clear_refs resets VmHWM).
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
    clear.close();
    const long peakBefore = peakKib();
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir lists;
        StationStore store(lists.path());
        store.load();
        AppServices services;
        services.programFolder = lists.path(); // no list file: the playlist fills the list
        services.stations = &store;
        QWidget window;
        StationListBox box(&window);
        StationActions actions(window, box, ListKind::Radio, services);
        actions.load(std::nullopt);
        state.ResumeTiming();
        auto* import = new PlaylistImport({dir.filePath("big.m3u8")}, nullptr, services);
        bool done = false;
        QObject::connect(import, &PlaylistImport::finished, [&done] { done = true; });
        import->start();
        // Until the list shows them (it fills once the import has let go of the playlist).
        QDeadlineTimer deadline(20000);
        while ((!done || box.stationCount() != kMaxStations) && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
        benchmark::DoNotOptimize(box.stationCount());
        state.PauseTiming();
        if (box.stationCount() != kMaxStations)
            state.SkipWithError("not all stations shown");
        store.flush();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * bytes);
    // Run alone (--benchmark_filter=Import) for the import's own growth.
    state.counters["peak_growth_kib"] = static_cast<double>(peakKib() - peakBefore);
}
BENCHMARK(ImportLargestPlaylist)->Unit(benchmark::kMillisecond);

} // namespace
