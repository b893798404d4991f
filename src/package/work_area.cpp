#include "package/work_area.h"

#include <cstdio>

#include "platform/win_constants.h"

namespace {

constexpr const char* kWorkFolders[] = {"C:\\Ticket", "C:\\Barcode"};
constexpr const char* kNameListFile = "C:\\DriverName.cfg";

// Formats "<a>//<b>" into a path buffer of the system's size. False when the
// result would not fit: a cut path could name another file than the one
// found, so such an entry is left alone.
bool JoinPath(const std::string& a, const std::string& b, std::string& out) {
  char buffer[win::MAX_PATH];
  const int n = std::snprintf(buffer, sizeof buffer, "%s//%s", a.c_str(), b.c_str());
  if (n < 0 || static_cast<size_t>(n) >= sizeof buffer) return false;
  out.assign(buffer, static_cast<size_t>(n));
  return true;
}

bool IsLink(uint32_t attributes) {
  return attributes != win::INVALID_FILE_ATTRIBUTES &&
         (attributes & win::FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

// Removes a link as the link: a folder link like an empty folder, a file
// link like a file. What it points at stays.
void RemoveLink(platform::FileSystem& files, const std::string& path, uint32_t attributes) {
  if ((attributes & win::FILE_ATTRIBUTE_DIRECTORY) != 0) {
    files.RemoveDirectoryA(path);
  } else {
    files.DeleteFileA(path);
  }
}

}  // namespace

WorkAreaEntry InspectWorkAreaEntry(platform::Machine& machine, const std::string& path,
                                   uint32_t* attributes) {
  platform::EntryOwner entry;
  const uint32_t error = machine.files().GetEntryOwnerA(path, entry);
  if (error == win::ERROR_FILE_NOT_FOUND || error == win::ERROR_PATH_NOT_FOUND) {
    return WorkAreaEntry::Missing;
  }
  // An entry whose owner cannot be read was made so by someone else.
  if (error != win::ERROR_SUCCESS) return WorkAreaEntry::Foreign;
  if (attributes != nullptr) *attributes = entry.attributes;
  if (IsLink(entry.attributes)) return WorkAreaEntry::Link;
  // Only these accounts can write where a standard user cannot; anything
  // else may have been placed by a user for the installer to pick up.
  for (const char* trusted :
       {platform::kSidAdministrators, platform::kSidSystem, platform::kSidTrustedInstaller}) {
    if (entry.ownerSid == trusted) return WorkAreaEntry::Ours;
  }
  // Where objects belong to their creator, what the installer's own account
  // made (an administrator's, or SYSTEM's) is its own too.
  std::string self;
  if (machine.security().GetProcessUserSid(self) && entry.ownerSid == self) {
    return WorkAreaEntry::Ours;
  }
  return WorkAreaEntry::Foreign;
}

bool DeleteTree(platform::Machine& machine, const std::string& path) {
  platform::FileSystem& files = machine.files();
  // A junction or symbolic link goes as the link itself: what it points at
  // may be anywhere on the machine, and is not ours. The top is checked as
  // every folder below it is.
  if (IsLink(files.GetFileAttributesA(path))) return files.RemoveDirectoryA(path);
  std::string pattern;
  if (JoinPath(path, "*.*", pattern)) {
    platform::FindData found;
    const platform::FindHandle find = files.FindFirstFileA(pattern, found);
    if (find != 0) {
      do {
        if (found.fileName == "." || found.fileName == "..") continue;
        std::string child;
        if (!JoinPath(path, found.fileName, child)) continue;
        const bool folder = (found.attributes & win::FILE_ATTRIBUTE_DIRECTORY) != 0;
        const bool link = (found.attributes & win::FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        if (folder && !link) {
          DeleteTree(machine, child);
        } else if (folder) {
          files.RemoveDirectoryA(child);
        } else {
          // A file that cannot go (read-only, in use) keeps its folder chain.
          files.DeleteFileA(child);
        }
      } while (files.FindNextFileA(find, found));
      files.FindClose(find);
    }
  }
  return files.RemoveDirectoryA(path);
}

void RemoveWorkArea(platform::Machine& machine) {
  platform::FileSystem& files = machine.files();
  // Another account's entry is not the installer's to remove: going
  // through it as administrator would also go wherever its owner has
  // pointed links below it in the meantime.
  struct Entry {
    const char* path;
    bool folder;
  };
  for (const Entry& entry : {Entry{"c:\\Barcode", true}, Entry{"c:\\Ticket", true},
                             Entry{"c:\\DriverName.cfg", false}}) {
    uint32_t attributes = 0;
    switch (InspectWorkAreaEntry(machine, entry.path, &attributes)) {
      case WorkAreaEntry::Ours:
        if (entry.folder) {
          DeleteTree(machine, entry.path);
        } else {
          files.DeleteFileA(entry.path);
        }
        break;
      case WorkAreaEntry::Link:
        RemoveLink(files, entry.path, attributes);
        break;
      case WorkAreaEntry::Missing:
      case WorkAreaEntry::Foreign:
        break;
    }
  }
}

std::string UnsafeWorkAreaEntry(platform::Machine& machine) {
  for (const char* path : {kWorkFolders[0], kWorkFolders[1], kNameListFile}) {
    const WorkAreaEntry entry = InspectWorkAreaEntry(machine, path);
    if (entry == WorkAreaEntry::Link || entry == WorkAreaEntry::Foreign) return path;
  }
  return std::string();
}

std::string RenewWorkArea(platform::Machine& machine) {
  RemoveWorkArea(machine);
  platform::FolderSecurity security;
  security.ownerSid = platform::kSidAdministrators;
  security.allowed = {{platform::kSidSystem, win::FILE_ALL_ACCESS},
                      {platform::kSidAdministrators, win::FILE_ALL_ACCESS},
                      {platform::kSidUsers, win::FILE_GENERIC_READ | win::FILE_GENERIC_EXECUTE}};
  for (const char* folder : kWorkFolders) {
    // Made here and now, or not used: a folder that is already there again
    // was made by someone else after the removal.
    if (!machine.files().CreateSecuredDirectoryA(folder, security)) return folder;
  }
  return std::string();
}
