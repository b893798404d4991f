// The installation's port lists, refilled from the machine's ports.
#pragma once

struct Installation;
class InstallerWindow;

// Refills allPorts, usbPorts, serialPorts, parallelPorts and tcpipPorts, then
// the window shows the change (ShowPortsChanged).
void PortInventory(Installation& installation, InstallerWindow& window);
// The refill alone, for a caller that has the window show it later.
void ReadPortLists(Installation& installation);
