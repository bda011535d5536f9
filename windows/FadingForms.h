#pragma once

#include "platform/Forms.h"
#include "platform/Timer.h"
#include "windows/Services.h"

#include <QLabel>

namespace kelvane {

class ClickLabel;

// A window that fades itself in, holds, fades out and unloads itself: the splash and the
// About window. Each fade applies 51 alphas in steps of 5 and ends on its 52nd tick.
class FadingForm : public Form
{
    Q_OBJECT
public:
    FadingForm(const QString& name, FormRegistry& forms);

    qint16 fadeAlpha = 0;
    qint16 fadeLimit = 255;
    Timer Timer3{1, true};     // fade-in step
    Timer Timer1{5000, false}; // hold
    Timer Trans{1, false};     // fade-out step

    void Timer3_Timer();
    void Timer1_Timer();
    void Trans_Timer();

protected:
    void Form_Load() override;
    // Splash only: what happens at the end of the fade-in and of the fade-out.
    virtual void fadedIn() {}
    virtual void fadedOut() {}

private:
    void applyAlpha(int alpha);
};

// The start-up window: "Load ..." on a plain background; it loads the radio window behind itself
// and hands over to it.
class SplashForm final : public FadingForm
{
    Q_OBJECT
public:
    explicit SplashForm(FormRegistry& forms);
    ClickLabel* Label1 = nullptr;

protected:
    void fadedIn() override;
    void fadedOut() override;
};

// The About window: picture C edge to edge, no input.
class AboutForm final : public FadingForm
{
    Q_OBJECT
public:
    explicit AboutForm(FormRegistry& forms);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap m_picture;
};

} // namespace kelvane
