#include "platform/sim/sim_security.h"

#include <algorithm>

#include "platform/sim/faults.h"
#include "platform/sim/last_error.h"
#include "platform/sim/names.h"
#include "platform/sim/sim_registry.h"
#include "platform/win_constants.h"

namespace sim {

namespace {

constexpr uint32_t kRevokeAccess = 4;
constexpr uint32_t kDenyAccess = 3;

struct KnownPrivilege {
  const char* name;
  uint64_t luid;
};
constexpr KnownPrivilege kPrivileges[] = {
    {"SeShutdownPrivilege", 19},
    {"SeLoadDriverPrivilege", 10},
    {"SeBackupPrivilege", 17},
};

bool Fail(uint32_t code) {
  SetLastError(code);
  return false;
}

}  // namespace

SimSecurity::SimSecurity(Faults& faults, SimRegistry& registry)
    : faults_(faults), registry_(registry) {}

bool SimSecurity::OpenProcessToken(uint32_t desiredAccess, platform::TokenHandle& token) {
  if (auto fault = faults_.Check("OpenProcessToken")) return Fail(*fault);
  std::lock_guard lock(mutex_);
  token = nextToken_;
  nextToken_ += 4;
  tokens_[token] = desiredAccess;
  return true;
}

bool SimSecurity::LookupPrivilegeValueA(const std::string& privilegeName, uint64_t& luid) {
  if (auto fault = faults_.Check("LookupPrivilegeValueA")) return Fail(*fault);
  for (const auto& p : kPrivileges) {
    if (SameName(p.name, privilegeName)) {
      luid = p.luid;
      return true;
    }
  }
  return Fail(kErrorNoSuchPrivilege);
}

bool SimSecurity::AdjustTokenPrivileges(platform::TokenHandle token, uint64_t luid,
                                        uint32_t attributes) {
  if (auto fault = faults_.Check("AdjustTokenPrivileges")) return Fail(*fault);
  std::lock_guard lock(mutex_);
  auto it = tokens_.find(token);
  if (it == tokens_.end()) return Fail(win::ERROR_INVALID_HANDLE);
  if ((it->second & win::TOKEN_ADJUST_PRIVILEGES) == 0) return Fail(win::ERROR_ACCESS_DENIED);
  const KnownPrivilege* privilege = nullptr;
  for (const auto& p : kPrivileges) {
    if (p.luid == luid) privilege = &p;
  }
  if (!privilege) return Fail(kErrorNoSuchPrivilege);
  if (attributes & win::SE_PRIVILEGE_ENABLED) {
    enabled_.insert(privilege->name);
  } else {
    enabled_.erase(privilege->name);
  }
  SetLastError(win::ERROR_SUCCESS);
  return true;
}

bool SimSecurity::CloseHandle(platform::TokenHandle token) {
  if (auto fault = faults_.Check("CloseHandle")) return Fail(*fault);
  std::lock_guard lock(mutex_);
  if (tokens_.erase(token) == 0) return Fail(win::ERROR_INVALID_HANDLE);
  return true;
}

bool SimSecurity::GetProcessUserSid(std::string& sid) {
  if (auto fault = faults_.Check("GetProcessUserSid")) return Fail(*fault);
  std::lock_guard lock(mutex_);
  sid = processUser_;
  return true;
}

void SimSecurity::SetProcessUser(const std::string& sid) {
  std::lock_guard lock(mutex_);
  processUser_ = sid;
}

uint32_t SimSecurity::Resolve(const std::string& objectName, uint64_t& root,
                              std::string& path) const {
  struct Prefix {
    const char* text;
    uint64_t root;
    const char* below;
  };
  static const Prefix kPrefixes[] = {
      {"MACHINE\\", platform::kHkeyLocalMachine, ""},
      {"CURRENT_USER\\", platform::kHkeyCurrentUser, ""},
      {"CLASSES_ROOT\\", platform::kHkeyLocalMachine, "Software\\Classes\\"},
      {"USERS\\", 0, ""},
  };
  for (const auto& p : kPrefixes) {
    const std::string text = p.text;
    if (objectName.compare(0, text.size(), text) != 0) continue;
    if (p.root == 0) return win::ERROR_FILE_NOT_FOUND;
    root = p.root;
    path = std::string(p.below) + objectName.substr(text.size());
    return win::ERROR_SUCCESS;
  }
  return win::ERROR_INVALID_PARAMETER;
}

uint32_t SimSecurity::GetNamedSecurityInfoA(const std::string& objectName,
                                            std::unique_ptr<platform::Acl>& dacl) {
  if (auto fault = faults_.Check("GetNamedSecurityInfoA")) return *fault;
  uint64_t root = 0;
  std::string path;
  if (uint32_t error = Resolve(objectName, root, path)) return error;
  std::vector<platform::ExplicitAccess> entries;
  if (uint32_t error = registry_.ReadAclChecked(root, path, entries)) return error;
  dacl = std::make_unique<SimAcl>(std::move(entries));
  return win::ERROR_SUCCESS;
}

uint32_t SimSecurity::SetEntriesInAclA(const platform::ExplicitAccess& entry,
                                       const platform::Acl* oldAcl,
                                       std::unique_ptr<platform::Acl>& newAcl) {
  if (auto fault = faults_.Check("SetEntriesInAclA")) return *fault;
  std::vector<platform::ExplicitAccess> entries;
  if (oldAcl) {
    const auto* old = dynamic_cast<const SimAcl*>(oldAcl);
    if (!old) return win::ERROR_INVALID_PARAMETER;
    entries = old->entries;
  }
  platform::ExplicitAccess resolved = entry;
  if (uint32_t error = ResolveTrustee(resolved)) return error;
  const auto sameTrustee = [&](const platform::ExplicitAccess& e) {
    return e.trusteeSid.empty() ? SameName(e.trusteeName, resolved.trusteeName)
                                : e.trusteeSid == resolved.trusteeSid;
  };
  switch (entry.mode) {
    case win::SET_ACCESS:
      entries.erase(std::remove_if(entries.begin(), entries.end(), sameTrustee), entries.end());
      entries.push_back(resolved);
      break;
    case win::GRANT_ACCESS: {
      auto it = std::find_if(entries.begin(), entries.end(), [&](const auto& e) {
        return sameTrustee(e) && (e.mode == win::SET_ACCESS || e.mode == win::GRANT_ACCESS);
      });
      if (it != entries.end()) {
        it->permissions |= entry.permissions;
      } else {
        entries.push_back(resolved);
      }
      break;
    }
    case kRevokeAccess:
      entries.erase(std::remove_if(entries.begin(), entries.end(), sameTrustee), entries.end());
      break;
    case kDenyAccess:
      entries.push_back(resolved);
      break;
    default:
      return win::ERROR_INVALID_PARAMETER;
  }
  newAcl = std::make_unique<SimAcl>(std::move(entries));
  return win::ERROR_SUCCESS;
}

uint32_t SimSecurity::ResolveTrustee(platform::ExplicitAccess& entry) const {
  std::lock_guard lock(mutex_);
  const std::pair<std::string, std::string> accounts[] = {
      {platform::kSidSystem, "SYSTEM"},
      {platform::kSidAdministrators, administratorsName_},
      {platform::kSidUsers, usersName_},
  };
  for (const auto& [sid, name] : accounts) {
    if (entry.trusteeSid.empty() ? SameName(entry.trusteeName, name) : entry.trusteeSid == sid) {
      entry.trusteeSid = sid;
      entry.trusteeName = name;
      return win::ERROR_SUCCESS;
    }
  }
  if (entry.trusteeSid.empty() && entry.trusteeName.empty()) return win::ERROR_INVALID_PARAMETER;
  return kErrorNoneMapped;
}

void SimSecurity::SetGroupNames(const std::string& administrators, const std::string& users) {
  std::lock_guard lock(mutex_);
  administratorsName_ = administrators;
  usersName_ = users;
}

uint32_t SimSecurity::SetNamedSecurityInfoA(const std::string& objectName,
                                            const platform::Acl& dacl) {
  if (auto fault = faults_.Check("SetNamedSecurityInfoA")) return *fault;
  const auto* acl = dynamic_cast<const SimAcl*>(&dacl);
  if (!acl) return win::ERROR_INVALID_PARAMETER;
  uint64_t root = 0;
  std::string path;
  if (uint32_t error = Resolve(objectName, root, path)) return error;
  return registry_.WriteAclChecked(root, path, acl->entries);
}

std::vector<std::string> SimSecurity::EnabledPrivileges() const {
  std::lock_guard lock(mutex_);
  return {enabled_.begin(), enabled_.end()};
}

size_t SimSecurity::OpenTokenCount() const {
  std::lock_guard lock(mutex_);
  return tokens_.size();
}

}  // namespace sim
