#include "platform/win32/win32_backends.h"

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
