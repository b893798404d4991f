// The machine of the installer's measuring build: the Win32 machine with a
// clock on the platform calls (timed_machine.cpp).
#pragma once

#include <memory>

#include "platform/machine.h"

// Milliseconds spent in platform calls since the process started, waits
// included, and in waits alone.
struct PlatformTotals {
  double platform = 0;
  double waits = 0;
};

PlatformTotals CurrentPlatformTotals();

// Also initialises the common controls, as CreateWin32Machine does.
std::unique_ptr<platform::Machine> CreateTimedMachine();
