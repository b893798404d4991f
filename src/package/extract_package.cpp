#include "package/extract_package.h"

#include <string>

#include "shell/main_window.h"

namespace {
constexpr uint32_t kMaxPath = 260;
}

void ExtractPackage(MainWindow& window) {
  window.SetStatus("Reading driver file...");
  window.archiveLibrary.SetOwnerWindow(window.hwnd());

  // The package is looked for in the current directory, not beside the
  // program: whoever starts the installer decides where the package lies.
  std::string directory;
  window.machine.files().GetCurrentDirectoryA(directory, kMaxPath);
  const std::string archivePath = directory + "\\DriverData.Drv";

  window.archiveLibrary.Extract(archivePath, "C:\\");
  window.archiveLibrary.Unload();
}
