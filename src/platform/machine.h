// The machine the installer runs on: every platform service in one place.
// The logic receives a Machine and never calls the operating system itself.
// Two implementations exist: the real one over Win32 (win32/) and the
// simulated Windows machine used by the tests (sim/).
#pragma once

#include <cstdint>

#include "platform/archive.h"
#include "platform/clock.h"
#include "platform/comm.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "platform/security.h"
#include "platform/services.h"
#include "platform/spooler.h"
#include "platform/system_info.h"
#include "platform/threads.h"
#include "platform/window_system.h"

namespace platform {

class Machine {
 public:
  virtual ~Machine() = default;

  virtual Registry& registry() = 0;
  virtual Spooler& spooler() = 0;
  virtual ServiceManager& services() = 0;
  virtual Security& security() = 0;
  virtual FileSystem& files() = 0;
  virtual SystemInfo& system() = 0;
  virtual Clock& clock() = 0;
  virtual Threads& threads() = 0;
  virtual WindowSystem& ui() = 0;
  virtual ArchiveDll& archive() = 0;
  virtual CommPorts& comm() = 0;
  virtual ProcessServices& process() = 0;

  // The calling thread's last-error value, as GetLastError reads it.
  virtual uint32_t GetLastError() = 0;
};

}  // namespace platform
