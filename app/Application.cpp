#include "app/Application.h"

#include "app/FadingForms.h"
#include "app/RadioWindow.h"
#include "app/TvWindow.h"
#include "app/VideoWindow.h"

namespace kelvane {

void registerForms(FormRegistry& forms, const AppServices& services)
{
    forms.registerForm(QStringLiteral("frmSplash"),
                       [](FormRegistry& r) { return new SplashForm(r); });
    forms.registerForm(QStringLiteral("frmAbout"),
                       [](FormRegistry& r) { return new AboutForm(r); });
    forms.registerForm(QStringLiteral("frmMain"),
                       [services](FormRegistry& r) { return new RadioWindow(r, services); });
    forms.registerForm(QStringLiteral("frmMainTV"),
                       [services](FormRegistry& r) { return new TvWindow(r, services); });
    forms.registerForm(QStringLiteral("frmTV"),
                       [services](FormRegistry& r) { return new VideoWindow(r, services); });
}

void startProgram(FormRegistry& forms)
{
    forms.show(QStringLiteral("frmSplash"));
}

} // namespace kelvane
