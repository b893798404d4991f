#include "package/work_area.h"

#include <cstdio>

#include "platform/win_constants.h"

namespace {

// The system's path limit, terminating zero included.
constexpr size_t kMaxPath = 260;

// Formats "<a>//<b>" into a path buffer of the system's size. False when the
// result would not fit: a cut path could name another file than the one
// found, so such an entry is left alone.
bool JoinPath(const std::string& a, const std::string& b, std::string& out) {
  char buffer[kMaxPath];
  const int n = std::snprintf(buffer, sizeof buffer, "%s//%s", a.c_str(), b.c_str());
  if (n < 0 || static_cast<size_t>(n) >= sizeof buffer) return false;
  out.assign(buffer, static_cast<size_t>(n));
  return true;
}

}  // namespace

bool DeleteTree(platform::Machine& machine, const std::string& path) {
  platform::FileSystem& files = machine.files();
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
        // A junction or symbolic link goes as the link itself: what it points
        // at may be anywhere on the machine, and is not ours.
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
  DeleteTree(machine, "c:\\Barcode");
  DeleteTree(machine, "c:\\Ticket");
  machine.files().DeleteFileA("c:\\DriverName.cfg");
}
