#include "package/archive_library.h"

#include <cstdio>
#include <vector>

#include "platform/win_constants.h"

namespace {

constexpr const char* kLibraryName = "7-zip32.dll";
constexpr size_t kOutputBufferBytes = 16385;
constexpr uint32_t kOutputSizePassed = 16384;
constexpr size_t kCommandBufferBytes = 1024;

}  // namespace

ArchiveLibrary::~ArchiveLibrary() { Unload(); }

int ArchiveLibrary::Load() {
  platform::ArchiveDll& dll = machine_.archive();
  if (dll.IsLoaded()) dll.FreeLibrary();
  // By full path from the program's own folder and nowhere else: the
  // library search order would go on to the current folder and PATH, where
  // anyone may have put a library of this name to run as administrator.
  const std::string folder = machine_.process().ProgramDirectory();
  if (folder.empty()) return 0;
  return dll.LoadLibraryA(folder + kLibraryName) ? 1 : 0;
}

int ArchiveLibrary::Extract(const std::string& archivePath, const std::string& destination) {
  platform::ArchiveDll& dll = machine_.archive();
  if (!dll.IsLoaded()) Load();
  machine_.clock().Sleep(10);
  if (!dll.IsLoaded()) return 0;
  if (machine_.files().GetFileAttributesA(archivePath) == win::INVALID_FILE_ATTRIBUTES) return 0;

  std::vector<char> output(kOutputBufferBytes, '\0');
  char command[kCommandBufferBytes] = {};
  // snprintf keeps an over-long path inside the buffer; the library then
  // sees a cut command and fails on it rather than the program overrunning.
  std::snprintf(command, sizeof command, "x -y \"%s\" -o\"%s\" -hide", archivePath.c_str(),
                destination.c_str());

  dll.SetOwnerWindowEx(owner_);
  machine_.clock().Sleep(100);
  const int result = dll.SevenZip(owner_, command, output.data(), kOutputSizePassed);
  dll.KillOwnerWindowEx(owner_);
  machine_.clock().Sleep(10);
  return result == 0 ? 2 : 0;
}

void ArchiveLibrary::Unload() {
  platform::ArchiveDll& dll = machine_.archive();
  if (dll.IsLoaded()) dll.FreeLibrary();
}
