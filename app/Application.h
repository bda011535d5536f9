#pragma once

#include "platform/Forms.h"
#include "windows/Services.h"

class QTranslator;

namespace kelvane {

class PlaybackHub;

// Registers every window of the program with the registry. With a hub, each station a player
// window starts is reported to it (the desktop's media controls follow it).
void registerForms(FormRegistry& forms, const AppServices& services, PlaybackHub* hub = nullptr);

// Qt's own texts (standard buttons, file dialogs) in Simplified Chinese, whatever the desktop's
// locale. Returns the translator, owned by the application object (deleting it takes the texts
// back out); null when the translations are not installed (qt6-translations-l10n).
QTranslator* installQtChinese();

// Starts the program as it starts on the desktop: the splash window is shown and drives the rest.
void startProgram(FormRegistry& forms);

} // namespace kelvane
