// The program's start.
#pragma once

#include <string>
#include <vector>

#include "platform/machine.h"

// The name of the mutex every installer holds while it runs, in the
// administrators' private namespace (Global\PosPrinterDriverSetup where the
// system has none).
inline constexpr const char* kInstanceMutexName = "PosPrinterDriverSetup";

// The whole program. Without arguments: registers "MyUpdateData", shows the
// main window modally and returns 0 when it has closed. With arguments (the
// command line without the program's name): the run they ask for, and its
// exit code.
int RunInstaller(platform::Machine& machine, const std::vector<std::string>& arguments = {});
