#include "platform/win32/win32_backends.h"
// After windows.h, which it needs.
#include <aclapi.h>
#include <sddl.h>

#include <vector>

namespace platform::win32 {

namespace {

// An access list and the block that LocalFree must release for it: the
// whole security descriptor when the list came from GetNamedSecurityInfoA,
// the list itself when SetEntriesInAclA made it.
class Win32Acl : public Acl {
 public:
  Win32Acl(PACL acl, HLOCAL owner) : acl_(acl), owner_(owner) {}
  ~Win32Acl() override {
    if (owner_ != nullptr) ::LocalFree(owner_);
  }
  PACL get() const { return acl_; }

 private:
  PACL acl_;
  HLOCAL owner_;
};

}  // namespace

PSID AllocateSidFromString(const std::string& text) {
  PSID sid = nullptr;
  return ::ConvertStringSidToSidA(text.c_str(), &sid) ? sid : nullptr;
}

std::string SidToString(PSID sid) {
  LocalBlock<LPSTR> text;
  if (sid == nullptr || !::ConvertSidToStringSidA(sid, text.receive())) return std::string();
  return text.get();
}

std::string OwnerOf(HANDLE object, SE_OBJECT_TYPE type) {
  PSID owner = nullptr;
  LocalBlock<PSECURITY_DESCRIPTOR> descriptor;
  if (::GetSecurityInfo(object, type, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr,
                        descriptor.receive()) != ERROR_SUCCESS) {
    return std::string();
  }
  return SidToString(owner);
}

std::string ProcessTokenSid(TOKEN_INFORMATION_CLASS which) {
  HANDLE token = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return std::string();
  DWORD size = 0;
  ::GetTokenInformation(token, which, nullptr, 0, &size);
  std::vector<BYTE> buffer(size == 0 ? 1 : size);
  std::string sid;
  if (::GetTokenInformation(token, which, buffer.data(), size, &size)) {
    sid = SidToString(which == TokenUser ? reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid
                                         : reinterpret_cast<TOKEN_OWNER*>(buffer.data())->Owner);
  }
  ::CloseHandle(token);
  return sid;
}

bool Win32Security::OpenProcessToken(uint32_t desiredAccess, TokenHandle& token) {
  HANDLE handle = nullptr;
  BOOL ok = ::OpenProcessToken(::GetCurrentProcess(), desiredAccess, &handle);
  token = ok ? FromHandle(handle) : 0;
  return ok != FALSE;
}

bool Win32Security::LookupPrivilegeValueA(const std::string& privilegeName, uint64_t& luid) {
  LUID value{};
  BOOL ok = ::LookupPrivilegeValueA(nullptr, privilegeName.c_str(), &value);
  if (ok) {
    luid = (static_cast<uint64_t>(static_cast<uint32_t>(value.HighPart)) << 32) | value.LowPart;
  }
  return ok != FALSE;
}

bool Win32Security::AdjustTokenPrivileges(TokenHandle token, uint64_t luid, uint32_t attributes) {
  TOKEN_PRIVILEGES privileges{};
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Luid.LowPart = static_cast<DWORD>(luid & 0xFFFFFFFFu);
  privileges.Privileges[0].Luid.HighPart = static_cast<LONG>(luid >> 32);
  privileges.Privileges[0].Attributes = attributes;
  return ::AdjustTokenPrivileges(ToHandle(token), FALSE, &privileges, 0, nullptr, nullptr) != FALSE;
}

bool Win32Security::CloseHandle(TokenHandle token) {
  return ::CloseHandle(ToHandle(token)) != FALSE;
}

bool Win32Security::GetProcessUserSid(std::string& sid) {
  sid = ProcessTokenSid(TokenUser);
  return !sid.empty();
}

uint32_t Win32Security::GetNamedSecurityInfoA(const std::string& objectName,
                                              std::unique_ptr<Acl>& dacl) {
  PACL acl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  DWORD status =
      ::GetNamedSecurityInfoA(objectName.c_str(), SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION,
                              nullptr, nullptr, &acl, nullptr, &descriptor);
  if (status == ERROR_SUCCESS) {
    dacl = std::make_unique<Win32Acl>(acl, descriptor);
  } else {
    dacl.reset();
  }
  return status;
}

uint32_t Win32Security::SetEntriesInAclA(const ExplicitAccess& entry, const Acl* oldAcl,
                                         std::unique_ptr<Acl>& newAcl) {
  MutableString trustee(entry.trusteeName);
  EXPLICIT_ACCESS_A access{};
  ::BuildExplicitAccessWithNameA(&access, trustee.get(), entry.permissions,
                                 static_cast<ACCESS_MODE>(entry.mode), entry.inheritance);
  PSID sid = nullptr;
  if (!entry.trusteeSid.empty()) {
    sid = AllocateSidFromString(entry.trusteeSid);
    if (sid == nullptr) return ERROR_INVALID_SID;
    ::BuildTrusteeWithSidA(&access.Trustee, sid);
  }
  PACL previous = oldAcl != nullptr ? static_cast<const Win32Acl*>(oldAcl)->get() : nullptr;
  PACL made = nullptr;
  // The new list holds a copy of the SID.
  DWORD status = ::SetEntriesInAclA(1, &access, previous, &made);
  if (sid != nullptr) ::LocalFree(sid);
  if (status == ERROR_SUCCESS) {
    newAcl = std::make_unique<Win32Acl>(made, made);
  } else {
    newAcl.reset();
  }
  return status;
}

uint32_t Win32Security::SetNamedSecurityInfoA(const std::string& objectName, const Acl& dacl) {
  MutableString name(objectName);
  return ::SetNamedSecurityInfoA(name.get(), SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr,
                                 nullptr, static_cast<const Win32Acl&>(dacl).get(), nullptr);
}

}  // namespace platform::win32
