#pragma once

#include <string>
#include <vector>

#include "platform/machine.h"

struct Installation;
class InstallerWindow;

// Refills allPorts, usbPorts, serialPorts, parallelPorts and tcpipPorts, then
// the window shows the change (ShowPortsChanged).
void PortInventory(Installation& installation, InstallerWindow& window);
// The refill alone, for a caller that has the window show it later.
void ReadPortLists(Installation& installation);
// Fills `list` with the registry's serial devices ("COM3" becomes "COM3:").
// 1 if the list is non-empty afterwards, else 0.
int SerialPortInventory(platform::Machine& machine, std::vector<std::string>& list);
// Fills the installed printers' names and ports; on a failed enumeration both
// lists keep their contents. 1 if at least one printer was listed.
int InstalledPrinterInventory(platform::Machine& machine, std::vector<std::string>& names,
                              std::vector<std::string>& ports);

// The TCP/IP port test shared with the TCP/IP port dialog: the Standard
// TCP/IP Port monitor's description, in English or Simplified Chinese.
bool IsTcpIpPortDescription(const std::string& description);

// Windows compares printer, driver and port names without regard to case.
bool SameName(const std::string& a, const std::string& b);
