// The real machine: every platform interface over the ANSI Win32 calls.
// Deliberately free of windows.h, so that the program's entry point and the
// logic never see the Win32 headers.
#pragma once

#include <memory>

#include "platform/machine.h"

// Restricts the search for libraries loaded by bare name to the system
// folder, and takes the names that Windows' own libraries load on their own
// (the theme library) from there. The first thing the program does, before
// any window or library.
void RestrictLibrarySearch();

// Also initialises the common controls (list views, progress bars) that the
// dialog templates use. Call once, on the thread that will run the dialogs.
std::unique_ptr<platform::Machine> CreateWin32Machine();
