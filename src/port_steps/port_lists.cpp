#include "port_steps/port_lists.h"

#include <vector>

#include "installation/installer_window.h"
#include "ports/port_inventory.h"

void PortInventory(Installation& installation, InstallerWindow& window) {
  ReadPortLists(installation);
  window.ShowPortsChanged();
}

void ReadPortLists(Installation& installation) {
  installation.allPorts.clear();
  installation.usbPorts.clear();
  installation.serialPorts.clear();
  installation.tcpipPorts.clear();
  installation.parallelPorts.clear();

  SerialPortInventory(installation.machine, installation.serialPorts);

  std::vector<platform::PortInfo2> ports;
  if (!installation.machine.spooler().EnumPortsA(ports)) ports.clear();

  for (size_t position = 0; position < ports.size() && position < kInventoryLimit; ++position) {
    const platform::PortInfo2& port = ports[position];
    if (IsListedUsbPort(port)) {
      installation.usbPorts.push_back(port.portName);
    } else if (IsListedTcpIpPort(port)) {
      installation.tcpipPorts.push_back(port.portName);
    } else if (IsListedParallelPort(port)) {
      installation.parallelPorts.push_back(port.portName);
    }
    installation.allPorts.push_back(port.portName);
  }
}
