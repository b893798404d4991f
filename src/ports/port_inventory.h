// The machine's ports and printers as the installer sees them: which ports
// count as USB, TCP/IP and parallel ports, the serial devices, the installed
// printers, and how Windows compares their names.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/machine.h"

// Fills `list` with the registry's serial devices ("COM3" becomes "COM3:").
// 1 if the list is non-empty afterwards, else 0.
int SerialPortInventory(platform::Machine& machine, std::vector<std::string>& list);
// Fills the installed printers' names and ports; on a failed enumeration both
// lists keep their contents. 1 if at least one printer was listed.
int InstalledPrinterInventory(platform::Machine& machine, std::vector<std::string>& names,
                              std::vector<std::string>& ports);

// Only this many enumerated ports are looked at, by the window's lists and
// the port dialogs alike, so that a row names the same port in both.
inline constexpr std::size_t kInventoryLimit = 256;

// The Standard TCP/IP Port monitor's description, in English or Simplified
// Chinese.
bool IsTcpIpPortDescription(const std::string& description);

// The port kinds of an enumerated port. A USB-named port is USB whatever its
// description; a port is at most one of the three.
bool IsListedUsbPort(const platform::PortInfo2& port);
bool IsListedTcpIpPort(const platform::PortInfo2& port);
bool IsListedParallelPort(const platform::PortInfo2& port);

// Finds `portName` in `ports`, trying `row` first. The index, or -1.
int IndexInList(const std::vector<std::string>& ports, int row, const std::string& portName);

// Windows compares printer, driver and port names without regard to case.
bool SameName(const std::string& a, const std::string& b);
