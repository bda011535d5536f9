#pragma once

#include "button/ButtonColors.h"
#include "button/SkinButton.h"
#include "tests/support/Recorders.h"
#include "tests/support/TestUtil.h"

#include <QApplication>
#include <QEnterEvent>
#include <QPalette>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

using namespace Qt::StringLiterals;

namespace kelvane::test {

// A shown host window with one button placed from a bag at run time, and a known set of
// system colours, so that rendered faces can be read pixel by pixel.
class ButtonRenderTest : public ::testing::Test
{
protected:
    static constexpr OleColor kFace = RGB(200, 196, 190);
    static constexpr OleColor kHighlight = RGB(40, 90, 160);
    static constexpr OleColor kShadow = RGB(120, 118, 115);
    static constexpr OleColor kText = RGB(10, 20, 30);
    static constexpr OleColor kGrayText = RGB(140, 140, 140);
    static constexpr OleColor kWindow = RGB(252, 251, 250);
    static constexpr OleColor kLight = RGB(230, 230, 230);
    static constexpr OleColor kHilight = RGB(255, 255, 255);
    static constexpr OleColor kDarkShadow = RGB(30, 30, 30);

    void SetUp() override
    {
        m_savedPalette = QApplication::palette();
        QPalette palette = m_savedPalette;
        auto set = [&palette](QPalette::ColorRole role, OleColor colour) {
            palette.setColor(QPalette::All, role, oleToQColor(colour));
        };
        set(QPalette::Button, kFace);
        set(QPalette::Highlight, kHighlight);
        set(QPalette::Dark, kShadow);
        set(QPalette::ButtonText, kText);
        palette.setColor(QPalette::Disabled, QPalette::ButtonText, oleToQColor(kGrayText));
        set(QPalette::Base, kWindow);
        set(QPalette::Midlight, kLight);
        set(QPalette::Light, kHilight);
        set(QPalette::Shadow, kDarkShadow);
        QApplication::setPalette(palette);
        host = std::make_unique<QWidget>();
        host->resize(260, 120);
        // Takes the window's first focus, so buttons start without it.
        focusSink = new QWidget(host.get());
        focusSink->setGeometry(0, 0, 10, 10);
        focusSink->setFocusPolicy(Qt::StrongFocus);
    }

    void TearDown() override
    {
        // A press left standing would hold the pointer's grab for the tests after this one.
        if (m_pressed && button)
            release();
        host.reset();
        flushEvents();
        QApplication::setPalette(m_savedPalette);
    }

    // Places a button of the given style and size with an empty caption (unless the bag holds
    // one) and shows the window.
    SkinButton* place(int style, QSize size, PropertyBag bag = {}, ButtonTheme* theme = nullptr)
    {
        button =
            theme ? new SkinButton(shell, *theme, host.get()) : new SkinButton(shell, host.get());
        button->setGeometry(QRect(QPoint(20, 20), size));
        if (!bag.contains(u"Caption"_s))
            bag.writeText(u"Caption"_s, u" "_s);
        bag.writeInt(u"Style"_s, style);
        button->UserControl_ReadProperties(bag);
        host->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(host.get()));
        focusSink->setFocus();
        button->UserControl_Resize();
        return button;
    }

    void hover()
    {
        const QPointF inside(5, 5);
        QEnterEvent enter(inside, button->mapTo(host.get(), inside), button->mapToGlobal(inside));
        QApplication::sendEvent(button, &enter);
    }
    void leave()
    {
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(button, &leave);
    }
    void press()
    {
        QTest::mousePress(button, Qt::LeftButton, {}, QPoint(5, 5));
        m_pressed = true;
    }
    void release()
    {
        QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(5, 5));
        m_pressed = false;
    }
    void focus()
    {
        host->activateWindow();
        button->setFocus();
        flushEvents();
        ASSERT_TRUE(QTest::qWaitForWindowActive(host.get()));
        ASSERT_TRUE(button->HasFocus());
    }

    // The button as it is drawn.
    QImage shot() const { return button->grab().toImage().convertToFormat(QImage::Format_RGB32); }
    static OleColor at(const QImage& image, int x, int y)
    {
        return oleFromQColor(image.pixel(x, y));
    }

    RecordingShell shell;
    std::unique_ptr<QWidget> host;
    SkinButton* button = nullptr;
    QWidget* focusSink = nullptr;

private:
    QPalette m_savedPalette;
    bool m_pressed = false;
};

} // namespace kelvane::test
