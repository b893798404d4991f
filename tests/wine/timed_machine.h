// The machine of the installer's measuring build: the Win32 machine with a
// clock on the platform calls (timed_machine.cpp).
#pragma once

#include <memory>

#include "platform/machine.h"

// Milliseconds spent since the process started in platform calls, waits
// included, in waits alone, and in window-system calls (not counted as
// platform calls).
struct PlatformTotals {
  double platform = 0;
  double waits = 0;
  double window = 0;
};

PlatformTotals CurrentPlatformTotals();

// Also initialises the common controls, as CreateWin32Machine does.
std::unique_ptr<platform::Machine> CreateTimedMachine();
