// The archive library of the simulated machine: the same three calls as
// "7-zip32.dll", unpacking 7z, zip and CAB archives with libarchive into the
// simulated drive. Entries that would land outside the destination (a ".."
// component, an absolute path, a drive letter, links) are refused; the rest
// is extracted, each file created new: a file already at an entry's place
// stays as it is and the extraction fails.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "package/archive_entry.h"
#include "platform/archive.h"

namespace sim {

class SimFiles;

// What one extraction did.
struct ExtractReport {
  bool opened = false;                 // the archive could be read as an archive at all
  bool complete = false;               // read to its end without a read or write error
  std::vector<std::string> extracted;  // entry names written (files and folders)
  std::vector<std::string> refused;    // entry names refused as unsafe
  uint64_t bytesWritten = 0;
  std::string error;  // the first error, if any
};

// Maps a checked, relative entry name (with '/' or '\' separators) to the
// host path to write, or an empty path to skip the entry.
using EntryPathMapper = std::function<std::filesystem::path(const std::string& entryName)>;

// Unpacks `archive` (7z, zip or CAB, recognised by content) entry by entry.
// Unsafe entry names and every entry that is not a plain file or folder
// (symbolic and hard links, devices) are refused and listed. With the
// Windows `destination` the entries are meant for, names that do not belong
// there are refused too (IsSafeArchiveEntryAt).
ExtractReport ExtractArchive(const std::filesystem::path& archive, const EntryPathMapper& map,
                             const std::string& destination = std::string());

class SimArchive : public platform::ArchiveDll {
 public:
  explicit SimArchive(SimFiles& files);

  // --- platform::ArchiveDll ---
  bool LoadLibraryA(const std::string& fileName) override;
  void FreeLibrary() override;
  bool IsLoaded() const override;
  bool SetOwnerWindowEx(platform::WindowId owner) override;
  int SevenZip(platform::WindowId owner, const std::string& command, char* output,
               uint32_t outputSize) override;
  bool KillOwnerWindowEx(platform::WindowId owner) override;

  // --- Seeding and inspection ---
  // Absent: LoadLibraryA fails with ERROR_MOD_NOT_FOUND (126) in the
  // calling thread's last-error value. Present, it is found by a full path
  // only: the program searches nothing but the system folder for a bare
  // name.
  void SetPresent(bool present);
  // Makes the next SevenZip calls return `code` without extracting (0 turns
  // the fault off).
  void FailWith(int code);

  int loadCount() const;
  int freeCount() const;
  std::string lastLoadedName() const;
  std::vector<std::string> commands() const;   // every SevenZip command, in order
  platform::WindowId registeredOwner() const;  // 0 when no owner is registered
  // Per SevenZip call: the owner window it was given, and the one
  // SetOwnerWindowEx had registered at the time (0: none).
  struct CallOwner {
    platform::WindowId given = 0;
    platform::WindowId registered = 0;
    bool operator==(const CallOwner&) const = default;
  };
  std::vector<CallOwner> callOwners() const;

 private:
  SimFiles& files_;
  mutable std::mutex mutex_;
  bool present_ = true;
  bool loaded_ = false;
  int failWith_ = 0;
  int loadCount_ = 0;
  int freeCount_ = 0;
  std::string lastLoadedName_;
  std::vector<std::string> commands_;
  std::vector<CallOwner> callOwners_;
  platform::WindowId owner_ = 0;
};

}  // namespace sim
