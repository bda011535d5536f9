#pragma once

#include "platform/Forms.h"
#include "windows/Services.h"

namespace kelvane {

class PlaybackHub;

// Registers every window of the program with the registry. With a hub, each station a player
// window starts is reported to it (the desktop's media controls follow it).
void registerForms(FormRegistry& forms, const AppServices& services, PlaybackHub* hub = nullptr);

// Starts the program as it starts on the desktop: the splash window is shown and drives the rest.
void startProgram(FormRegistry& forms);

} // namespace kelvane
