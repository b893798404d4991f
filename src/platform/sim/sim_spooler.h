// The simulated print spooler: ports and their monitors, language monitors,
// drivers per environment with their driver directories on the simulated C:
// drive, and printers.
//
// Like the Windows spooler it keeps each printer in the registry (HKLM):
// creating a printer writes the value "Port" of the key
//   SYSTEM\CurrentControlSet\Control\Print\Printers\<name>
// and the value "portName" of the key
//   Software\Microsoft\Windows NT\CurrentVersion\Print\Printers\<name>\DsSpooler
// and deleting it removes both printer keys. When the "Spooler" service
// reaches running again after a stop, every printer takes its port from that
// "Port" value, and a printer whose port is a USB port with a device attached
// gets REG_DWORD "PrinterOnLine" = 1 under
//   SYSTEM\CurrentControlSet\Hardware
//   Profiles\Current\System\CurrentControlSet\Control\Print\Printers\<name>
// (the hardware-profile key of the printer). While the service is not
// running every call fails with RPC_S_SERVER_UNAVAILABLE (1722), and printer
// handles do not survive a stop.
//
// Printer, driver, port and monitor names compare ignoring ASCII case.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/spooler.h"

namespace sim {

class Faults;
class SimFiles;
class SimRegistry;
class SimSystem;

inline constexpr uint32_t kRpcServerUnavailable = 1722;
inline constexpr uint32_t kErrorCancelled = 1223;
inline constexpr uint32_t kErrorBusy = 170;
inline constexpr uint32_t kErrorInvalidEnvironment = 1805;

inline constexpr const char* kEnvX86 = "Windows NT x86";
inline constexpr const char* kEnvX64 = "Windows x64";
inline constexpr const char* kTcpIpMonitor = "Standard TCP/IP Port";
inline constexpr const char* kTcpIpDescription = "Standard TCP/IP Port";
// The same description on a Simplified Chinese system (code page 936).
inline constexpr const char* kTcpIpDescriptionChinese = "\xB1\xEA\xD7\xBC TCP/IP \xB6\xCB\xBF\xDA";

struct SpoolerPrinter {
  std::string name;
  std::string port;
  std::string driver;
  std::string printProcessor;
  std::string datatype;
  uint32_t jobs = 0;    // queued jobs; a purge empties them
  uint32_t purges = 0;  // PRINTER_CONTROL_PURGE commands received
  // Deleted while jobs were queued: it stays, as on Windows, until a purge
  // through a handle still open empties its queue.
  bool pendingDeletion = false;
};

// One outcome of the "Standard TCP/IP Port" add-port wizard.
struct WizardOutcome {
  bool create = false;  // false: the user cancels
  std::string portName;
  std::string description = kTcpIpDescription;
};

class SimSpooler : public platform::Spooler {
 public:
  SimSpooler(Faults& faults, SimRegistry& registry, SimFiles& files, SimSystem& system);

  // --- platform::Spooler ---
  bool EnumPortsA(std::vector<platform::PortInfo2>& ports) override;
  // Only the "Standard TCP/IP Port" monitor has a wizard here: each call
  // takes the next scripted outcome (none left: the user cancels, 0 with
  // ERROR_CANCELLED). Any other known monitor fails with ERROR_NOT_SUPPORTED,
  // an unknown one with ERROR_UNKNOWN_PRINT_MONITOR.
  int AddPortA(platform::WindowId owner, const std::string& monitorName) override;
  // Succeeds for a known port (counted in ConfiguredPorts); unknown ports
  // give ERROR_UNKNOWN_PORT. Scripted failures (50, 57) come from the faults.
  bool ConfigurePortA(platform::WindowId owner, const std::string& portName) override;
  // Unknown port: ERROR_UNKNOWN_PORT; a port a printer uses: ERROR_BUSY.
  bool DeletePortA(platform::WindowId owner, const std::string& portName) override;
  bool EnumPrintersA(uint32_t flags, std::vector<platform::PrinterInfo2>& printers) override;
  int OpenPrinterA(const std::string& printerName, platform::PrinterHandle& printer,
                   const platform::PrinterDefaults& defaults) override;
  bool SetPrinterA(platform::PrinterHandle printer, uint32_t level, uint32_t command) override;
  bool DeletePrinter(platform::PrinterHandle printer) override;
  bool ClosePrinter(platform::PrinterHandle printer) override;
  platform::PrinterHandle AddPrinterA(const platform::PrinterInfo2& info) override;
  // Creates the folder on demand. The empty environment is the native one.
  bool GetPrinterDriverDirectoryA(const std::string& environment, std::string& directory) override;
  // Every file of the record must exist (names without a folder, or with one
  // leading backslash, are looked for in the environment's driver
  // directory), else ERROR_FILE_NOT_FOUND; they are copied into the
  // directory's "3" sub-folder whatever the flags. A driver of the same name
  // and environment is replaced.
  bool AddPrinterDriverExA(const platform::DriverInfo3& info, uint32_t fileCopyFlags) override;
  bool DeletePrinterDriverA(const std::string& environment, const std::string& driverName) override;
  // The DLL (a bare name is looked for in C:\WINDOWS\system32) must exist,
  // else ERROR_MOD_NOT_FOUND.
  bool AddMonitorA(const platform::MonitorInfo2& info) override;
  bool DeleteMonitorA(const std::string& environment, const std::string& monitorName) override;

