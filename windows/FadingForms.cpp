#include "windows/FadingForms.h"

#include "platform/WindowAlpha.h"
#include "windows/Artwork.h"
#include "windows/Controls.h"
#include "windows/LayoutBuilder.h"

#include <QPainter>

namespace kelvane {

FadingForm::FadingForm(const QString& name, FormRegistry& forms) : Form(name, forms)
{
    LayoutBuilder ui(this, windowLayout(name), AppServices{});
    ui.applyWindowSettings();
    ui.timer(Timer3, QStringLiteral("Timer3"));
    ui.timer(Trans, QStringLiteral("Trans"));
    ui.timer(Timer1, QStringLiteral("Timer1"));
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
    setAutoFillBackground(true); // the window's plain background
    LayoutBuilder ui(this, windowLayout(formName()), AppServices{});
    Label1 = ui.label(QStringLiteral("Label1")); // the one label with its own background
    Label1->setFocusPolicy(Qt::NoFocus);
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
    : FadingForm(QStringLiteral("frmAbout"), forms),
      m_picture(storedPicture(windowLayout(QStringLiteral("frmAbout")).picture))
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
}

void AboutForm::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.drawPixmap(0, 0, m_picture);
}

} // namespace kelvane
