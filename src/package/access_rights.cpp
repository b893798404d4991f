#include "package/access_rights.h"

#include <memory>

#include "platform/win_constants.h"

namespace {

constexpr platform::KeyHandle kHkeyClassesRoot = 0x80000000u;
constexpr platform::KeyHandle kHkeyUsers = 0x80000003u;

}  // namespace

std::string RegistryObjectName(platform::KeyHandle root, const std::string& keyName) {
  std::string prefix;
  switch (root) {
    case platform::kHkeyLocalMachine:
      prefix = "MACHINE\\";
      break;
    case platform::kHkeyCurrentUser:
      prefix = "CURRENT_USER\\";
      break;
    case kHkeyClassesRoot:
      prefix = "CLASSES_ROOT\\";
      break;
    case kHkeyUsers:
      prefix = "USERS\\";
      break;
    case platform::kHkeyCurrentConfig:
      // HKEY_CURRENT_CONFIG has no object-name root of its own: it is a view
      // of the current hardware profile below HKEY_LOCAL_MACHINE.
      prefix = "MACHINE\\SYSTEM\\CurrentControlSet\\Hardware Profiles\\Current\\";
      break;
    default:
      // A key opened earlier: its place in the registry is not known here,
      // and guessing a root could change the rights of an unrelated key.
      return std::string();
  }
  // The callers' paths may end in a backslash (they are parents of a key
  // named after the printer); the object name must not.
  size_t begin = 0;
  size_t end = keyName.size();
  while (begin < end && keyName[begin] == '\\') ++begin;
  while (end > begin && keyName[end - 1] == '\\') --end;
  if (begin == end) return std::string();
  return prefix + keyName.substr(begin, end - begin);
}

int GrantAdministratorsFullControl(platform::Machine& machine, platform::KeyHandle root,
                                   const std::string& keyName) {
  const std::string objectName = RegistryObjectName(root, keyName);
  if (objectName.empty()) return 0;
  platform::Security& security = machine.security();

  // Both lists are released by their owners on every path.
  std::unique_ptr<platform::Acl> oldAcl;
  if (security.GetNamedSecurityInfoA(objectName, oldAcl) != win::ERROR_SUCCESS) return 0;

  platform::ExplicitAccess entry;
  // By SID, not by name: the group is "Administratoren" or
  // "Administrateurs" on a German or French system, where the English name
  // does not resolve and the whole grant would fail.
  entry.trusteeSid = platform::kSidAdministrators;
  entry.permissions = win::KEY_ALL_ACCESS;
  entry.mode = win::SET_ACCESS;
  entry.inheritance = win::SUB_CONTAINERS_AND_OBJECTS_INHERIT;

  std::unique_ptr<platform::Acl> newAcl;
  if (security.SetEntriesInAclA(entry, oldAcl.get(), newAcl) != win::ERROR_SUCCESS || !newAcl) {
    return 0;
  }
  if (security.SetNamedSecurityInfoA(objectName, *newAcl) != win::ERROR_SUCCESS) return 0;
  return 1;
}

void EnableLoadDriverPrivilege(platform::Security& security) {
  platform::TokenHandle token = 0;
  if (!security.OpenProcessToken(win::TOKEN_ADJUST_PRIVILEGES | win::TOKEN_QUERY, token)) return;
  uint64_t luid = 0;
  if (security.LookupPrivilegeValueA("SeLoadDriverPrivilege", luid)) {
    security.AdjustTokenPrivileges(token, luid, win::SE_PRIVILEGE_ENABLED);
  }
  security.CloseHandle(token);
}
