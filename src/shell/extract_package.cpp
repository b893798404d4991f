#include "shell/extract_package.h"

#include <string>

#include "install/installation.h"
#include "package/archive_library.h"

namespace {
constexpr uint32_t kMaxPath = 260;
}

void ExtractPackage(Installation& installation, platform::WindowId owner) {
  // The package is looked for in the current directory, not beside the
  // program: whoever starts the installer decides where the package lies.
  std::string directory;
  installation.machine.files().GetCurrentDirectoryA(directory, kMaxPath);
  const std::string archivePath = directory + "\\DriverData.Drv";

  // Loaded for this extraction only; the library's own windows belong to
  // the installer's window.
  ArchiveLibrary library(installation.machine);
  library.SetOwnerWindow(owner);
  installation.packageUnpacked = library.Extract(archivePath, "C:\\") != 0;
  library.Unload();
}
