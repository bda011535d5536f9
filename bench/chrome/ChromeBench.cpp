// Run: build/bench/chrome/chrome_bench (offscreen unless QT_QPA_PLATFORM says otherwise; under
// xvfb-run with QT_QPA_PLATFORM=xcb every poll asks the X server for the pointer).
// The poll runs five times a second for the life of a player window, so its cost is the idle
// cost of docking; the slide step runs forty times a second for about half a second per slide.
#include "chrome/QuandleXPTaskBar.h"
#include "platform/PropertyBag.h"

#include <QApplication>
#include <QWidget>
#include <benchmark/benchmark.h>

using namespace kelvane;
using namespace Qt::StringLiterals;

namespace {

PropertyBag storedBag()
{
    PropertyBag bag;
    bag.writeInt(u"_extentx"_s, 847);
    bag.writeInt(u"_extenty"_s, 847);
    bag.writeInt(u"alignment"_s, 3);
    return bag;
}

struct DockedWindow
{
    QWidget host;
    QuandleXPTaskBar* bar;

    DockedWindow()
    {
        host.setFixedSize(351, 312);
        bar = new QuandleXPTaskBar(&host);
        bar->UserControl_ReadProperties(storedBag());
        host.show();
        QApplication::processEvents();
    }
};

void BM_PointerPollWhileHidden(benchmark::State& state)
{
    DockedWindow window;
    for (auto _ : state)
        window.bar->tmrCheckMouseOver_Timer();
}
BENCHMARK(BM_PointerPollWhileHidden);

// One full slide in and out (about 40 steps) with the window really moving.
void BM_SlideInAndOut(benchmark::State& state)
{
    DockedWindow window;
    int steps = 0;
    for (auto _ : state) {
        for (const QPoint pointer : {QPoint(600, 1), QPoint(600, 900)}) {
            QCursor::setPos(pointer);
            window.bar->tmrCheckMouseOver_Timer();
            while (window.bar->tmrExpand->Enabled()) {
                window.bar->tmrExpand_Timer();
                ++steps;
            }
        }
        QApplication::processEvents();
    }
    if (steps == 0)
        state.SkipWithError("the pointer cannot be moved on this platform (run it under xcb)");
    state.counters["steps"] = benchmark::Counter(steps, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_SlideInAndOut)->Unit(benchmark::kMicrosecond);

void BM_DockFromStoredLayout(benchmark::State& state)
{
    QWidget host;
    host.setFixedSize(351, 312);
    const PropertyBag bag = storedBag();
    for (auto _ : state) {
        QuandleXPTaskBar bar(&host);
        bar.UserControl_ReadProperties(bag);
    }
}
BENCHMARK(BM_DockFromStoredLayout)->Unit(benchmark::kMicrosecond);

} // namespace
