#include "app/Application.h"

#include "app/PlaybackHub.h"
#include "windows/DirectoryWindow.h"
#include "windows/FadingForms.h"
#include "windows/HistoryWindow.h"
#include "windows/RadioWindow.h"
#include "windows/TvWindow.h"
#include "windows/VideoWindow.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace kelvane {

namespace {

// The window reports what it started; the hub learns the player and the window it came from.
PlayerWindow* reported(PlayerWindow* window, PlaybackHub* hub)
{
    if (hub != nullptr)
        QObject::connect(window, &PlayerWindow::stationStarted, hub,
                         [hub, window](MediaPlayer* player) { hub->played(player, window); });
    return window;
}

} // namespace

void registerForms(FormRegistry& forms, const AppServices& services, PlaybackHub* hub)
{
    forms.registerForm(QStringLiteral("frmSplash"),
                       [](FormRegistry& r) { return new SplashForm(r); });
    forms.registerForm(QStringLiteral("frmAbout"),
                       [](FormRegistry& r) { return new AboutForm(r); });
    forms.registerForm(QStringLiteral("frmMain"), [services, hub](FormRegistry& r) {
        return reported(new RadioWindow(r, services), hub);
    });
    forms.registerForm(QStringLiteral("frmMainTV"), [services, hub](FormRegistry& r) {
        return reported(new TvWindow(r, services), hub);
    });
    forms.registerForm(QStringLiteral("frmTV"),
                       [services](FormRegistry& r) { return new VideoWindow(r, services); });
    forms.registerForm(QStringLiteral("frmDirectory"),
                       [services](FormRegistry& r) { return new DirectoryWindow(r, services); });
    forms.registerForm(QStringLiteral("frmHistory"),
                       [services](FormRegistry& r) { return new HistoryWindow(r, services); });
}

QTranslator* installQtChinese()
{
    auto* texts = new QTranslator(QCoreApplication::instance());
    if (!texts->load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"),
                     QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
        !QCoreApplication::installTranslator(texts)) {
        delete texts;
        return nullptr;
    }
    return texts;
}

void startProgram(FormRegistry& forms)
{
    forms.show(QStringLiteral("frmSplash"));
}

} // namespace kelvane
