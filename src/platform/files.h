// Files, folders, system folders and INI (profile) reading, one to one with
// the ANSI kernel calls. BOOL-returning calls leave their error in the
// machine's last-error value.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/handles.h"
#include "platform/security.h"

namespace platform {

struct FindData {  // WIN32_FIND_DATAA, the fields the installer reads
  uint32_t attributes = 0;
  std::string fileName;
};

// An entry's own attributes and owner (BY_HANDLE_FILE_INFORMATION's
// attributes; the owner SID as ConvertSidToStringSidA writes it).
struct EntryOwner {
  uint32_t attributes = 0;
  std::string ownerSid;
};

// One allowed access entry of a new folder, inherited by the folders and
// files created below it (OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE).
struct AllowedAccess {
  std::string sid;
  uint32_t access = 0;
};
// The security of a new folder: its owner and a protected access list (one
// that inherits nothing from the folder above).
struct FolderSecurity {
  std::string ownerSid;
  std::vector<AllowedAccess> allowed;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  virtual bool CopyFileA(const std::string& source, const std::string& target,
                         bool failIfExists) = 0;
  virtual bool DeleteFileA(const std::string& path) = 0;
  // `flags` are MOVEFILE_* values. With MOVEFILE_DELAY_UNTIL_REBOOT nothing
  // moves now: Windows makes the move at its next start, before any program
  // can load the target.
  virtual bool MoveFileExA(const std::string& existing, const std::string& newName,
                           uint32_t flags) = 0;
  virtual bool CreateDirectoryA(const std::string& path) = 0;
  virtual bool RemoveDirectoryA(const std::string& path) = 0;
  // Returns 0 (and sets the last error) when nothing matches.
  virtual FindHandle FindFirstFileA(const std::string& pattern, FindData& data) = 0;
  virtual bool FindNextFileA(FindHandle find, FindData& data) = 0;
  virtual bool FindClose(FindHandle find) = 0;
  // INVALID_FILE_ATTRIBUTES (0xFFFFFFFF) when the path does not exist.
  virtual uint32_t GetFileAttributesA(const std::string& path) = 0;
  // The attributes and owner of the entry at `path` itself, read from one
  // handle opened without following a link at the last component
  // (CreateFileA with FILE_FLAG_OPEN_REPARSE_POINT and
  // FILE_FLAG_BACKUP_SEMANTICS, GetFileInformationByHandle, GetSecurityInfo
  // for the owner): a link reports itself, never what it points at. A
  // Windows error code (ERROR_FILE_NOT_FOUND when nothing is there).
  virtual uint32_t GetEntryOwnerA(const std::string& path, EntryOwner& entry) = 0;
  // CreateDirectoryA with a security descriptor made of `security`.
  virtual bool CreateSecuredDirectoryA(const std::string& path, const FolderSecurity& security) = 0;

  // These return the length written, 0 on failure, like their namesakes;
  // `maxLength` is the size of the caller's buffer.
  virtual uint32_t GetCurrentDirectoryA(std::string& directory, uint32_t maxLength) = 0;
  virtual uint32_t GetSystemDirectoryA(std::string& directory, uint32_t maxLength) = 0;
  virtual uint32_t GetWindowsDirectoryA(std::string& directory, uint32_t maxLength) = 0;

  // Profile reading with the Win32 buffer semantics: names cut to the
  // buffer, the section list ended by a second zero byte.
  virtual uint32_t GetPrivateProfileSectionNamesA(char* buffer, uint32_t size,
                                                  const std::string& fileName) = 0;
  // `defaultValue` null means no default.
  virtual uint32_t GetPrivateProfileStringA(const std::string& section, const std::string& key,
                                            const char* defaultValue, char* buffer, uint32_t size,
                                            const std::string& fileName) = 0;
};

// True when `path` names a file that exists, not a folder.
bool IsFile(FileSystem& files, const std::string& path);

}  // namespace platform
