#pragma once

#include <cstdint>
#include <string>

#include "platform/machine.h"

// Modes of SpoolerControl.
inline constexpr int32_t Restart = 0;
inline constexpr int32_t EnsureRunning = 16;

// Makes sure the service runs (EnsureRunning) or stops and starts it
// (Restart). 1 when it runs at the end, 0 when it could not be brought to
// the wanted state within the poll limit. A box about a service whose state
// cannot be read is owned by `owner`, the window whose operation asks.
int32_t SpoolerControl(platform::Machine& machine, platform::WindowId owner,
                       const std::string& serviceName, int32_t mode);
