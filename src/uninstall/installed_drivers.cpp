#include "uninstall/installed_drivers.h"

#include "drivers/driver_name_list.h"
#include "drivers/model_catalogue.h"
#include "drivers/spooler_control.h"
#include "drivers/windows_version.h"
#include "package/access_rights.h"
#include "platform/win_constants.h"
#include "ports/port_inventory.h"

namespace {

struct CleanUpKey {
  platform::KeyHandle root;
  const char* parentPath;
};

constexpr CleanUpKey kCleanUpKeys[] = {
    {platform::kHkeyCurrentUser,
     "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\PhotoPrintingWizard\\"},
    {platform::kHkeyLocalMachine,
     "SYSTEM\\ControlSet001\\Hardware Profiles\\0001\\System\\CurrentControlSet\\Control\\Print\\"
     "Printers\\"},
    {platform::kHkeyLocalMachine,
     "SYSTEM\\ControlSet001\\Hardware Profiles\\Current\\System\\CurrentControlSet\\Control\\"
     "Print\\Printers\\"},
    {platform::kHkeyLocalMachine,
     "SYSTEM\\ControlSet002\\Hardware Profiles\\0001\\System\\CurrentControlSet\\Control\\Print\\"
     "Printers\\"},
    {platform::kHkeyLocalMachine,
     "SYSTEM\\CurrentControlSet\\Hardware Profiles\\0001\\System\\CurrentControlSet\\Control\\"
     "Print\\Printers\\"},
    {platform::kHkeyLocalMachine,
     "SYSTEM\\CurrentControlSet\\Hardware Profiles\\Current\\System\\CurrentControlSet\\Control\\"
     "Print\\Printers\\"},
    {platform::kHkeyCurrentConfig, "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\"},
};

}  // namespace

std::vector<std::string> InstalledDriverRows(platform::Machine& machine) {
  std::vector<std::string> printerNames;
  std::vector<std::string> printerPorts;
  InstalledPrinterInventory(machine, printerNames, printerPorts);

  const std::vector<std::string> driverNames = DriverNameList(machine);
  std::vector<std::string> rows;
  for (const auto& printer : printerNames) {
    for (const auto& driver : driverNames) {
      if (printer == driver) rows.push_back(printer);
    }
  }
  return rows;
}

std::string DriverNameForListedName(platform::Machine& machine, const std::string& listedName) {
  const int32_t row = LookupDriverName(machine, listedName, -1);
  if (row >= 0 && row < catalogue::kReceiptModelCount) return catalogue::ReceiptModelNames[row];
  if (row >= catalogue::kReceiptModelCount && row < catalogue::kModelCount) {
    return catalogue::LabelModelNames[row - catalogue::kReceiptModelCount];
  }
  // A name outside the catalogue's rows: the driver can only be the one of
  // the same name.
  return listedName;
}

namespace {

// Deletes the per-printer keys that the system keeps for `name` in the user's
// photo-printing settings and in the hardware profiles. Each key is handled
// on its own; nothing is reported.
void CleanUpPrinterRegistry(platform::Machine& machine, const std::string& name) {
  // An empty sub-key name would make SHDeleteKeyA act on the parent itself
  // and take every printer's entries with it.
  if (name.empty()) return;
  platform::Registry& registry = machine.registry();
  for (const auto& key : kCleanUpKeys) {
    GrantAdministratorsFullControl(machine, key.root, key.parentPath);
    platform::ScopedKey parent(registry);
    if (registry.RegOpenKeyExA(key.root, key.parentPath, win::KEY_SET_VALUE, parent.handle()) !=
        win::ERROR_SUCCESS) {
      continue;
    }
    // Once more now that the key is open: the path names the same key, and
    // the grant works on names, not on open keys.
    GrantAdministratorsFullControl(machine, key.root, key.parentPath);
    registry.SHDeleteKeyA(parent.get(), name);
  }
}

}  // namespace

DriverRemoval RemovePrinterAndDriver(platform::Machine& machine, platform::WindowId owner,
                                     const std::string& name,
                                     const std::function<void(int)>& progress,
                                     const std::function<void()>& rebuild) {
  DriverRemoval removal;
  if (name.empty()) return removal;
  EnableLoadDriverPrivilege(machine.security());
  progress(20);

  const char* environment = RunningOnWow64(machine) ? "Windows x64" : "Windows NT x86";
  // Looked up before the printer goes: the list file is the same either way,
  // but the lookup must not depend on what the removal changes.
  const std::string driverName = DriverNameForListedName(machine, name);
  progress(40);

  platform::Spooler& spooler = machine.spooler();
  platform::PrinterHandle printer = 0;
  if (spooler.OpenPrinterA(name, printer, {"RAW", win::PRINTER_ALL_ACCESS}) == 1) {
    spooler.SetPrinterA(printer, 0, win::PRINTER_CONTROL_PURGE);
    spooler.DeletePrinter(printer);
    spooler.ClosePrinter(printer);
  }
  SpoolerControl(machine, owner, "Spooler", Restart);
  progress(60);

  // The spooler refuses a driver that another printer still uses; the
  // window stays silent about it, as about every failure here.
  removal.driverName = driverName;
  removal.environment = environment;
  removal.removed = spooler.DeletePrinterDriverA(environment, driverName);
  if (!removal.removed) removal.error = machine.GetLastError();
  SpoolerControl(machine, owner, "Spooler", Restart);
  progress(80);

  rebuild();
  progress(90);
  CleanUpPrinterRegistry(machine, name);
  progress(100);
  return removal;
}
