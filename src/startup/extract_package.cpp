#include "startup/extract_package.h"

#include <string>

#include "drivers/driver_name_list.h"
#include "installation/installation.h"
#include "package/archive_library.h"
#include "package/work_area.h"
#include "platform/win_constants.h"

namespace {

constexpr const char* kPackageName = "DriverData.Drv";

std::string InFolder(const std::string& folder, const std::string& name) {
  return folder.empty() || folder.back() == '\\' ? folder + name : folder + "\\" + name;
}

// The first place that holds a package: a file as it is, a folder by the
// package's name in it. Empty when none does.
std::string FindPackage(platform::FileSystem& files, const StringList& places) {
  for (const std::string& place : places) {
    if (platform::IsFile(files, place)) return place;
    if (platform::IsFile(files, InFolder(place, kPackageName)))
      return InFolder(place, kPackageName);
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
    installation.machine.files().GetCurrentDirectoryA(directory, win::MAX_PATH);
    archivePath = InFolder(directory, kPackageName);
  } else {
    // None found: nothing is unpacked, and the run says where it looked.
    archivePath = FindPackage(installation.machine.files(), installation.packagePlaces);
  }
  installation.packagePath = archivePath;

  // The installer runs as administrator and hands what lies in the work
  // area to the spooler, which loads it as SYSTEM: an entry a standard user
  // made (or pointed elsewhere with a link) is neither used nor touched.
  const auto stopsAt = [&](const std::string& unsafe) {
    if (unsafe.empty()) return false;
    installation.startupStop = StartupStop::UnsafeWorkArea;
    installation.unsafeWorkAreaEntry = unsafe;
    return true;
  };
  if (stopsAt(UnsafeWorkAreaEntry(installation.machine))) return;

  // Loaded for this extraction only; the library's own windows belong to
  // the installer's window.
  ArchiveLibrary library(installation.machine);
  library.SetOwnerWindow(owner);
  // Unpacked into folders made for this run alone, never over what an
  // earlier run (or anyone else since) left there. Without a package or a
  // library nothing is unpacked, and the work area stays as it lies.
  if (library.Load() != 0 && installation.machine.files().GetFileAttributesA(archivePath) !=
                                 win::INVALID_FILE_ATTRIBUTES) {
    if (stopsAt(RenewWorkArea(installation.machine))) return;
    installation.packageUnpacked = library.Extract(archivePath, "C:\\") != 0;
  }
  library.Unload();
}
