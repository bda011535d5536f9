// Run: build/bench/button/button_bench (QT_QPA_PLATFORM=offscreen unless a display is wanted).
// A player window places up to three buttons from their bags while it is created, so the bag
// figures are per button; the hover figure is one pointer entry and leave, tooltip rebuilt.
// A repaint should stay well under 200 microseconds, so hover and press feel instant.
#include "button/SkinButton.h"
#include "platform/PropertyBag.h"

#include <QApplication>
#include <QEnterEvent>
#include <QWidget>
#include <benchmark/benchmark.h>

using namespace kelvane;
using namespace Qt::StringLiterals;

namespace {

class NoShell final : public Shell
{
public:
    bool openUrl(const QUrl&) override { return false; }
};

// The entries a stored player window holds for one of its buttons.
PropertyBag storedButtonBag()
{
    PropertyBag bag;
    bag.writeInt(u"_extentx"_s, 2778);
    bag.writeInt(u"_extenty"_s, 529);
    bag.writePicture(u"icon"_s, {});
    bag.writeInt(u"style"_s, 9);
    bag.writeText(u"caption"_s, u"检查更新"_s);
    bag.writeInt(u"iconalign"_s, 1);
    bag.writeInt(u"inonthemestyle"_s, 0);
    bag.writeText(u"tooltiptitle"_s, QString());
    bag.writeInt(u"tooltipicon"_s, 0);
    bag.writeInt(u"tooltiptype"_s, 0);
    bag.writeColour(u"ttforecolor"_s, 0);
    bag.writeFont(u"font"_s, StoredFont{u"宋体"_s, 9, 400, 134});
    return bag;
}

void BM_ReadStoredButton(benchmark::State& state)
{
    NoShell shell;
    const PropertyBag bag = storedButtonBag();
    for (auto _ : state) {
        SkinButton button(shell);
        button.UserControl_ReadProperties(bag);
        benchmark::DoNotOptimize(button.Caption());
    }
}
BENCHMARK(BM_ReadStoredButton);

void BM_WriteButton(benchmark::State& state)
{
    NoShell shell;
    SkinButton button(shell);
    button.UserControl_ReadProperties(storedButtonBag());
    for (auto _ : state) {
        PropertyBag bag;
        button.UserControl_WriteProperties(bag);
        benchmark::DoNotOptimize(bag.size());
    }
}
BENCHMARK(BM_WriteButton);

void BM_BagTextRoundTrip(benchmark::State& state)
{
    const PropertyBag bag = storedButtonBag();
    for (auto _ : state) {
        const auto back = PropertyBag::fromJson(bag.toJson());
        benchmark::DoNotOptimize(back->size());
    }
}
BENCHMARK(BM_BagTextRoundTrip);

void BM_HoverEnterLeave(benchmark::State& state)
{
    NoShell shell;
    QWidget host;
    host.resize(200, 80);
    auto* button = new SkinButton(shell, &host);
    button->setGeometry(20, 20, 105, 20);
    button->UserControl_ReadProperties(storedButtonBag());
    host.show();
    const QPointF inside(10, 10);
    for (auto _ : state) {
        QEnterEvent enter(inside, button->mapTo(&host, inside), button->mapToGlobal(inside));
        QApplication::sendEvent(button, &enter);
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(button, &leave);
    }
}
BENCHMARK(BM_HoverEnterLeave);

// One repaint of a shown button: face, caption and the copy to the window, as a hover or a
// press repaints it. Style 9 is the program's look; style 10 sets the most single pixels.
void repaintButton(benchmark::State& state, int style, QSize size)
{
    NoShell shell;
    QWidget host;
    host.resize(200, 80);
    auto* button = new SkinButton(shell, &host);
    button->setGeometry(QRect(QPoint(20, 20), size));
    PropertyBag bag = storedButtonBag();
    bag.writeInt(u"style"_s, style);
    button->UserControl_ReadProperties(bag);
    host.show();
    QApplication::processEvents();
    for (auto _ : state)
        button->repaint();
}

void BM_RepaintStyle9(benchmark::State& state)
{
    repaintButton(state, 9, QSize(105, 20));
}
BENCHMARK(BM_RepaintStyle9)->Unit(benchmark::kMicrosecond);

void BM_RepaintStyle10(benchmark::State& state)
{
    repaintButton(state, 10, QSize(105, 20));
}
BENCHMARK(BM_RepaintStyle10)->Unit(benchmark::kMicrosecond);

} // namespace
