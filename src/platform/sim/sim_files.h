// The simulated file system: drive C: is a fresh temporary folder of the
// host, removed again by the destructor.
//
// Paths resolve as Windows resolves them: "\" and "/" are both separators
// and repeated ones count as one ("c:\Ticket//x86"), "c:" and "C:" are the
// same drive, existing names match ignoring case, relative paths start at
// the current directory (default "C:\Setup"). Any other drive gives
// ERROR_PATH_NOT_FOUND. Read-only files are kept in a table of their own
// (the host runs as root, where file modes do not stop a deletion).
//
// A host symbolic link stands for a Windows link (a junction or a symbolic
// link): it carries FILE_ATTRIBUTE_REPARSE_POINT, and FILE_ATTRIBUTE_DIRECTORY
// when it points at a folder. As on Windows, paths resolve through it, while
// RemoveDirectoryA of a folder link and DeleteFileA of a file link remove the
// link itself, never what it points at.
//
// Every entry has an owner: Administrators (the installer's own default
// owner) unless a test says otherwise or a folder was created with a
// security of its own. A removed entry forgets its owner.
//
// Profile (INI) reading follows the rules documented at
// GetPrivateProfileStringA and GetPrivateProfileSectionNamesA below.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/files.h"

namespace sim {

class Faults;

class SimFiles : public platform::FileSystem {
 public:
  explicit SimFiles(Faults& faults);
  ~SimFiles() override;
  SimFiles(const SimFiles&) = delete;
  SimFiles& operator=(const SimFiles&) = delete;

  // --- platform::FileSystem ---
  // The copy takes the source's read-only attribute with it, as on Windows.
  bool CopyFileA(const std::string& source, const std::string& target, bool failIfExists) override;
  bool DeleteFileA(const std::string& path) override;
  // Only the delayed move (MOVEFILE_DELAY_UNTIL_REBOOT), which the
  // installer makes: it needs an existing file and is recorded (see
  // PendingMoves); as on Windows, MOVEFILE_COPY_ALLOWED is refused with it.
  // Any other move gives ERROR_NOT_SUPPORTED.
  bool MoveFileExA(const std::string& existing, const std::string& newName,
                   uint32_t flags) override;
  bool CreateDirectoryA(const std::string& path) override;
  bool RemoveDirectoryA(const std::string& path) override;
  // Entries come sorted by name ignoring case (as NTFS lists them), "." and
  // ".." first in every folder but the drive's root. "*.*" matches every
  // name, with or without a dot.
  platform::FindHandle FindFirstFileA(const std::string& pattern,
                                      platform::FindData& data) override;
  bool FindNextFileA(platform::FindHandle find, platform::FindData& data) override;
  bool FindClose(platform::FindHandle find) override;
  uint32_t GetFileAttributesA(const std::string& path) override;
  // A link reports FILE_ATTRIBUTE_REPARSE_POINT and its own owner; a link
  // whose target is gone still exists.
  uint32_t GetEntryOwnerA(const std::string& path, platform::EntryOwner& entry) override;
  bool CreateSecuredDirectoryA(const std::string& path,
                               const platform::FolderSecurity& security) override;
  // When the buffer is too small these return the size needed, the zero
  // included, and leave `directory` alone.
  uint32_t GetCurrentDirectoryA(std::string& directory, uint32_t maxLength) override;
  uint32_t GetSystemDirectoryA(std::string& directory, uint32_t maxLength) override;
  uint32_t GetWindowsDirectoryA(std::string& directory, uint32_t maxLength) override;

  // Profile rules, as Windows reads an INI file:
  // - a file name without a folder is looked for in C:\WINDOWS;
  // - a section line is "[name]" (blanks around it allowed); a key line is
  //   "key=value"; blanks around names and values are trimmed; lines that
  //   begin with ';' are comments; section and key names match ignoring case;
  // - the first matching section and, in it, the first matching key win;
  // - a value that begins and ends with the same quote (" or ') loses both;
  // - a missing file or key gives the default (none: the empty string);
  // - the result is cut to size-1 characters and the return is then size-1;
  //   size 0 returns 0 and writes nothing.
  uint32_t GetPrivateProfileStringA(const std::string& section, const std::string& key,
                                    const char* defaultValue, char* buffer, uint32_t size,
                                    const std::string& fileName) override;
  // Each section name with its zero byte, then one more zero. When that does
  // not fit in `size`, the list keeps the names that fit whole, then as much
  // of the next name as leaves room for two zero bytes at the very end of
  // the buffer, and the return is size-2. A missing file gives 0 and an
  // empty list; size 1 gives a single zero and 0; size 0 writes nothing.
  uint32_t GetPrivateProfileSectionNamesA(char* buffer, uint32_t size,
                                          const std::string& fileName) override;

