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
  // "S-1-<authority>-<sub>-<sub>...": at most eight sub-authorities, the
  // authority small enough for the low 32 bits, as every well-known SID is.
  DWORD parts[10] = {};
  int count = 0;
  if (text.compare(0, 4, "S-1-") != 0) return nullptr;
  size_t at = 4;
  while (at < text.size() && count < 10) {
    size_t end = at;
    DWORD value = 0;
    while (end < text.size() && text[end] >= '0' && text[end] <= '9') {
      value = value * 10 + static_cast<DWORD>(text[end] - '0');
      ++end;
    }
    if (end == at || (end < text.size() && text[end] != '-')) return nullptr;
    parts[count++] = value;
    at = end + 1;
  }
  if (count < 2 || count > 9 || at < text.size()) return nullptr;
  SID_IDENTIFIER_AUTHORITY authority{};
  authority.Value[2] = static_cast<BYTE>(parts[0] >> 24);
  authority.Value[3] = static_cast<BYTE>(parts[0] >> 16);
  authority.Value[4] = static_cast<BYTE>(parts[0] >> 8);
  authority.Value[5] = static_cast<BYTE>(parts[0]);
  PSID sid = nullptr;
  if (!::AllocateAndInitializeSid(&authority, static_cast<BYTE>(count - 1), parts[1], parts[2],
                                  parts[3], parts[4], parts[5], parts[6], parts[7], parts[8],
                                  &sid)) {
    return nullptr;
  }
  return sid;
}

std::string SidToString(PSID sid) {
  if (sid == nullptr || !::IsValidSid(sid)) return std::string();
  const SID_IDENTIFIER_AUTHORITY* authority = ::GetSidIdentifierAuthority(sid);
  unsigned long long value = 0;
  for (BYTE b : authority->Value) value = (value << 8) | b;
  std::string text = "S-1-" + std::to_string(value);
  const UCHAR count = *::GetSidSubAuthorityCount(sid);
  for (UCHAR i = 0; i < count; ++i) text += "-" + std::to_string(*::GetSidSubAuthority(sid, i));
  return text;
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
  HANDLE token = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
  DWORD size = 0;
  ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
  std::vector<DWORD> buffer((size + sizeof(DWORD) - 1) / sizeof(DWORD) + 1);
  bool ok = size != 0 && ::GetTokenInformation(token, TokenUser, buffer.data(),
                                               static_cast<DWORD>(buffer.size() * sizeof(DWORD)),
                                               &size) != FALSE;
  const DWORD error = ok ? ERROR_SUCCESS : ::GetLastError();
  ::CloseHandle(token);
  LPSTR text = nullptr;
  if (ok) {
    ok = ::ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &text) !=
         FALSE;
  }
  if (ok) {
    sid = text;
    ::LocalFree(text);
  } else if (error != ERROR_SUCCESS) {
    ::SetLastError(error);
  }
  return ok;
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
  if (sid != nullptr) ::FreeSid(sid);
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
