// Files, folders, system folders and INI (profile) reading, one to one with
// the ANSI kernel calls. BOOL-returning calls leave their error in the
// machine's last-error value.
#pragma once

#include <cstdint>
#include <string>

#include "platform/handles.h"

namespace platform {

struct FindData {  // WIN32_FIND_DATAA, the fields the installer reads
  uint32_t attributes = 0;
  std::string fileName;
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

}  // namespace platform
