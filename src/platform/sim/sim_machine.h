// The simulated Windows machine: every platform service of the installer
// over in-memory state and a temporary folder standing for drive C:.
//
// A fresh machine is a 32-bit Windows 7 with the spooler running and no
// ports, printers or drivers; C: holds C:\WINDOWS\system32 and the current
// directory C:\Setup. Seeding a test takes a few lines:
//
//   sim::SimMachine m;
//   m.spool().AddPort("USB001", "USB Monitor", "Virtual printer port for USB");
//   m.reg().SetString(platform::kHkeyLocalMachine, "HARDWARE\\DEVICEMAP\\SERIALCOMM",
//                     "\\Device\\Serial0", "COM1");
//   m.svc().SetState("Spooler", win::SERVICE_STOPPED);
//   m.faults().Fail("AddPrinterA", 1802);
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/machine.h"
#include "platform/sim/faults.h"
#include "platform/sim/sim_archive.h"
#include "platform/sim/sim_clock.h"
#include "platform/sim/sim_comm.h"
#include "platform/sim/sim_files.h"
#include "platform/sim/sim_process.h"
#include "platform/sim/sim_registry.h"
#include "platform/sim/sim_security.h"
#include "platform/sim/sim_services.h"
#include "platform/sim/sim_spooler.h"
#include "platform/sim/sim_system.h"
#include "platform/sim/sim_threads.h"
#include "platform/sim/sim_ui.h"

namespace sim {

class SimMachine : public platform::Machine {
 public:
  SimMachine();
  ~SimMachine() override;
  SimMachine(const SimMachine&) = delete;
  SimMachine& operator=(const SimMachine&) = delete;

  // --- platform::Machine ---
  platform::Registry& registry() override { return registry_; }
  platform::Spooler& spooler() override { return spooler_; }
  platform::ServiceManager& services() override { return services_; }
  platform::Security& security() override { return security_; }
  platform::FileSystem& files() override { return files_; }
  platform::SystemInfo& system() override { return system_; }
  platform::Clock& clock() override { return clock_; }
  platform::Threads& threads() override { return threads_; }
  platform::WindowSystem& ui() override { return *ui_; }
  platform::ArchiveDll& archive() override { return archive_; }
  platform::CommPorts& comm() override { return comm_; }
  platform::ProcessServices& process() override { return process_; }
  uint32_t GetLastError() override;

  // --- The simulated services, for seeding and inspection ---
  Faults& faults() { return faults_; }
  SimRegistry& reg() { return registry_; }
  SimSpooler& spool() { return spooler_; }
  SimServices& svc() { return services_; }
  SimSecurity& sec() { return security_; }
  SimFiles& fs() { return files_; }
  SimSystem& sys() { return system_; }
  SimClock& simClock() { return clock_; }
  SimThreads& simThreads() { return threads_; }
  SimUi& simUi() { return *ui_; }
  SimArchive& simArchive() { return archive_; }
  SimComm& simComm() { return comm_; }
  SimProcess& simProcess() { return process_; }

  // What the program left open or set wrong, as "what: count" parts joined
  // by "; " (handles of every kind, running threads, the archive library,
  // and the window system's Leftovers). Empty when nothing is left.
  std::string Leftovers() const;

 private:
  // Declared in construction order: later members use earlier ones.
  Faults faults_;
  SimClock clock_;
  SimRegistry registry_;
  SimFiles files_;
  SimSystem system_;
  SimSpooler spooler_;
  SimServices services_;
  SimSecurity security_;
  SimThreads threads_;
  SimComm comm_{clock_, threads_.dispatcher(), faults_};
  SimArchive archive_;
  SimProcess process_{faults_, files_, clock_};
  std::unique_ptr<SimUi> ui_;
};

}  // namespace sim
