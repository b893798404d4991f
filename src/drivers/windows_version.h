// Which Windows this is: its version, for the system line and the drivers'
// version field, and whether Windows itself is 64-bit, which picks the
// drivers' environment.
#pragma once

#include <cstdint>

#include "platform/machine.h"

// GetVersionExA with the extended record, else with the plain one that
// systems older than NT 4 SP6 know; false when neither is answered.
bool ReadWindowsVersion(platform::Machine& machine, platform::OsVersionInfo& info);
// 1 (95) to 11 (10 and later), -1 for anything else.
int32_t WindowsVersionCode(platform::Machine& machine);
// The version text for a code ("Microsoft Windows 7 "), empty outside 1-11.
const char* WindowsVersionText(int32_t code);
// The run-time IsWow64Process test on its own (false when it is missing).
bool RunningOnWow64(platform::Machine& machine);
