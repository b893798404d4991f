// The program's start.
#pragma once

#include "platform/machine.h"

// Registers "MyUpdateData", shows the main window modally and returns when
// it has closed. The whole program.
int RunInstaller(platform::Machine& machine);
