// Type-to-filter on the largest list (32767 stations of varied Chinese names): building the
// pinyin index at load (the first build in a process also starts ICU's transliterator), and each
// key of "zgzs" typed into the filter field, list update included.
#include "catalogue/StationIndex.h"
#include "catalogue/StationList.h"
#include "listbox/StationListBox.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QTest>
#include <benchmark/benchmark.h>

namespace {

QStringList names()
{
    static const QStringList list = [] {
        QStringList out;
        // 3000 distinct common-range characters, as thousands of real station names have.
        for (int i = 0; i < kelvane::kMaxStations; ++i) {
            QString name;
            for (int k = 0; k < 6; ++k)
                name += QChar(0x4E00 + ((i * 7 + k * 131) * 2654435761u >> 7) % 3000 * 7);
            name += QStringLiteral(" FM%1").arg(i % 1000);
            out.append(name);
        }
        return out;
    }();
    return list;
}

void BuildIndex(benchmark::State& state)
{
    static double firstMs = -1;
    if (firstMs < 0) {
        QElapsedTimer t;
        t.start();
        kelvane::StationIndex cold;
        cold.build(names());
        firstMs = double(t.nsecsElapsed()) / 1e6;
    }
    for (auto _ : state) {
        kelvane::StationIndex index;
        index.build(names());
        benchmark::DoNotOptimize(index);
    }
    state.counters["first_build_ms"] = firstMs;
    // What a list load waits for: the build itself runs on a worker.
    QElapsedTimer t;
    t.start();
    kelvane::StationIndex background;
    background.buildInBackground(names());
    state.counters["load_waits_ms"] = double(t.nsecsElapsed()) / 1e6;
}
BENCHMARK(BuildIndex)->Unit(benchmark::kMillisecond);

void FilterPerKey(benchmark::State& state)
{
    kelvane::StationListBox list;
    list.setUniformItemSizes(true);
    list.resize(273, 112);
    list.fillList(kelvane::Stations{names(), {}});
    list.show();
    QElapsedTimer t;
    t.start();
    for (auto _ : state) {
        list.openFilter(QStringLiteral("z"));
        for (const char* key : {"g", "z", "s"})
            QTest::keyClicks(list.filterField(), QString::fromLatin1(key));
        list.closeFilter();
    }
    // Four keys typed and the whole list restored: five list updates an iteration.
    state.counters["per_key_ms"] = double(t.nsecsElapsed()) / 1e6 / double(state.iterations() * 5);
}
BENCHMARK(FilterPerKey)->Unit(benchmark::kMillisecond);

} // namespace
