#include "shell/extract_package.h"

#include <string>

#include "install/installation.h"
#include "package/archive_library.h"
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
    archivePath = FindPackage(installation.machine.files(), installation.packagePlaces);
    if (archivePath.empty()) return;
  }
  installation.packagePath = archivePath;

  // Loaded for this extraction only; the library's own windows belong to
  // the installer's window.
  ArchiveLibrary library(installation.machine);
  library.SetOwnerWindow(owner);
  installation.packageUnpacked = library.Extract(archivePath, "C:\\") != 0;
  library.Unload();
}