  // --- Seeding and inspection (no faults) ---
  // Writes a file, creating its folders.
  void WriteFile(const std::string& winPath, const std::string& bytes);
  std::optional<std::string> ReadFile(const std::string& winPath) const;
  bool Exists(const std::string& winPath) const;
  bool IsDirectory(const std::string& winPath) const;
  void MakeDirectory(const std::string& winPath);
  void SetReadOnly(const std::string& winPath, bool readOnly = true);
  // A file loaded by a running program (a DLL the spooler holds): it can be
  // neither overwritten nor deleted (ERROR_SHARING_VIOLATION).
  void SetInUse(const std::string& winPath, bool inUse);
  // A link at `winPath` to `winTarget` (a folder or a file of drive C:).
  void MakeLink(const std::string& winPath, const std::string& winTarget);
  // A second name for the file `winExisting` (a hard link).
  void MakeHardLink(const std::string& winPath, const std::string& winExisting);
  // The owner of an existing entry (a string SID), as its creator left it.
  void SetOwner(const std::string& winPath, const std::string& ownerSid);
  std::string OwnerOf(const std::string& winPath) const;
  // The security a folder was created with; none for an entry made any
  // other way (it inherits from the folder above).
  std::optional<platform::FolderSecurity> SecurityOf(const std::string& winPath) const;
  // Names in a folder, sorted ignoring case (empty when it is missing).
  std::vector<std::string> List(const std::string& winPath) const;
  // The host file behind a Windows path, existing names matched ignoring
  // case, missing ones kept as written. Empty for paths off drive C:.
  std::filesystem::path HostPath(const std::string& winPath) const;
  void SetCurrentDirectory(const std::string& winPath);
  // Search handles not yet closed.
  size_t OpenFindCount() const;
  // The moves scheduled for the next start of Windows, in order.
  struct PendingMove {
    std::string existing;
    std::string newName;
    uint32_t flags = 0;
  };
  std::vector<PendingMove> PendingMoves() const;

  // Windows' own folders on the simulated machine.
  static constexpr const char* kWindowsDirectory = "C:\\WINDOWS";
  static constexpr const char* kSystemDirectory = "C:\\WINDOWS\\system32";

 private:
  struct Resolved {
    bool valid = false;          // on drive C:
    bool parentExists = false;   // every folder above the last name exists
    std::filesystem::path host;  // host path (empty for the root's parent)
    std::string canonical;       // upper-case "C:\A\B", the key of the attribute table
  };
  struct Search {
    std::vector<platform::FindData> entries;
    size_t next = 0;
  };

  Resolved Resolve(const std::string& winPath) const;
  bool IsReadOnly(const Resolved& r) const;
  // Adds the canonical path of `winPath` to `table` (read-only, in use), or
  // takes it out.
  void MarkIn(std::set<std::string>& table, const std::string& winPath, bool on);
  uint32_t ProfileFile(const std::string& fileName, std::string& contents) const;
  // A removed entry's owner and security go with it.
  void Forget(const Resolved& r);

  Faults& faults_;
  std::filesystem::path root_;
  mutable std::mutex mutex_;
  std::string currentDirectory_ = "C:\\Setup";
  std::set<std::string> readOnly_;  // canonical paths
  std::set<std::string> inUse_;     // canonical paths
  std::vector<PendingMove> pendingMoves_;
  std::map<std::string, std::string> owners_;  // canonical path -> SID, when not Administrators
  std::map<std::string, platform::FolderSecurity> secured_;  // canonical path -> as created
  std::map<platform::FindHandle, Search> searches_;
  platform::FindHandle nextFind_ = 0x100;
};

}  // namespace sim
