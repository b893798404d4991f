// The print spooler (winspool), one to one with the ANSI calls the installer
// makes. BOOL-returning calls return bool and leave their error in the
// machine's last-error value (Machine::GetLastError), as in Win32.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/handles.h"

namespace platform {

struct PortInfo2 {  // PORT_INFO_2A
  std::string portName;
  std::string monitorName;
  std::string description;
  uint32_t portType = 0;
};

struct PrinterInfo2 {  // PRINTER_INFO_2A; an empty string stands for a null pointer
  std::string serverName;
  std::string printerName;
  std::string shareName;
  std::string portName;
  std::string driverName;
  std::string comment;
  std::string location;
  std::string sepFile;
  std::string printProcessor;
  std::string datatype;
  std::string parameters;
  uint32_t attributes = 0;
  uint32_t priority = 0;
  uint32_t defaultPriority = 0;
  uint32_t startTime = 0;
  uint32_t untilTime = 0;
  uint32_t status = 0;
  uint32_t jobs = 0;
  uint32_t averagePpm = 0;
};

struct DriverInfo3 {  // DRIVER_INFO_3A; every string is passed as a pointer, never null
  uint32_t version = 0;
  std::string name;
  std::string environment;
  std::string driverPath;
  std::string dataFile;
  std::string configFile;
  std::string helpFile;
  // A sequence of zero-terminated names ended by an empty name, bytes as
  // handed to the spooler.
  std::string dependentFiles;
  std::string monitorName;
  std::string defaultDataType;
};

struct MonitorInfo2 {  // MONITOR_INFO_2A
  std::string name;
  std::string environment;
  std::string dllName;
};

struct PrinterDefaults {  // PRINTER_DEFAULTSA without a device mode
  std::string datatype;
  uint32_t desiredAccess = 0;
};

class Spooler {
 public:
  virtual ~Spooler() = default;

  // Level 2, local machine. The backend asks for the size first and fills a
  // buffer of exactly that size.
  virtual bool EnumPortsA(std::vector<PortInfo2>& ports) = 0;
  // The monitor's add-port wizard, modal to `owner`. Returns the BOOL as is.
  virtual int AddPortA(WindowId owner, const std::string& monitorName) = 0;
  virtual bool ConfigurePortA(WindowId owner, const std::string& portName) = 0;
  virtual bool DeletePortA(WindowId owner, const std::string& portName) = 0;

  // Level 2 with the empty string as name.
  virtual bool EnumPrintersA(uint32_t flags, std::vector<PrinterInfo2>& printers) = 0;
  // Returns the BOOL as is; callers rely on exactly 1.
  virtual int OpenPrinterA(const std::string& printerName, PrinterHandle& printer,
                           const PrinterDefaults& defaults) = 0;
  // Level 0 with no buffer: a printer control command.
  virtual bool SetPrinterA(PrinterHandle printer, uint32_t level, uint32_t command) = 0;
  virtual bool DeletePrinter(PrinterHandle printer) = 0;
  virtual bool ClosePrinter(PrinterHandle printer) = 0;
  // Level 2. Returns 0 on failure.
  virtual PrinterHandle AddPrinterA(const PrinterInfo2& info) = 0;

  // Level 1, local machine. Writes `directory` only on success.
  virtual bool GetPrinterDriverDirectoryA(const std::string& environment,
                                          std::string& directory) = 0;
  // Level 3.
  virtual bool AddPrinterDriverExA(const DriverInfo3& info, uint32_t fileCopyFlags) = 0;
  virtual bool DeletePrinterDriverA(const std::string& environment,
                                    const std::string& driverName) = 0;
  // Level 2.
  virtual bool AddMonitorA(const MonitorInfo2& info) = 0;
  virtual bool DeleteMonitorA(const std::string& environment, const std::string& monitorName) = 0;
};

}  // namespace platform
