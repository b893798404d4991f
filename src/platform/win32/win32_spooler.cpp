#include "platform/win32/win32_backends.h"
// After windows.h, which it needs.
#include <winspool.h>

namespace platform::win32 {

namespace {

std::string Text(const char* text) { return text != nullptr ? std::string(text) : std::string(); }

// The two-call enumeration the spooler expects: ask for the size, then
// fill one buffer of exactly that size. False leaves the error in
// GetLastError.
template <typename Enumerate>
bool EnumerateInto(Enumerate enumerate, std::vector<BYTE>& buffer, DWORD& count) {
  DWORD needed = 0;
  count = 0;
  if (enumerate(nullptr, 0, &needed, &count)) return true;  // nothing to list
  if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER || needed == 0) return false;
  buffer.assign(needed, 0);
  return enumerate(buffer.data(), needed, &needed, &count) != FALSE;
}

HANDLE ToPrinter(PrinterHandle printer) { return reinterpret_cast<HANDLE>(printer); }

// The spooler's functions come from the system folder's winspool.drv,
// found at run time. Imported by the program, the library would be looked
// for beside the program first, before any code of ours runs: it is no
// library that Windows keeps in its list of known ones. `Declared` is the
// type of the declaration in winspool.h, `name` the export's name; a
// missing export fails with ERROR_PROC_NOT_FOUND and a zero result.
template <typename Declared, typename... Args>
auto Spool(const char* name, Args... args) {
  static const HMODULE library = LoadSystemLibrary("winspool.drv");
  const auto function = reinterpret_cast<Declared*>(
      reinterpret_cast<void*>(library != nullptr ? ::GetProcAddress(library, name) : nullptr));
  using Result = decltype(function(args...));
  if (function == nullptr) {
    ::SetLastError(ERROR_PROC_NOT_FOUND);
    return Result{};
  }
  return function(args...);
}

}  // namespace

bool Win32Spooler::EnumPortsA(std::vector<PortInfo2>& ports) {
  ports.clear();
  std::vector<BYTE> buffer;
  DWORD count = 0;
  bool ok = EnumerateInto(
      [](BYTE* data, DWORD size, DWORD* needed, DWORD* returned) {
        return Spool<decltype(::EnumPortsA)>("EnumPortsA", nullptr, 2, data, size, needed,
                                             returned);
      },
      buffer, count);
  if (!ok) return false;
  const auto* entries = reinterpret_cast<const PORT_INFO_2A*>(buffer.data());
  for (DWORD i = 0; i < count; ++i) {
    ports.push_back(PortInfo2{Text(entries[i].pPortName), Text(entries[i].pMonitorName),
                              Text(entries[i].pDescription), entries[i].fPortType});
  }
  return true;
}

int Win32Spooler::AddPortA(WindowId owner, const std::string& monitorName) {
  MutableString monitor(monitorName);
  return Spool<decltype(::AddPortA)>("AddPortA", nullptr, ToHwnd(owner), monitor.get());
}

bool Win32Spooler::ConfigurePortA(WindowId owner, const std::string& portName) {
  MutableString port(portName);
  return Spool<decltype(::ConfigurePortA)>("ConfigurePortA", nullptr, ToHwnd(owner), port.get()) !=
         FALSE;
}

bool Win32Spooler::DeletePortA(WindowId owner, const std::string& portName) {
  MutableString port(portName);
  return Spool<decltype(::DeletePortA)>("DeletePortA", nullptr, ToHwnd(owner), port.get()) != FALSE;
}

bool Win32Spooler::EnumPrintersA(uint32_t flags, std::vector<PrinterInfo2>& printers) {
  printers.clear();
  std::vector<BYTE> buffer;
  DWORD count = 0;
  char emptyName[1] = {'\0'};
  bool ok = EnumerateInto(
      [&](BYTE* data, DWORD size, DWORD* needed, DWORD* returned) {
        return Spool<decltype(::EnumPrintersA)>("EnumPrintersA", flags, emptyName, 2, data, size,
                                                needed, returned);
      },
      buffer, count);
  if (!ok) return false;
  const auto* entries = reinterpret_cast<const PRINTER_INFO_2A*>(buffer.data());
  for (DWORD i = 0; i < count; ++i) {
    const PRINTER_INFO_2A& e = entries[i];
    PrinterInfo2 info;
    info.serverName = Text(e.pServerName);
    info.printerName = Text(e.pPrinterName);
    info.shareName = Text(e.pShareName);
    info.portName = Text(e.pPortName);
    info.driverName = Text(e.pDriverName);
    info.comment = Text(e.pComment);
    info.location = Text(e.pLocation);
    info.sepFile = Text(e.pSepFile);
    info.printProcessor = Text(e.pPrintProcessor);
    info.datatype = Text(e.pDatatype);
    info.parameters = Text(e.pParameters);
    info.attributes = e.Attributes;
    info.priority = e.Priority;
    info.defaultPriority = e.DefaultPriority;
    info.startTime = e.StartTime;
    info.untilTime = e.UntilTime;
    info.status = e.Status;
    info.jobs = e.cJobs;
    info.averagePpm = e.AveragePPM;
    printers.push_back(std::move(info));
  }
  return true;
}

int Win32Spooler::OpenPrinterA(const std::string& printerName, PrinterHandle& printer,
                               const PrinterDefaults& defaults) {
  MutableString name(printerName);
  MutableString datatype(defaults.datatype);
  PRINTER_DEFAULTSA printerDefaults{datatype.getOrNull(), nullptr, defaults.desiredAccess};
  HANDLE handle = nullptr;
  BOOL result =
      Spool<decltype(::OpenPrinterA)>("OpenPrinterA", name.get(), &handle, &printerDefaults);
  printer = result ? reinterpret_cast<PrinterHandle>(handle) : 0;
  return result;
}

