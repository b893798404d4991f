#include "platform/win32/win32_backends.h"

namespace platform::win32 {

#ifndef _WIN64
namespace {
using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);

// Looked up at run time: the function is missing before Windows XP SP2.
IsWow64ProcessFn FindIsWow64Process() {
  HMODULE kernel = ::GetModuleHandleA("kernel32");
  if (kernel == nullptr) return nullptr;
  return reinterpret_cast<IsWow64ProcessFn>(
      reinterpret_cast<void*>(::GetProcAddress(kernel, "IsWow64Process")));
}
}  // namespace
#endif

bool Win32SystemInfo::GetVersionExA(OsVersionInfo& info) {
  OSVERSIONINFOEXA raw{};
  raw.dwOSVersionInfoSize = info.size;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  BOOL ok = ::GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&raw));
#pragma GCC diagnostic pop
  if (ok) {
    info.majorVersion = raw.dwMajorVersion;
    info.minorVersion = raw.dwMinorVersion;
    info.buildNumber = raw.dwBuildNumber;
    info.platformId = raw.dwPlatformId;
  }
  return ok != FALSE;
}

bool Win32SystemInfo::HasIsWow64Process() {
#ifdef _WIN64
  return true;
#else
  return FindIsWow64Process() != nullptr;
#endif
}

bool Win32SystemInfo::IsWow64Process(bool& wow64) {
#ifdef _WIN64
  // The program asks this to learn whether Windows is 64-bit, which is what
  // "running under WOW64" means for the shipped 32-bit build. A 64-bit build
  // (used to test on hosts that cannot run 32-bit code) only runs on 64-bit
  // Windows, so it answers yes rather than the literal "not under WOW64".
  wow64 = true;
  return true;
#else
  IsWow64ProcessFn isWow64 = FindIsWow64Process();
  if (isWow64 == nullptr) {
    ::SetLastError(ERROR_PROC_NOT_FOUND);
    return false;
  }
  BOOL result = FALSE;
  if (!isWow64(::GetCurrentProcess(), &result)) return false;
  wow64 = result != FALSE;
  return true;
#endif
}

std::string Win32SystemInfo::ApplicationTitle() {
  std::vector<char> path(MAX_PATH, '\0');
  for (;;) {
    DWORD length = ::GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return std::string();
    if (length < path.size()) break;
    path.assign(path.size() * 2, '\0');
  }
  std::string name(path.data());
  std::string::size_type slash = name.find_last_of("\\/");
  if (slash != std::string::npos) name.erase(0, slash + 1);
  std::string::size_type dot = name.find_last_of('.');
  if (dot != std::string::npos) name.erase(dot);
  return name;
}

void Win32Clock::Sleep(uint32_t milliseconds) { ::Sleep(milliseconds); }

uint32_t Win32Clock::GetTickCount() { return ::GetTickCount(); }

}  // namespace platform::win32
