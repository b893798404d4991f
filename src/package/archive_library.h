// The wrapper around the outside archive library "7-zip32.dll", loaded for
// the time of one extraction.
#pragma once

#include <string>

#include "platform/machine.h"

class ArchiveLibrary {
 public:
  explicit ArchiveLibrary(platform::Machine& machine) : machine_(machine) {}
  ~ArchiveLibrary();  // unloads the library if loaded
  ArchiveLibrary(const ArchiveLibrary&) = delete;
  ArchiveLibrary& operator=(const ArchiveLibrary&) = delete;

  // 1 if the library is loaded, else 0.
  int Load();
  // 2 on success; 0 if the library or the archive is missing or the library
  // reports an error. Loads the library unless it is loaded already.
  int Extract(const std::string& archivePath, const std::string& destination);
  void Unload();

  void SetOwnerWindow(platform::WindowId owner) { owner_ = owner; }
  platform::WindowId ownerWindow() const { return owner_; }

 private:
  platform::Machine& machine_;
  platform::WindowId owner_ = 0;
};
