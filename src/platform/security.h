// Token privileges and registry-key access lists, one to one with the calls.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/handles.h"

namespace platform {

// Well-known accounts as string SIDs: the same on every language of Windows,
// unlike their names.
inline constexpr const char* kSidSystem = "S-1-5-18";
inline constexpr const char* kSidAdministrators = "S-1-5-32-544";
inline constexpr const char* kSidUsers = "S-1-5-32-545";
inline constexpr const char* kSidTrustedInstaller =
    "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";

// EXPLICIT_ACCESS_A: built with BuildExplicitAccessWithNameA, or with the
// trustee set by BuildTrusteeWithSidA when `trusteeSid` is given.
struct ExplicitAccess {
  std::string trusteeName;
  uint32_t permissions = 0;
  uint32_t mode = 0;
  uint32_t inheritance = 0;
  // A SID in its string form ("S-1-5-32-544"): names the trustee on a
  // system of any language, where the group names are translated.
  std::string trusteeSid = std::string();
};

// A discretionary access list obtained from or made by the system, freed
// (LocalFree) by its destructor.
class Acl {
 public:
  virtual ~Acl() = default;
};

class Security {
 public:
  virtual ~Security() = default;

  // For the current process.
  virtual bool OpenProcessToken(uint32_t desiredAccess, TokenHandle& token) = 0;
  // On the local system; the LUID packed into 64 bits.
  virtual bool LookupPrivilegeValueA(const std::string& privilegeName, uint64_t& luid) = 0;
  // One privilege, DisableAllPrivileges FALSE, no previous state.
  virtual bool AdjustTokenPrivileges(TokenHandle token, uint64_t luid, uint32_t attributes) = 0;
  virtual bool CloseHandle(TokenHandle token) = 0;
  // The account the process runs as (its token's TokenUser), as a string
  // SID: OpenProcessToken with TOKEN_QUERY, GetTokenInformation,
  // ConvertSidToStringSidA. False when it cannot be read.
  virtual bool GetProcessUserSid(std::string& sid) = 0;

  // Object type SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION only. The object
  // name begins with CLASSES_ROOT\, CURRENT_USER\, MACHINE\ or USERS\.
  // Return Windows error codes.
  virtual uint32_t GetNamedSecurityInfoA(const std::string& objectName,
                                         std::unique_ptr<Acl>& dacl) = 0;
  virtual uint32_t SetEntriesInAclA(const ExplicitAccess& entry, const Acl* oldAcl,
                                    std::unique_ptr<Acl>& newAcl) = 0;
  virtual uint32_t SetNamedSecurityInfoA(const std::string& objectName, const Acl& dacl) = 0;
};

}  // namespace platform
