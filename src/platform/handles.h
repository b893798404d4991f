// Opaque handle values shared by the platform interfaces. A handle is the
// number the backend gave out; 0 means none, as in Windows.
#pragma once

#include <cstdint>

namespace platform {

using WindowId = std::uintptr_t;       // HWND
using KeyHandle = std::uintptr_t;      // HKEY
using PrinterHandle = std::uintptr_t;  // HANDLE from OpenPrinterA / AddPrinterA
using ServiceHandle = std::uintptr_t;  // SC_HANDLE
using FindHandle = std::uintptr_t;     // HANDLE from FindFirstFileA; 0 when nothing found
using TokenHandle = std::uintptr_t;    // HANDLE from OpenProcessToken

using WParam = std::uintptr_t;
using LParam = std::intptr_t;
using LResult = std::intptr_t;

// The predefined registry roots carry the values Windows gives them, so a
// backend can pass them straight through.
inline constexpr KeyHandle kHkeyCurrentUser = 0x80000001u;
inline constexpr KeyHandle kHkeyLocalMachine = 0x80000002u;
inline constexpr KeyHandle kHkeyCurrentConfig = 0x80000005u;

}  // namespace platform
