#include "platform/sim/sim_spooler.h"

#include <algorithm>

#include "platform/sim/faults.h"
#include "platform/sim/last_error.h"
#include "platform/sim/names.h"
#include "platform/sim/sim_files.h"
#include "platform/sim/sim_registry.h"
#include "platform/sim/sim_system.h"
#include "platform/win_constants.h"

namespace sim {

namespace {

constexpr const char* kPrintersKey = "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\";
constexpr const char* kDsPrintersKey =
    "Software\\Microsoft\\Windows NT\\CurrentVersion\\Print\\Printers\\";
constexpr const char* kOnlineKey =
    "SYSTEM\\CurrentControlSet\\Hardware Profiles\\Current\\System\\CurrentControlSet\\Control\\"
    "Print\\Printers\\";
constexpr uint32_t kPrinterControlPause = 1;
constexpr uint32_t kPrinterControlResume = 2;

bool StartsWithIgnoringCase(const std::string& s, const std::string& prefix) {
  return s.size() >= prefix.size() && SameName(s.substr(0, prefix.size()), prefix);
}

std::string BaseName(const std::string& path) {
  const auto cut = path.find_last_of("\\/");
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

// The names of a dependent-file list: zero-terminated, ended by an empty one.
std::vector<std::string> DependentNames(const std::string& list) {
  std::vector<std::string> names;
  size_t start = 0;
  while (start < list.size()) {
    const auto end = list.find('\0', start);
    const std::string name = list.substr(start, end == std::string::npos ? end : end - start);
    if (name.empty()) break;
    names.push_back(name);
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return names;
}

}  // namespace

SimSpooler::SimSpooler(Faults& faults, SimRegistry& registry, SimFiles& files, SimSystem& system)
    : faults_(faults), registry_(registry), files_(files), system_(system) {}

bool SimSpooler::Fail(uint32_t code) {
  SetLastError(code);
  return false;
}

bool SimSpooler::Enter(const char* call) {
  if (auto fault = faults_.Check(call)) return Fail(*fault);
  // Asked unlocked: the answer may restart the spooler, which takes the lock.
  if (serviceRunning_ && !serviceRunning_()) return Fail(kRpcServerUnavailable);
  return true;
}

std::string SimSpooler::NativeEnvironment() const { return system_.Is64Bit() ? kEnvX64 : kEnvX86; }

std::string SimSpooler::DriverDirectory(const std::string& environment) const {
  if (SameName(environment, kEnvX86)) {
    return driverDirectoryX86_.empty() ? "C:\\WINDOWS\\system32\\spool\\drivers\\w32x86"
                                       : driverDirectoryX86_;
  }
  if (SameName(environment, kEnvX64)) return "C:\\WINDOWS\\system32\\spool\\drivers\\x64";
  return "";
}

std::vector<SpoolerPrinter>::iterator SimSpooler::FindPrinter(const std::string& name) {
  return std::find_if(printers_.begin(), printers_.end(),
                      [&](const SpoolerPrinter& p) { return SameName(p.name, name); });
}

std::vector<SimSpooler::PortEntry>::iterator SimSpooler::FindPort(const std::string& name) {
  return std::find_if(ports_.begin(), ports_.end(),
                      [&](const PortEntry& p) { return SameName(p.info.portName, name); });
}

std::vector<SimSpooler::DriverEntry>::iterator SimSpooler::FindDriver(
    const std::string& environment, const std::string& name) {
  return std::find_if(drivers_.begin(), drivers_.end(), [&](const DriverEntry& d) {
    return SameName(d.info.environment, environment) && SameName(d.info.name, name);
  });
}

void SimSpooler::WritePrinterKeys(const SpoolerPrinter& printer) {
  registry_.SetString(platform::kHkeyLocalMachine, kPrintersKey + printer.name, "Port",
                      printer.port);
  registry_.SetString(platform::kHkeyLocalMachine,
                      std::string(kDsPrintersKey) + printer.name + "\\DsSpooler", "portName",
                      printer.port);
}

void SimSpooler::RemovePrinterKeys(const std::string& name) {
  registry_.DeleteTree(platform::kHkeyLocalMachine, kPrintersKey + name);
  registry_.DeleteTree(platform::kHkeyLocalMachine, kDsPrintersKey + name);
}

// --- Ports ---

bool SimSpooler::EnumPortsA(std::vector<platform::PortInfo2>& ports) {
  if (!Enter("EnumPortsA")) return false;
  std::lock_guard lock(mutex_);
  ports.clear();
  for (const auto& port : ports_) ports.push_back(port.info);
  return true;
}

int SimSpooler::AddPortA(platform::WindowId /*owner*/, const std::string& monitorName) {
  if (!Enter("AddPortA")) return 0;
  std::lock_guard lock(mutex_);
  if (!SameName(monitorName, kTcpIpMonitor)) {
    bool known = SameName(monitorName, "Local Port") || SameName(monitorName, "USB Monitor");
    for (const auto& port : ports_) known = known || SameName(port.info.monitorName, monitorName);
    for (const auto& monitor : monitors_) known = known || SameName(monitor.name, monitorName);
    Fail(known ? win::ERROR_NOT_SUPPORTED : win::ERROR_UNKNOWN_PRINT_MONITOR);
    return 0;
  }
  if (wizard_.empty()) {
    Fail(kErrorCancelled);
    return 0;
  }
  const WizardOutcome outcome = wizard_.front();
  wizard_.pop_front();
  if (!outcome.create) {
    Fail(kErrorCancelled);
    return 0;
  }
  if (FindPort(outcome.portName) != ports_.end()) {
    Fail(win::ERROR_ALREADY_EXISTS);
    return 0;
  }
  PortEntry port;
  port.info.portName = outcome.portName;
  port.info.monitorName = kTcpIpMonitor;
  port.info.description = outcome.description;
  ports_.push_back(port);
  return 1;
}

bool SimSpooler::ConfigurePortA(platform::WindowId /*owner*/, const std::string& portName) {
  if (!Enter("ConfigurePortA")) return false;
  std::lock_guard lock(mutex_);
  if (FindPort(portName) == ports_.end()) return Fail(win::ERROR_UNKNOWN_PORT);
  configured_.push_back(portName);
  return true;
}

bool SimSpooler::DeletePortA(platform::WindowId /*owner*/, const std::string& portName) {
  if (!Enter("DeletePortA")) return false;
  std::lock_guard lock(mutex_);
  auto port = FindPort(portName);
  if (port == ports_.end()) return Fail(win::ERROR_UNKNOWN_PORT);
  for (const auto& printer : printers_) {
    if (SameName(printer.port, portName)) return Fail(kErrorBusy);
  }
  ports_.erase(port);
  return true;
}

// --- Printers ---

bool SimSpooler::EnumPrintersA(uint32_t flags, std::vector<platform::PrinterInfo2>& printers) {
  if (!Enter("EnumPrintersA")) return false;
  std::lock_guard lock(mutex_);
  printers.clear();
  if ((flags & (win::PRINTER_ENUM_LOCAL | win::PRINTER_ENUM_CONNECTIONS)) == 0) return true;
  for (const auto& p : printers_) {
    platform::PrinterInfo2 info;
    info.printerName = p.name;
    info.portName = p.port;
    info.driverName = p.driver;
    info.printProcessor = p.printProcessor;
    info.datatype = p.datatype;
    info.jobs = p.jobs;
    info.status = p.pendingDeletion ? 0x4 /*PRINTER_STATUS_PENDING_DELETION*/ : 0;
    printers.push_back(info);
  }
  return true;
}

int SimSpooler::OpenPrinterA(const std::string& printerName, platform::PrinterHandle& printer,
                             const platform::PrinterDefaults& /*defaults*/) {
  if (!Enter("OpenPrinterA")) return 0;
  std::lock_guard lock(mutex_);
  auto it = FindPrinter(printerName);
  if (printerName.empty() || it == printers_.end()) {
    Fail(win::ERROR_INVALID_PRINTER_NAME);
    return 0;
  }
  printer = nextHandle_;
  nextHandle_ += 4;
  handles_[printer] = Handle{it->name};
  return 1;
}

bool SimSpooler::SetPrinterA(platform::PrinterHandle printer, uint32_t level, uint32_t command) {
  if (!Enter("SetPrinterA")) return false;
  std::lock_guard lock(mutex_);
  auto handle = handles_.find(printer);
  if (handle == handles_.end()) return Fail(win::ERROR_INVALID_HANDLE);
  auto it = FindPrinter(handle->second.printer);
  if (it == printers_.end()) return Fail(win::ERROR_INVALID_PRINTER_NAME);
  if (level != 0) return Fail(win::ERROR_INVALID_LEVEL);
  switch (command) {
    case win::PRINTER_CONTROL_PURGE:
      it->jobs = 0;
      ++it->purges;
      if (it->pendingDeletion) {
        RemovePrinterKeys(it->name);
        printers_.erase(it);
      }
      return true;
    case kPrinterControlPause:
    case kPrinterControlResume:
      return true;
    default:
      return Fail(win::ERROR_INVALID_PARAMETER);
  }
}

bool SimSpooler::DeletePrinter(platform::PrinterHandle printer) {
  if (!Enter("DeletePrinter")) return false;
  std::lock_guard lock(mutex_);
  auto handle = handles_.find(printer);
  if (handle == handles_.end()) return Fail(win::ERROR_INVALID_HANDLE);
  auto it = FindPrinter(handle->second.printer);
  if (it == printers_.end() || it->pendingDeletion) return Fail(win::ERROR_INVALID_PRINTER_NAME);
  if (it->jobs > 0) {
    it->pendingDeletion = true;
    return true;
  }
  RemovePrinterKeys(it->name);
  printers_.erase(it);
  return true;
}

bool SimSpooler::ClosePrinter(platform::PrinterHandle printer) {
  // A close that fails still frees the handle: the caller cannot use it
  // again, and nothing can close it later.
  bool known = false;
  {
    std::lock_guard lock(mutex_);
    known = handles_.erase(printer) != 0;
  }
  if (!Enter("ClosePrinter")) return false;
  if (!known) return Fail(win::ERROR_INVALID_HANDLE);
  return true;
}

platform::PrinterHandle SimSpooler::AddPrinterA(const platform::PrinterInfo2& info) {
  if (!Enter("AddPrinterA")) return 0;
  std::lock_guard lock(mutex_);
  const std::string& name = info.printerName;
  if (name.empty() || name.find_first_of(",\\") != std::string::npos) {
    Fail(win::ERROR_INVALID_PRINTER_NAME);
    return 0;
  }
  if (FindPrinter(name) != printers_.end()) {
    Fail(win::ERROR_PRINTER_ALREADY_EXISTS);
    return 0;
  }
  if (FindDriver(NativeEnvironment(), info.driverName) == drivers_.end()) {
    Fail(win::ERROR_UNKNOWN_PRINTER_DRIVER);
    return 0;
  }
  if (FindPort(info.portName) == ports_.end()) {
    Fail(win::ERROR_UNKNOWN_PORT);
    return 0;
  }
  if (!SameName(info.printProcessor, "WinPrint")) {
    Fail(win::ERROR_UNKNOWN_PRINTPROCESSOR);
    return 0;
  }
  SpoolerPrinter printer;
  printer.name = name;
  printer.port = info.portName;
  printer.driver = info.driverName;
  printer.printProcessor = info.printProcessor;
  printer.datatype = info.datatype;
  printers_.push_back(printer);
  WritePrinterKeys(printer);
  const platform::PrinterHandle handle = nextHandle_;
  nextHandle_ += 4;
  handles_[handle] = Handle{name};
  return handle;
}

// --- Drivers and monitors ---

bool SimSpooler::GetPrinterDriverDirectoryA(const std::string& environment,
                                            std::string& directory) {
  if (!Enter("GetPrinterDriverDirectoryA")) return false;
  const std::string env = environment.empty() ? NativeEnvironment() : environment;
  const std::string path = DriverDirectory(env);
  if (path.empty()) return Fail(kErrorInvalidEnvironment);
  files_.MakeDirectory(path);
  directory = path;
  return true;
}

bool SimSpooler::AddPrinterDriverExA(const platform::DriverInfo3& info,
                                     uint32_t /*fileCopyFlags*/) {
  if (!Enter("AddPrinterDriverExA")) return false;
  const std::string env = info.environment.empty() ? NativeEnvironment() : info.environment;
  const std::string directory = DriverDirectory(env);
  if (directory.empty()) return Fail(kErrorInvalidEnvironment);
  if (info.name.empty() || info.driverPath.empty() || info.dataFile.empty() ||
      info.configFile.empty()) {
    return Fail(win::ERROR_INVALID_PARAMETER);
  }
  std::vector<std::string> names = {info.driverPath, info.dataFile, info.configFile};
  if (!info.helpFile.empty()) names.push_back(info.helpFile);
  for (const auto& dependent : DependentNames(info.dependentFiles)) names.push_back(dependent);
  // A bare name, or one with a single leading backslash, lies in the
  // driver directory.
  std::vector<std::string> sources;
  for (const auto& name : names) {
    const std::string bare = name[0] == '\\' ? name.substr(1) : name;
    const bool hasFolder = bare.find_first_of("\\/:") != std::string::npos;
    sources.push_back(hasFolder ? name : directory + "\\" + bare);
  }
  for (const auto& source : sources) {
    if (!files_.Exists(source) || files_.IsDirectory(source)) {
      return Fail(win::ERROR_FILE_NOT_FOUND);
    }
  }
  for (const auto& source : sources) {
    if (auto bytes = files_.ReadFile(source)) {
      files_.WriteFile(directory + "\\3\\" + BaseName(source), *bytes);
    }
  }
  std::lock_guard lock(mutex_);
  platform::DriverInfo3 record = info;
  record.environment = env;
  auto existing = FindDriver(env, info.name);
  if (existing != drivers_.end()) {
    existing->info = record;
  } else {
    drivers_.push_back(DriverEntry{record});
  }
  return true;
}

bool SimSpooler::DeletePrinterDriverA(const std::string& environment,
                                      const std::string& driverName) {
  if (!Enter("DeletePrinterDriverA")) return false;
  std::lock_guard lock(mutex_);
  const std::string env = environment.empty() ? NativeEnvironment() : environment;
  if (DriverDirectory(env).empty()) return Fail(kErrorInvalidEnvironment);
  auto driver = FindDriver(env, driverName);
  if (driver == drivers_.end()) return Fail(win::ERROR_UNKNOWN_PRINTER_DRIVER);
  if (SameName(env, NativeEnvironment())) {
    for (const auto& printer : printers_) {
      if (SameName(printer.driver, driverName)) return Fail(win::ERROR_PRINTER_DRIVER_IN_USE);
    }
  }
  drivers_.erase(driver);
  return true;
}

bool SimSpooler::AddMonitorA(const platform::MonitorInfo2& info) {
  if (!Enter("AddMonitorA")) return false;
  if (info.name.empty() || info.dllName.empty()) return Fail(win::ERROR_INVALID_PARAMETER);
  if (!info.environment.empty() && DriverDirectory(info.environment).empty()) {
    return Fail(kErrorInvalidEnvironment);
  }
  {
    std::lock_guard lock(mutex_);
    for (const auto& monitor : monitors_) {
      if (SameName(monitor.name, info.name))
        return Fail(win::ERROR_PRINT_MONITOR_ALREADY_INSTALLED);
    }
  }
  const std::string dll = MonitorDllPath(info.dllName);
  if (!files_.Exists(dll) || files_.IsDirectory(dll)) return Fail(win::ERROR_MOD_NOT_FOUND);
  std::lock_guard lock(mutex_);
  monitors_.push_back(info);
  LoadMonitorDllLocked(info.dllName);
  return true;
}

bool SimSpooler::DeleteMonitorA(const std::string& environment, const std::string& monitorName) {
  if (!Enter("DeleteMonitorA")) return false;
  std::lock_guard lock(mutex_);
  if (!environment.empty() && DriverDirectory(environment).empty()) {
    return Fail(kErrorInvalidEnvironment);
  }
  auto it = std::find_if(monitors_.begin(), monitors_.end(),
                         [&](const auto& m) { return SameName(m.name, monitorName); });
  if (it == monitors_.end()) return Fail(win::ERROR_UNKNOWN_PRINT_MONITOR);
  // A port monitor is in use while a port names it, a language monitor
  // while a driver does.
  for (const auto& port : ports_) {
    if (SameName(port.info.monitorName, monitorName)) return Fail(win::ERROR_PRINT_MONITOR_IN_USE);
  }
  for (const auto& driver : drivers_) {
    if (SameName(driver.info.monitorName, monitorName)) {
      return Fail(win::ERROR_PRINT_MONITOR_IN_USE);
    }
  }
  // The running spooler keeps the DLL loaded until it stops.
  monitors_.erase(it);
  return true;
}

// --- Seeding and inspection ---

void SimSpooler::AddPort(const std::string& name, const std::string& monitor,
                         const std::string& description) {
  std::lock_guard lock(mutex_);
  PortEntry port;
  port.info.portName = name;
  port.info.monitorName = monitor;
  port.info.description = description;
  ports_.push_back(port);
}

bool SimSpooler::RemovePort(const std::string& name) {
  std::lock_guard lock(mutex_);
  auto it = FindPort(name);
  if (it == ports_.end()) return false;
  ports_.erase(it);
  return true;
}

void SimSpooler::AddPrinter(const std::string& name, const std::string& port,
                            const std::string& driver) {
  std::lock_guard lock(mutex_);
  SpoolerPrinter printer;
  printer.name = name;
  printer.port = port;
  printer.driver = driver;
  printer.printProcessor = "WinPrint";
  printer.datatype = "RAW";
  auto existing = FindPrinter(name);
  if (existing != printers_.end()) {
    *existing = printer;
  } else {
    printers_.push_back(printer);
  }
  WritePrinterKeys(printer);
}

void SimSpooler::AddDriver(const std::string& environment, const std::string& name,
                           const std::string& monitorName) {
  std::lock_guard lock(mutex_);
  platform::DriverInfo3 info;
  info.version = 3;
  info.name = name;
  info.environment = environment;
  info.monitorName = monitorName;
  auto existing = FindDriver(environment, name);
  if (existing != drivers_.end()) {
    existing->info = info;
  } else {
    drivers_.push_back(DriverEntry{info});
  }
}

void SimSpooler::AddMonitor(const std::string& name, const std::string& dllName) {
  std::lock_guard lock(mutex_);
  monitors_.push_back(platform::MonitorInfo2{name, NativeEnvironment(), dllName});
  LoadMonitorDllLocked(dllName);
}

void SimSpooler::LoadMonitorDllLocked(const std::string& dllName) {
  const std::string dll = MonitorDllPath(dllName);
  loadedMonitorDlls_.insert(dll);
  files_.SetInUse(dll, true);
}

std::string SimSpooler::MonitorDllPath(const std::string& dllName) {
  const bool hasFolder = dllName.find_first_of("\\/:") != std::string::npos;
  return hasFolder ? dllName : std::string(SimFiles::kSystemDirectory) + "\\" + dllName;
}

void SimSpooler::SetJobs(const std::string& printer, uint32_t jobs) {
  std::lock_guard lock(mutex_);
  auto it = FindPrinter(printer);
  if (it != printers_.end()) it->jobs = jobs;
}

void SimSpooler::AttachUsbDevice(const std::string& port) {
  std::lock_guard lock(mutex_);
  usbDevices_.insert(UpperCase(port));
}

void SimSpooler::QueueWizardCreatesPort(const std::string& portName,
                                        const std::string& description) {
  std::lock_guard lock(mutex_);
  wizard_.push_back(WizardOutcome{true, portName, description});
}

void SimSpooler::QueueWizardCancel() {
  std::lock_guard lock(mutex_);
  wizard_.push_back(WizardOutcome{});
}

std::vector<SpoolerPrinter> SimSpooler::Printers() const {
  std::lock_guard lock(mutex_);
  return printers_;
}

std::optional<SpoolerPrinter> SimSpooler::Printer(const std::string& name) const {
  std::lock_guard lock(mutex_);
  for (const auto& p : printers_) {
    if (SameName(p.name, name)) return p;
  }
  return std::nullopt;
}

std::vector<platform::DriverInfo3> SimSpooler::Drivers(const std::string& environment) const {
  std::lock_guard lock(mutex_);
  std::vector<platform::DriverInfo3> result;
  for (const auto& d : drivers_) {
    if (SameName(d.info.environment, environment)) result.push_back(d.info);
  }
  return result;
}

std::optional<platform::DriverInfo3> SimSpooler::Driver(const std::string& environment,
                                                        const std::string& name) const {
  std::lock_guard lock(mutex_);
  for (const auto& d : drivers_) {
    if (SameName(d.info.environment, environment) && SameName(d.info.name, name)) return d.info;
  }
  return std::nullopt;
}

std::vector<platform::MonitorInfo2> SimSpooler::Monitors() const {
  std::lock_guard lock(mutex_);
  return monitors_;
}

std::vector<platform::PortInfo2> SimSpooler::Ports() const {
  std::lock_guard lock(mutex_);
  std::vector<platform::PortInfo2> result;
  for (const auto& p : ports_) result.push_back(p.info);
  return result;
}

std::vector<std::string> SimSpooler::ConfiguredPorts() const {
  std::lock_guard lock(mutex_);
  return configured_;
}

int SimSpooler::Restarts() const {
  std::lock_guard lock(mutex_);
  return restarts_;
}

size_t SimSpooler::OpenPrinterHandleCount() const {
  std::lock_guard lock(mutex_);
  return handles_.size();
}

// --- Service wiring ---

void SimSpooler::SetServiceProbe(std::function<bool()> running) {
  serviceRunning_ = std::move(running);
}

void SimSpooler::OnServiceStopped() {
  std::lock_guard lock(mutex_);
  stopped_ = true;
  handles_.clear();  // the spooler process that gave them out is gone
  // Its monitor DLLs go with it, a deleted monitor's only now.
  for (const std::string& dll : loadedMonitorDlls_) files_.SetInUse(dll, false);
  loadedMonitorDlls_.clear();
}

void SimSpooler::OnServiceStarted() {
  std::lock_guard lock(mutex_);
  if (!stopped_) return;
  stopped_ = false;
  ++restarts_;
  for (const auto& monitor : monitors_) LoadMonitorDllLocked(monitor.dllName);
  for (auto& printer : printers_) {
    if (auto port =
            registry_.GetValue(platform::kHkeyLocalMachine, kPrintersKey + printer.name, "Port")) {
      const std::string value = port->AsString();
      if (!value.empty()) printer.port = value;
    }
    if (StartsWithIgnoringCase(printer.port, "USB") && usbDevices_.count(UpperCase(printer.port))) {
      registry_.SetDword(platform::kHkeyLocalMachine, kOnlineKey + printer.name, "PrinterOnLine",
                         1);
    }
  }
}

}  // namespace sim
