#include "app/Application.h"

#include "app/FadingForms.h"
#include "app/RadioWindow.h"

namespace kelvane {

void RegisterForms(FormRegistry& forms, const AppServices& services)
{
    forms.registerForm(QStringLiteral("frmSplash"),
                       [](FormRegistry& r) { return new SplashForm(r); });
    forms.registerForm(QStringLiteral("frmAbout"),
                       [](FormRegistry& r) { return new AboutForm(r); });
    forms.registerForm(QStringLiteral("frmMain"),
                       [services](FormRegistry& r) { return new RadioWindow(r, services); });
}

void StartProgram(FormRegistry& forms)
{
    forms.show(QStringLiteral("frmSplash"));
}

} // namespace kelvane
