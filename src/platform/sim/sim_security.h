// Token privileges and registry-key access lists of the simulated machine.
// The access lists live in the simulated registry, one per key.
//
// Object names begin with "MACHINE\", "CURRENT_USER\" or "CLASSES_ROOT\"
// (case-sensitive, as Wine compares them; "CLASSES_ROOT\" is
// HKLM\Software\Classes); "USERS\" is recognised but holds no keys here.
// Any other name gives ERROR_INVALID_PARAMETER, a missing key
// ERROR_FILE_NOT_FOUND, a denied key ERROR_ACCESS_DENIED.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platform/security.h"

namespace sim {

class Faults;
class SimRegistry;

inline constexpr uint32_t kErrorNoSuchPrivilege = 1313;
inline constexpr uint32_t kErrorNotAllAssigned = 1300;
inline constexpr uint32_t kErrorNoneMapped = 1332;

// The access list handed out by the simulated calls.
class SimAcl : public platform::Acl {
 public:
  explicit SimAcl(std::vector<platform::ExplicitAccess> entries) : entries(std::move(entries)) {}
  std::vector<platform::ExplicitAccess> entries;
};

class SimSecurity : public platform::Security {
 public:
  SimSecurity(Faults& faults, SimRegistry& registry);

  // --- platform::Security ---
  bool OpenProcessToken(uint32_t desiredAccess, platform::TokenHandle& token) override;
  // Knows "SeLoadDriverPrivilege", "SeShutdownPrivilege" and
  // "SeBackupPrivilege"; others give ERROR_NO_SUCH_PRIVILEGE.
  bool LookupPrivilegeValueA(const std::string& privilegeName, uint64_t& luid) override;
  // Needs a token opened with TOKEN_ADJUST_PRIVILEGES. A privilege the
  // process does not hold is not enabled: the call still succeeds and leaves
  // ERROR_NOT_ALL_ASSIGNED, as Windows does.
  bool AdjustTokenPrivileges(platform::TokenHandle token, uint64_t luid,
                             uint32_t attributes) override;
  bool CloseHandle(platform::TokenHandle token) override;
  bool GetProcessUserSid(std::string& sid) override;
  uint32_t GetNamedSecurityInfoA(const std::string& objectName,
                                 std::unique_ptr<platform::Acl>& dacl) override;
  // SET_ACCESS replaces the trustee's entries, GRANT_ACCESS adds rights to
  // them, REVOKE_ACCESS removes them, DENY_ACCESS appends. The trustee, by
  // name (ignoring case) or by SID, must be one of the machine's accounts
  // (SYSTEM, the Administrators and Users groups under their local names),
  // else ERROR_NONE_MAPPED; the entries made carry both name and SID. Other
  // entries stay as they were.
  uint32_t SetEntriesInAclA(const platform::ExplicitAccess& entry, const platform::Acl* oldAcl,
                            std::unique_ptr<platform::Acl>& newAcl) override;
  uint32_t SetNamedSecurityInfoA(const std::string& objectName, const platform::Acl& dacl) override;

  // --- Seeding and inspection ---
  // Privileges the process holds (default: all known ones).
  std::vector<std::string> EnabledPrivileges() const;
  size_t OpenTokenCount() const;
  // The account the installer runs as: an administrator's by default.
  void SetProcessUser(const std::string& sid);
  static constexpr const char* kDefaultProcessUser = "S-1-5-21-1004336348-1177238915-682003330-500";
  // The local names of the built-in groups: a German system's are
  // "Administratoren" and "Benutzer".
  void SetGroupNames(const std::string& administrators, const std::string& users);

 private:
  uint32_t Resolve(const std::string& objectName, uint64_t& root, std::string& path) const;
  // Fills in the SID and local name of the entry's trustee.
  uint32_t ResolveTrustee(platform::ExplicitAccess& entry) const;

  Faults& faults_;
  SimRegistry& registry_;
  mutable std::mutex mutex_;
  std::set<std::string> enabled_;
  std::map<platform::TokenHandle, uint32_t> tokens_;  // handle -> access
  platform::TokenHandle nextToken_ = 0x4000;
  std::string processUser_ = kDefaultProcessUser;
  std::string administratorsName_ = "Administrators";
  std::string usersName_ = "Users";
};

}  // namespace sim
