#include "drivers/windows_version.h"

#include "platform/win_constants.h"

namespace {

constexpr uint32_t kExtendedVersionInfoSize = 156;
constexpr uint32_t kPlainVersionInfoSize = 148;

int32_t NineXCode(uint32_t major, uint32_t minor) {
  if (major != 4) return -1;
  switch (minor) {
    case 0:
      return 1;
    case 10:
      return 2;
    case 90:
      return 3;
    default:
      return -1;
  }
}

int32_t NtCode(uint32_t major, uint32_t minor) {
  int32_t code = major <= 4 ? 4 : -1;
  if (major == 5) {
    if (minor == 0) code = 5;
    if (minor == 1) code = 6;
    if (minor == 2) code = 7;
  } else if (major == 6) {
    if (minor == 0) code = 8;
    if (minor == 1) code = 9;
    if (minor == 2) code = 10;
  } else if (major == 10) {
    code = 11;
  }
  return code;
}

}  // namespace

bool ReadWindowsVersion(platform::Machine& machine, platform::OsVersionInfo& info) {
  info = platform::OsVersionInfo();
  info.size = kExtendedVersionInfoSize;
  if (machine.system().GetVersionExA(info)) return true;
  // Systems older than NT 4 SP6 know only the plain record.
  info = platform::OsVersionInfo();
  info.size = kPlainVersionInfoSize;
  return machine.system().GetVersionExA(info);
}

int32_t WindowsVersionCode(platform::Machine& machine) {
  platform::OsVersionInfo info;
  if (!ReadWindowsVersion(machine, info)) return -1;
  switch (info.platformId) {
    case win::VER_PLATFORM_WIN32_WINDOWS:
      return NineXCode(info.majorVersion, info.minorVersion);
    case win::VER_PLATFORM_WIN32_NT:
      return NtCode(info.majorVersion, info.minorVersion);
    default:
      return 5;
  }
}

const char* WindowsVersionText(int32_t code) {
  static constexpr const char* kTexts[] = {
      "Microsoft Windows 95 ",   "Microsoft Windows 98 ",    "Microsoft Windows Me ",
      "Microsoft Windows NT ",   "Microsoft Windows 2000 ",  "Microsoft Windows XP ",
      "Microsoft Windows 2003 ", "Microsoft Windows vista ", "Microsoft Windows 7 ",
      "Microsoft Windows 8 ",    "Microsoft Windows 10 ",
  };
  if (code < 1 || code > 11) return "";
  return kTexts[code - 1];
}

bool RunningOnWow64(platform::Machine& machine) {
  // Older systems lack IsWow64Process: they are 32-bit.
  if (!machine.system().HasIsWow64Process()) return false;
  bool wow64 = false;
  if (!machine.system().IsWow64Process(wow64)) return false;
  return wow64;
}
