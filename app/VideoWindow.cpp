#include "app/VideoWindow.h"

#include "app/LayoutBuilder.h"
#include "app/Ui.h"

#include <QPainter>

namespace kelvane {

VideoWindow::VideoWindow(FormRegistry& forms, const AppServices& services)
    : Form(QStringLiteral("frmTV"), forms), m_picture(storedPicture(StoredLayout("frmTV").picture))
{
    LayoutBuilder ui(this, StoredLayout(QStringLiteral("frmTV")), services);
    ui.applyWindowSettings();
    setAttribute(Qt::WA_OpaquePaintEvent);
    // 3 pixels wider than the window: cut off at the right. Hidden until the reveal.
    wmpt = ui.player(QStringLiteral("wmpt"));
    Gg1 = ui.banner(QStringLiteral("Gg1"));
    ui.timer(Timer1, QStringLiteral("Timer1"));
    ui.applyTabOrder();
    connect(&Timer1, &Timer::timeout, this, &VideoWindow::Timer1_Timer);
}

void VideoWindow::Timer1_Timer()
{
    Timer1.setEnabled(false);
    wmpt->setVisible(true);
}

void VideoWindow::Form_Unload()
{
    Timer1.setEnabled(false);
    wmpt->shutdown();
}

void VideoWindow::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
    p.drawPixmap(0, 0, m_picture);
}

} // namespace kelvane
