#include "app/VideoWindow.h"

#include "app/Ui.h"

#include <QPainter>

namespace kelvane {

VideoWindow::VideoWindow(FormRegistry& forms, const AppServices& services)
    : Form(QStringLiteral("frmTV"), forms), m_picture(pictureB())
{
    // A fixed window with a title bar and a close button, listed in the taskbar.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setWindowTitle(QStringLiteral("  Sorrelin"));
    setWindowIcon(applicationIcon());
    setFont(defaultFont());
    setFixedSize(497, 424);
    setAttribute(Qt::WA_OpaquePaintEvent);

    MediaPlayerSettings playerSettings;
    playerSettings.uiMode = QStringLiteral("none");
    playerSettings.extraOptions = services.playerOptions;
    wmpt = new MediaPlayer(playerSettings, this);
    wmpt->setObjectName(QStringLiteral("wmpt"));
    placeTwips(wmpt, 0, 720, 7500, 4200); // 3 pixels wider than the window: cut off at the right
    wmpt->setVisible(false);

    Gg1 = makeBanner(services, this);
    placeTwips(Gg1, 0, 5880, 7455, 495);

    connect(&Timer1, &Timer::timeout, this, &VideoWindow::Timer1_Timer);
    centreOnScreen(this);
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
