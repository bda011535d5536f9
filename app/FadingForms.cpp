#include "app/FadingForms.h"

#include "app/Ui.h"
#include "platform/WindowAlpha.h"

#include <QPainter>

namespace kelvane {

FadingForm::FadingForm(const QString& name, FormRegistry& forms) : Form(name, forms)
{
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint);
    setWindowIcon(applicationIcon());
    connect(&Timer3, &Timer::timeout, this, &FadingForm::Timer3_Timer);
    connect(&Timer1, &Timer::timeout, this, &FadingForm::Timer1_Timer);
    connect(&Trans, &Timer::timeout, this, &FadingForm::Trans_Timer);
}

void FadingForm::applyAlpha(int alpha)
{
    SetWindowAlpha(this, alpha); // a platform without window alpha just shows the window opaque
}

void FadingForm::Form_Load()
{
    Trans.setInterval(1);
    fadeAlpha = 0;
    fadeLimit = 255;
    applyAlpha(0);
}

void FadingForm::Timer3_Timer()
{
    fadeAlpha = static_cast<qint16>(fadeAlpha + 5);
    if (fadeAlpha <= fadeLimit) {
        applyAlpha(fadeAlpha);
        return;
    }
    Timer3.setEnabled(false);
    applyAlpha(255);
    Timer1.setEnabled(true);
    fadedIn();
}

void FadingForm::Timer1_Timer()
{
    Timer1.setEnabled(false);
    fadeLimit = 0;
    fadeAlpha = 255;
    applyAlpha(255);
    Trans.setEnabled(true);
}

void FadingForm::Trans_Timer()
{
    fadeAlpha = static_cast<qint16>(fadeAlpha - 5);
    if (fadeAlpha >= fadeLimit) {
        applyAlpha(fadeAlpha);
        return;
    }
    Trans.setEnabled(false);
    applyAlpha(0);
    fadedOut();
    Unload();
}

SplashForm::SplashForm(FormRegistry& forms) : FadingForm(QStringLiteral("frmSplash"), forms)
{
    setWindowFlags(Qt::SplashScreen | Qt::FramelessWindowHint);
    setWindowTitle(QStringLiteral("Splash Kelvane"));
    setFont(defaultFont());
    setFixedSize(259, 86);
    setAutoFillBackground(true);
    Label1 = new QLabel(QStringLiteral("Load ..."), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFont(designFont(QStringLiteral("宋体"), 15, true));
    Label1->setAutoFillBackground(true); // the one label with its own background
    placeTwips(Label1, 480, 480, 3015, 375);
    centreOnScreen(this);
}

void SplashForm::fadedIn()
{
    forms().load(QStringLiteral("frmMain"));
}

void SplashForm::fadedOut()
{
    forms().show(QStringLiteral("frmMain"));
}

AboutForm::AboutForm(FormRegistry& forms)
    : FadingForm(QStringLiteral("frmAbout"), forms), m_picture(pictureC())
{
    setWindowTitle(QStringLiteral(" About Kelvane"));
    setFixedSize(352, 279);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_ShowWithoutActivating);
    centreOnScreen(this);
}

void AboutForm::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.drawPixmap(0, 0, m_picture);
}

} // namespace kelvane
