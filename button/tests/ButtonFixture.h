#pragma once

#include "button/SkinButton.h"
#include "tests/support/Recorders.h"
#include "tests/support/TestUtil.h"

#include <QEvent>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

#include <memory>

using namespace Qt::StringLiterals;

namespace kelvane::test {

// Counts the paints a widget receives.
class PaintCounter : public QObject
{
public:
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++count;
        return false;
    }
};

// A shown host window holding one button placed from its stored bag at run time, with room
// around it for the pointer to leave. Pointer and keys go through the window, as a user's do.
class ButtonHostTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        host = std::make_unique<QWidget>();
        host->resize(240, 120);
        button = new SkinButton(shell, host.get());
        button->setObjectName(u"bbStop"_s);
        button->setGeometry(40, 30, 100, 30);
    }

    void TearDown() override
    {
        host.reset();
        flushEvents();
    }

    // Reads the bag (starting hover tracking, the host is running) and shows the window.
    void place(const PropertyBag& bag = {})
    {
        button->UserControl_ReadProperties(bag);
        host->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(host.get()));
        host->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(host.get()));
        // Start with the pointer beside the button. Qt drops a move to the point it already
        // knows, so go through a second point.
        QTest::mouseMove(window(), QPoint(1, 1));
        moveOut();
    }

    // A second focusable widget in the host, which takes the focus from the button.
    std::unique_ptr<QWidget> focusElsewhere()
    {
        auto other = std::make_unique<QWidget>(host.get());
        other->setFocusPolicy(Qt::StrongFocus);
        other->setGeometry(0, 100, 20, 20);
        other->show();
        other->setFocus();
        return other;
    }

    QWindow* window() const { return host->windowHandle(); }
    QPoint inButton(QPoint p = QPoint(50, 15)) const { return button->mapTo(host.get(), p); }
    void moveIn(QPoint p = QPoint(50, 15)) { QTest::mouseMove(window(), inButton(p)); }
    void moveOut() { QTest::mouseMove(window(), QPoint(5, 5)); }
    void click(Qt::MouseButton which = Qt::LeftButton)
    {
        QTest::mouseClick(window(), which, {}, inButton());
    }

    RecordingShell shell;
    std::unique_ptr<QWidget> host;
    SkinButton* button = nullptr;
};

} // namespace kelvane::test
