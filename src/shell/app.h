// Process-wide values of one program run, and the program's start.
#pragma once

#include <cstdint>

#include "platform/machine.h"

struct App {
  explicit App(platform::Machine& m) : machine(m) {}

  platform::Machine& machine;
  // The registered "MyUpdateData" message, registered before any window.
  uint32_t myUpdateDataMessage = 0;
  // Whether the current Install run found a port of the chosen kind: set at
  // the start of every run, cleared when the kind has no port.
  bool portAvailable = true;
};

// Registers "MyUpdateData", shows the main window modally and returns when
// it has closed. The whole program.
int RunInstaller(platform::Machine& machine);
