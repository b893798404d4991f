#include "shell/extract_package.h"

#include <string>

#include "install/driver_name_list.h"
#include "install/installation.h"
#include "package/archive_library.h"
#include "package/work_area.h"
#include "platform/win_constants.h"

namespace {
constexpr uint32_t kMaxPath = 260;
}

std::string UnsafeWorkAreaText(const std::string& entry) {
  const bool folder = entry != kDriverNameFile;
  return std::string(folder ? "The folder " : "The file ") + entry +
         " is not safe to use: it is a link or belongs to another user.\r\nRemove it, then run "
         "the installer again.";
}

void ExtractPackage(Installation& installation, platform::WindowId owner) {
  // The package is looked for in the current directory, not beside the
  // program: whoever starts the installer decides where the package lies.
  std::string directory;
  installation.machine.files().GetCurrentDirectoryA(directory, kMaxPath);
  const std::string archivePath = directory + "\\DriverData.Drv";

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
