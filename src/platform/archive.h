// The outside archive library "7-zip32.dll", loaded at run time. The backend
// owns the module handle and the three function addresses; on the simulated
// machine the same calls unpack with libarchive.
#pragma once

#include <cstdint>
#include <string>

#include "platform/handles.h"

namespace platform {

class ArchiveDll {
 public:
  virtual ~ArchiveDll() = default;
  // LoadLibraryA by the given full path, then GetProcAddress of
  // "SevenZip", "SevenZipSetOwnerWindowEx" and "SevenZipKillOwnerWindowEx".
  // False when the library did not load.
  virtual bool LoadLibraryA(const std::string& fileName) = 0;
  virtual void FreeLibrary() = 0;
  virtual bool IsLoaded() const = 0;
  // Registers a progress callback for `owner` that always returns TRUE.
  virtual bool SetOwnerWindowEx(WindowId owner) = 0;
  // The library's result (0: success). A call that throws counts as failure
  // (non-zero).
  virtual int SevenZip(WindowId owner, const std::string& command, char* output,
                       uint32_t outputSize) = 0;
  virtual bool KillOwnerWindowEx(WindowId owner) = 0;
};

}  // namespace platform
