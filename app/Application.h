#pragma once

#include "app/Services.h"
#include "platform/Forms.h"

namespace kelvane {

// Registers every window of the program with the registry.
void registerForms(FormRegistry& forms, const AppServices& services);

// Starts the program as it starts on the desktop: the splash window is shown and drives the rest.
void startProgram(FormRegistry& forms);

} // namespace kelvane