bool Win32Spooler::SetPrinterA(PrinterHandle printer, uint32_t level, uint32_t command) {
  return Spool<decltype(::SetPrinterA)>("SetPrinterA", ToPrinter(printer), level, nullptr,
                                        command) != FALSE;
}

bool Win32Spooler::DeletePrinter(PrinterHandle printer) {
  return Spool<decltype(::DeletePrinter)>("DeletePrinter", ToPrinter(printer)) != FALSE;
}

bool Win32Spooler::ClosePrinter(PrinterHandle printer) {
  return Spool<decltype(::ClosePrinter)>("ClosePrinter", ToPrinter(printer)) != FALSE;
}

PrinterHandle Win32Spooler::AddPrinterA(const PrinterInfo2& info) {
  MutableString serverName(info.serverName), printerName(info.printerName),
      shareName(info.shareName), portName(info.portName), driverName(info.driverName),
      comment(info.comment), location(info.location), sepFile(info.sepFile),
      printProcessor(info.printProcessor), datatype(info.datatype), parameters(info.parameters);
  PRINTER_INFO_2A record{};
  record.pServerName = serverName.getOrNull();
  record.pPrinterName = printerName.getOrNull();
  record.pShareName = shareName.getOrNull();
  record.pPortName = portName.getOrNull();
  record.pDriverName = driverName.getOrNull();
  record.pComment = comment.getOrNull();
  record.pLocation = location.getOrNull();
  record.pSepFile = sepFile.getOrNull();
  record.pPrintProcessor = printProcessor.getOrNull();
  record.pDatatype = datatype.getOrNull();
  record.pParameters = parameters.getOrNull();
  record.Attributes = info.attributes;
  record.Priority = info.priority;
  record.DefaultPriority = info.defaultPriority;
  record.StartTime = info.startTime;
  record.UntilTime = info.untilTime;
  record.Status = info.status;
  record.cJobs = info.jobs;
  record.AveragePPM = info.averagePpm;
  HANDLE handle =
      Spool<decltype(::AddPrinterA)>("AddPrinterA", nullptr, 2, reinterpret_cast<BYTE*>(&record));
  return reinterpret_cast<PrinterHandle>(handle);
}

bool Win32Spooler::GetPrinterDriverDirectoryA(const std::string& environment,
                                              std::string& directory) {
  MutableString env(environment);
  std::vector<BYTE> buffer(MAX_PATH * 2, 0);
  DWORD needed = 0;
  BOOL ok = Spool<decltype(::GetPrinterDriverDirectoryA)>(
      "GetPrinterDriverDirectoryA", nullptr, env.getOrNull(), 1, buffer.data(),
      static_cast<DWORD>(buffer.size()), &needed);
  if (!ok && ::GetLastError() == ERROR_INSUFFICIENT_BUFFER && needed > buffer.size()) {
    buffer.assign(needed, 0);
    ok = Spool<decltype(::GetPrinterDriverDirectoryA)>(
        "GetPrinterDriverDirectoryA", nullptr, env.getOrNull(), 1, buffer.data(), needed, &needed);
  }
  if (!ok) return false;
  buffer.push_back(0);
  directory = reinterpret_cast<const char*>(buffer.data());
  return true;
}

bool Win32Spooler::AddPrinterDriverExA(const DriverInfo3& info, uint32_t fileCopyFlags) {
  MutableString name(info.name), environment(info.environment), driverPath(info.driverPath),
      dataFile(info.dataFile), configFile(info.configFile), helpFile(info.helpFile),
      monitorName(info.monitorName), defaultDataType(info.defaultDataType);
  // The dependent files are a list of zero-terminated names; two more zero
  // bytes make sure it ends even when the caller's bytes stop short.
  std::vector<char> dependentFiles(info.dependentFiles.begin(), info.dependentFiles.end());
  dependentFiles.push_back('\0');
  dependentFiles.push_back('\0');
  DRIVER_INFO_3A record{};
  record.cVersion = info.version;
  record.pName = name.get();
  record.pEnvironment = environment.get();
  record.pDriverPath = driverPath.get();
  record.pDataFile = dataFile.get();
  record.pConfigFile = configFile.get();
  record.pHelpFile = helpFile.get();
  record.pDependentFiles = dependentFiles.data();
  record.pMonitorName = monitorName.get();
  record.pDefaultDataType = defaultDataType.get();
  return Spool<decltype(::AddPrinterDriverExA)>("AddPrinterDriverExA", nullptr, 3,
                                                reinterpret_cast<BYTE*>(&record),
                                                fileCopyFlags) != FALSE;
}

bool Win32Spooler::DeletePrinterDriverA(const std::string& environment,
                                        const std::string& driverName) {
  MutableString env(environment), name(driverName);
  return Spool<decltype(::DeletePrinterDriverA)>("DeletePrinterDriverA", nullptr, env.getOrNull(),
                                                 name.get()) != FALSE;
}

bool Win32Spooler::AddMonitorA(const MonitorInfo2& info) {
  MutableString name(info.name), environment(info.environment), dllName(info.dllName);
  MONITOR_INFO_2A record{name.get(), environment.getOrNull(), dllName.get()};
  return Spool<decltype(::AddMonitorA)>("AddMonitorA", nullptr, 2,
                                        reinterpret_cast<BYTE*>(&record)) != FALSE;
}

bool Win32Spooler::DeleteMonitorA(const std::string& environment, const std::string& monitorName) {
  MutableString env(environment), name(monitorName);
  return Spool<decltype(::DeleteMonitorA)>("DeleteMonitorA", nullptr, env.getOrNull(),
                                           name.get()) != FALSE;
}

}  // namespace platform::win32
