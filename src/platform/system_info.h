// Version, bitness and the program's own identity.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

struct OsVersionInfo {  // OSVERSIONINFOEXA, the fields the installer reads
  uint32_t size = 0;    // in: 156 (extended) or 148 (plain)
  uint32_t majorVersion = 0;
  uint32_t minorVersion = 0;
  uint32_t buildNumber = 0;
  uint32_t platformId = 0;
};

class SystemInfo {
 public:
  virtual ~SystemInfo() = default;

  virtual bool GetVersionExA(OsVersionInfo& info) = 0;
  // GetProcAddress(GetModuleHandleA("kernel32"), "IsWow64Process") != null.
  virtual bool HasIsWow64Process() = 0;
  // IsWow64Process(GetCurrentProcess(), &result); only when it exists.
  virtual bool IsWow64Process(bool& wow64) = 0;
  // The executable's file name without folder and extension: the caption of
  // the application-wide message box.
  virtual std::string ApplicationTitle() = 0;
};

}  // namespace platform
