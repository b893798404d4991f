// Checks of the Win32 backend under Wine for the calls whose outcome the
// installer ignores, so that no end-to-end scenario can see them fail: the
// driver-loading privilege and the Administrators entry written into a
// registry key's access list. Prints a line per check and exits with the
// number of failed checks.
#include <cstdio>
#include <string>

#include "platform/machine.h"
#include "platform/win32/win32_machine.h"
#include "platform/win_constants.h"

namespace {

int failures = 0;

void Check(bool ok, const std::string& what) {
  std::printf("%s %s\n", ok ? "ok  " : "FAIL", what.c_str());
  if (!ok) ++failures;
}

}  // namespace

int main() {
  std::unique_ptr<platform::Machine> machine = CreateWin32Machine();
  platform::Security& security = machine->security();
  platform::TokenHandle token = 0;
  uint64_t luid = 0;
  Check(security.OpenProcessToken(win::TOKEN_ADJUST_PRIVILEGES | win::TOKEN_QUERY, token),
        "OpenProcessToken");
  Check(security.LookupPrivilegeValueA("SeLoadDriverPrivilege", luid) && luid != 0,
        "LookupPrivilegeValueA SeLoadDriverPrivilege");
  Check(security.AdjustTokenPrivileges(token, luid, win::SE_PRIVILEGE_ENABLED),
        "AdjustTokenPrivileges");
  security.CloseHandle(token);

  platform::Registry& registry = machine->registry();
  platform::KeyHandle key = 0;
  registry.RegCreateKeyExA(platform::kHkeyLocalMachine, "Software\\BackendCheckAcl", 0,
                           win::KEY_ALL_ACCESS, false, key, nullptr);
  registry.RegCloseKey(key);
  // The object name form the installer builds for a key under HKLM.
  const std::string object = "MACHINE\\Software\\BackendCheckAcl";
  std::unique_ptr<platform::Acl> old, made;
  Check(security.GetNamedSecurityInfoA(object, old) == 0, "GetNamedSecurityInfoA of a key");
  Check(security.SetEntriesInAclA({"Administrators", win::KEY_ALL_ACCESS, win::SET_ACCESS,
                                   win::SUB_CONTAINERS_AND_OBJECTS_INHERIT},
                                  old.get(), made) == 0 &&
            made != nullptr,
        "SetEntriesInAclA makes a list with Administrators");
  Check(made != nullptr && security.SetNamedSecurityInfoA(object, *made) == 0,
        "SetNamedSecurityInfoA writes it");
  key = 0;
  Check(registry.RegOpenKeyExA(platform::kHkeyLocalMachine, "Software\\BackendCheckAcl",
                               win::KEY_ALL_ACCESS, key) == 0,
        "the key still opens with full access");
  registry.RegCloseKey(key);
  registry.SHDeleteKeyA(platform::kHkeyLocalMachine, "Software\\BackendCheckAcl");
  std::printf("%d failed\n", failures);
  return failures;
}
