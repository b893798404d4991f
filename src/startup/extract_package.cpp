#include "startup/extract_package.h"

#include <string>

#include "drivers/driver_name_list.h"
#include "installation/installation.h"
#include "package/archive_library.h"
#include "package/work_area.h"
#include "platform/win_constants.h"

namespace {

constexpr uint32_t kMaxPath = 260;
constexpr const char* kPackageName = "DriverData.Drv";

std::string InFolder(const std::string& folder, const std::string& name) {
  return folder.empty() || folder.back() == '\\' ? folder + name : folder + "\\" + name;
}

bool IsFile(platform::FileSystem& files, const std::string& path) {
  const uint32_t attributes = files.GetFileAttributesA(path);
  return attributes != win::INVALID_FILE_ATTRIBUTES &&
         (attributes & win::FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// The first place that holds a package: a file as it is, a folder by the
// package's name in it. Empty when none does.
std::string FindPackage(platform::FileSystem& files, const StringList& places) {
  for (const std::string& place : places) {
    if (IsFile(files, place)) return place;
    if (IsFile(files, InFolder(place, kPackageName))) return InFolder(place, kPackageName);
  }
  return std::string();
}

}  // namespace

std::string UnsafeWorkAreaText(const std::string& entry) {
  const bool folder = entry != kDriverNameFile;
  return std::string(folder ? "The folder " : "The file ") + entry +
         " is not safe to use: it is a link or belongs to another user.\r\nRemove it, then run "
         "the installer again.";
}

void ExtractPackage(Installation& installation, platform::WindowId owner) {
  // Without a place given the package is looked for in the current
  // directory, not beside the program: whoever starts the installer decides
  // where the package lies.
  std::string archivePath;
  if (installation.packagePlaces.empty()) {
    std::string directory;
    installation.machine.files().GetCurrentDirectoryA(directory, kMaxPath);
    archivePath = InFolder(directory, kPackageName);
  } else {
    // None found: nothing is unpacked, and the run says where it looked.
    archivePath = FindPackage(installation.machine.files(), installation.packagePlaces);
  }
  installation.packagePath = archivePath;

  // The installer runs as administrator and hands what lies in the work
  // area to the spooler, which loads it as SYSTEM: an entry a standard user
  // made (or pointed elsewhere with a link) is neither used nor touched.
  platform::FileSystem& files = installation.machine.files();
  std::string unsafe = UnsafeWorkAreaEntry(installation.machine);
  if (!unsafe.empty()) {
    installation.startupStop = StartupStop::UnsafeWorkArea;
    installation.unsafeWorkAreaEntry = unsafe;
    return;
  }

  // Loaded for this extraction only; the library's own windows belong to
  // the installer's window.
  ArchiveLibrary library(installation.machine);
  library.SetOwnerWindow(owner);
  // Unpacked into folders made for this run alone, never over what an
  // earlier run (or anyone else since) left there. Without a package or a
  // library nothing is unpacked, and the work area stays as it lies.
  if (library.Load() != 0 &&
      files.GetFileAttributesA(archivePath) != win::INVALID_FILE_ATTRIBUTES) {
    unsafe = RenewWorkArea(installation.machine);
    if (!unsafe.empty()) {
      installation.startupStop = StartupStop::UnsafeWorkArea;
      installation.unsafeWorkAreaEntry = unsafe;
      return;
    }
    installation.packageUnpacked = library.Extract(archivePath, "C:\\") != 0;
  }
  library.Unload();
}
