// What the uninstall window lists and removes: the installed printers named
// like one of the driver-name list's names, and the removal of one of them
// with its driver and its registry traces.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/machine.h"

// One row per (printer, driver name) pair whose names are equal, byte for
// byte; ordered by printer, then by driver name. A failed printer
// enumeration lists nothing.
std::vector<std::string> InstalledDriverRows(platform::Machine& machine);

// The spooler driver behind a listed name: the catalogue driver of the row
// the name maps to in the driver-name list. A printer is named after its
// display name while its driver carries the catalogue's name; the two differ
// whenever the list offers a model under a name of its own.
std::string DriverNameForListedName(platform::Machine& machine, const std::string& listedName);

// Removes the printer `name` and its driver, restarting the spooler between
// the steps, then cleans up its registry traces (CleanUpPrinterRegistry):
// the uninstall window's button and /uninstall alike. `progress` receives
// 20, 40, 60, 80, 90 and 100; `rebuild` runs between 80 and 90, as the
// window's list rebuild does. An empty `name` does nothing. Boxes of the
// spooler restarts are owned by `owner`. The window shows no failure of the
// removal; a run with arguments logs the driver's, which the result holds.
struct DriverRemoval {
  std::string driverName;
  std::string environment;
  bool removed = false;
  uint32_t error = 0;  // the spooler's last error when not removed
};
DriverRemoval RemovePrinterAndDriver(platform::Machine& machine, platform::WindowId owner,
                                     const std::string& name,
                                     const std::function<void(int)>& progress,
                                     const std::function<void()>& rebuild);
