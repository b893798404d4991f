#include "platform/win32/win32_backends.h"
#include "platform/win32/win32_machine.h"

namespace {

// Windows 8's flag, also on Windows 7 with its update KB2533623.
constexpr DWORD kSearchSystem32 = 0x00000800;

}  // namespace

void RestrictLibrarySearch() {
  // The program runs as administrator from wherever it was copied: a
  // Downloads folder or a USB stick where anyone may have put a DLL of a
  // name Windows looks for beside the program first. From here on a bare
  // name is looked for in the system folder alone. Without
  // SetDefaultDllDirectories (Windows 7 before the update) the current
  // folder at least leaves the search.
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  const auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(reinterpret_cast<void*>(
      ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "SetDefaultDllDirectories")));
  if (setDefault == nullptr || !setDefault(kSearchSystem32)) ::SetDllDirectoryA("");
  // The common controls load the theme library by name when the first
  // themed window appears; loaded now from the system folder, that name is
  // taken, whichever search order Windows would use for it.
  platform::win32::LoadSystemLibrary("uxtheme.dll");
}

namespace platform::win32 {

HMODULE LoadSystemLibrary(const char* fileName) {
  char folder[MAX_PATH] = {};
  const UINT length = ::GetSystemDirectoryA(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return nullptr;
  const std::string path = std::string(folder, length) + "\\" + fileName;
  return ::LoadLibraryA(path.c_str());
}

}  // namespace platform::win32