  // --- Seeding and inspection (no faults, no service check) ---
  void AddPort(const std::string& name, const std::string& monitor, const std::string& description);
  bool RemovePort(const std::string& name);
  // A printer on `port` using `driver` (in the native environment), written
  // to the registry as AddPrinterA writes it. Port and driver are not checked.
  void AddPrinter(const std::string& name, const std::string& port, const std::string& driver);
  // A driver record without files; `monitorName` is its language monitor,
  // which Windows then refuses to delete.
  void AddDriver(const std::string& environment, const std::string& name,
                 const std::string& monitorName = "");
  void AddMonitor(const std::string& name, const std::string& dllName);
  void SetJobs(const std::string& printer, uint32_t jobs);
  // Where the spooler keeps 32-bit drivers: a spooler configured to keep
  // them elsewhere than under the Windows folder. The folder is made when
  // asked for.
  void SetDriverDirectoryX86(const std::string& path) { driverDirectoryX86_ = path; }
  void AttachUsbDevice(const std::string& port);
  // Scripts the next add-port wizard runs, in order.
  void QueueWizardCreatesPort(const std::string& portName,
                              const std::string& description = kTcpIpDescription);
  void QueueWizardCancel();

  std::vector<SpoolerPrinter> Printers() const;
  std::optional<SpoolerPrinter> Printer(const std::string& name) const;
  std::vector<platform::DriverInfo3> Drivers(const std::string& environment) const;
  std::optional<platform::DriverInfo3> Driver(const std::string& environment,
                                              const std::string& name) const;
  std::vector<platform::MonitorInfo2> Monitors() const;
  std::vector<platform::PortInfo2> Ports() const;
  std::vector<std::string> ConfiguredPorts() const;
  // The owner window of each add-port wizard run, in order.
  // Times the spooler came back after a stop.
  int Restarts() const;
  size_t OpenPrinterHandleCount() const;
  // "Windows x64" on a 64-bit machine, else "Windows NT x86".
  std::string NativeEnvironment() const;
  // Where the spooler loads a monitor DLL from: a bare name from the system
  // folder. The DLL stays loaded, so locked, while the spooler runs.
  static std::string MonitorDllPath(const std::string& dllName);
  // The driver directory of an environment, "" for an unknown one.
  std::string DriverDirectory(const std::string& environment) const;

  // --- Wiring by the machine ---
  // Asked before each call: whether the "Spooler" service runs.
  void SetServiceProbe(std::function<bool()> running);
  void OnServiceStopped();
  void OnServiceStarted();

 private:
  // Lock held. The spooler loads the DLL and holds it until it stops.
  void LoadMonitorDllLocked(const std::string& dllName);
  struct PortEntry {
    platform::PortInfo2 info;
  };
  struct DriverEntry {
    platform::DriverInfo3 info;
  };
  struct Handle {
    std::string printer;  // the printer's name when opened
  };

  // Service state, then the fault of `call`. False (last error set) when
  // the call must fail.
  bool Enter(const char* call);
  bool Fail(uint32_t code);
  void WritePrinterKeys(const SpoolerPrinter& printer);
  void RemovePrinterKeys(const std::string& name);
  std::vector<SpoolerPrinter>::iterator FindPrinter(const std::string& name);
  std::vector<PortEntry>::iterator FindPort(const std::string& name);
  std::vector<DriverEntry>::iterator FindDriver(const std::string& environment,
                                                const std::string& name);

  Faults& faults_;
  SimRegistry& registry_;
  SimFiles& files_;
  SimSystem& system_;
  std::function<bool()> serviceRunning_;
  mutable std::mutex mutex_;
  std::vector<PortEntry> ports_;
  std::vector<SpoolerPrinter> printers_;
  std::vector<DriverEntry> drivers_;
  std::vector<platform::MonitorInfo2> monitors_;
  std::set<std::string> usbDevices_;         // upper-case port names
  std::set<std::string> loadedMonitorDlls_;  // in use until the spooler stops
  std::deque<WizardOutcome> wizard_;
  std::vector<std::string> configured_;
  std::map<platform::PrinterHandle, Handle> handles_;
  platform::PrinterHandle nextHandle_ = 0x2000;
  int restarts_ = 0;
  bool stopped_ = false;
  std::string driverDirectoryX86_;
};

}  // namespace sim
