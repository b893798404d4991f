#include "platform/win32/win32_backends.h"
// After windows.h, which it needs.
#include <sddl.h>

namespace platform::win32 {

namespace {

void Copy(const WIN32_FIND_DATAA& from, FindData& to) {
  to.attributes = from.dwFileAttributes;
  to.fileName = from.cFileName;
}

// The folder queries share their buffer rule: the length written, or the
// size needed (nothing written) when the caller's buffer is too small.
template <typename Query>
uint32_t QueryFolder(Query query, std::string& directory, uint32_t maxLength) {
  std::vector<char> buffer(maxLength + 1, '\0');
  UINT length = query(buffer.data(), maxLength);
  if (length > 0 && length < maxLength) directory.assign(buffer.data(), length);
  return length;
}

}  // namespace

bool Win32FileSystem::CopyFileA(const std::string& source, const std::string& target,
                                bool failIfExists) {
  return ::CopyFileA(source.c_str(), target.c_str(), failIfExists) != FALSE;
}

bool Win32FileSystem::DeleteFileA(const std::string& path) {
  return ::DeleteFileA(path.c_str()) != FALSE;
}

bool Win32FileSystem::MoveFileExA(const std::string& existing, const std::string& newName,
                                  uint32_t flags) {
  return ::MoveFileExA(existing.c_str(), newName.c_str(), flags) != FALSE;
}

bool Win32FileSystem::CreateDirectoryA(const std::string& path) {
  return ::CreateDirectoryA(path.c_str(), nullptr) != FALSE;
}

bool Win32FileSystem::RemoveDirectoryA(const std::string& path) {
  return ::RemoveDirectoryA(path.c_str()) != FALSE;
}

FindHandle Win32FileSystem::FindFirstFileA(const std::string& pattern, FindData& data) {
  WIN32_FIND_DATAA found{};
  HANDLE find = ::FindFirstFileA(pattern.c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return 0;
  Copy(found, data);
  return FromHandle(find);
}

bool Win32FileSystem::FindNextFileA(FindHandle find, FindData& data) {
  WIN32_FIND_DATAA found{};
  if (!::FindNextFileA(ToHandle(find), &found)) return false;
  Copy(found, data);
  return true;
}

bool Win32FileSystem::FindClose(FindHandle find) { return ::FindClose(ToHandle(find)) != FALSE; }

uint32_t Win32FileSystem::GetFileAttributesA(const std::string& path) {
  return ::GetFileAttributesA(path.c_str());
}

uint32_t Win32FileSystem::GetEntryOwnerA(const std::string& path, EntryOwner& entry) {
  // One handle for both answers, opened on the entry itself: a link is
  // reported as a link, and nothing can be swapped in between the two reads.
  HANDLE handle =
      ::CreateFileA(path.c_str(), READ_CONTROL | FILE_READ_ATTRIBUTES,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return ::GetLastError();
  DWORD status = ERROR_SUCCESS;
  BY_HANDLE_FILE_INFORMATION information{};
  if (!::GetFileInformationByHandle(handle, &information)) status = ::GetLastError();
  const std::string owner =
      status == ERROR_SUCCESS ? OwnerOf(handle, SE_FILE_OBJECT) : std::string();
  if (status == ERROR_SUCCESS && owner.empty()) status = ERROR_INVALID_OWNER;
  if (status == ERROR_SUCCESS) {
    entry.attributes = information.dwFileAttributes;
    entry.ownerSid = owner;
  }
  ::CloseHandle(handle);
  return status;
}

namespace {

// CreateDirectoryA with a descriptor made of `security`; the error of the
// call that failed, read before any block is released.
DWORD CreateSecured(const std::string& path, const FolderSecurity& security) {
  // The accounts by their SIDs: names differ from one language of Windows
  // to the next.
  LocalBlock<PSID> owner;
  if (!::ConvertStringSidToSidA(security.ownerSid.c_str(), owner.receive())) {
    return ::GetLastError();
  }
  std::vector<std::unique_ptr<LocalBlock<PSID>>> sids;
  DWORD aclSize = sizeof(ACL);
  for (const AllowedAccess& allowed : security.allowed) {
    sids.push_back(std::make_unique<LocalBlock<PSID>>());
    if (!::ConvertStringSidToSidA(allowed.sid.c_str(), sids.back()->receive())) {
      return ::GetLastError();
    }
    aclSize += sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD) + ::GetLengthSid(sids.back()->get());
  }
  std::vector<DWORD> aclBuffer((aclSize + sizeof(DWORD) - 1) / sizeof(DWORD));
  PACL acl = reinterpret_cast<PACL>(aclBuffer.data());
  if (!::InitializeAcl(acl, aclSize, ACL_REVISION)) return ::GetLastError();
  for (size_t i = 0; i < sids.size(); ++i) {
    if (!::AddAccessAllowedAceEx(acl, ACL_REVISION, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE,
                                 security.allowed[i].access, sids[i]->get())) {
      return ::GetLastError();
    }
  }
  SECURITY_DESCRIPTOR descriptor{};
  // Protected: nothing of the parent's list (on C:\ it lets every
  // authenticated user change what is created below) reaches the folder.
  if (!::InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) ||
      !::SetSecurityDescriptorOwner(&descriptor, owner.get(), FALSE) ||
      !::SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE) ||
      !::SetSecurityDescriptorControl(&descriptor, SE_DACL_PROTECTED, SE_DACL_PROTECTED)) {
    return ::GetLastError();
  }
  SECURITY_ATTRIBUTES attributes{sizeof attributes, &descriptor, FALSE};
  if (!::CreateDirectoryA(path.c_str(), &attributes)) return ::GetLastError();
  return ERROR_SUCCESS;
}

}  // namespace

bool Win32FileSystem::CreateSecuredDirectoryA(const std::string& path,
                                              const FolderSecurity& security) {
  const DWORD error = CreateSecured(path, security);
  if (error != ERROR_SUCCESS) ::SetLastError(error);
  return error == ERROR_SUCCESS;
}

uint32_t Win32FileSystem::GetCurrentDirectoryA(std::string& directory, uint32_t maxLength) {
  return QueryFolder([](char* buffer, UINT size) { return ::GetCurrentDirectoryA(size, buffer); },
                     directory, maxLength);
}

uint32_t Win32FileSystem::GetSystemDirectoryA(std::string& directory, uint32_t maxLength) {
  return QueryFolder([](char* buffer, UINT size) { return ::GetSystemDirectoryA(buffer, size); },
                     directory, maxLength);
}

uint32_t Win32FileSystem::GetWindowsDirectoryA(std::string& directory, uint32_t maxLength) {
  return QueryFolder([](char* buffer, UINT size) { return ::GetWindowsDirectoryA(buffer, size); },
                     directory, maxLength);
}

uint32_t Win32FileSystem::GetPrivateProfileSectionNamesA(char* buffer, uint32_t size,
                                                         const std::string& fileName) {
  return ::GetPrivateProfileSectionNamesA(buffer, size, fileName.c_str());
}

uint32_t Win32FileSystem::GetPrivateProfileStringA(const std::string& section,
                                                   const std::string& key, const char* defaultValue,
                                                   char* buffer, uint32_t size,
                                                   const std::string& fileName) {
  return ::GetPrivateProfileStringA(section.c_str(), key.c_str(), defaultValue, buffer, size,
                                    fileName.c_str());
}

}  // namespace platform::win32
