#include "port_steps/printer_port_registry.h"

#include "installation/installer_window.h"
#include "package/access_rights.h"
#include "platform/win_constants.h"

namespace {

constexpr char kSoftwarePrinters[] =
    "Software\\Microsoft\\Windows NT\\CurrentVersion\\Print\\Printers\\";
constexpr char kControlSet001Printers[] = "SYSTEM\\ControlSet001\\Control\\Print\\Printers\\";
constexpr char kCurrentControlSetPrinters[] =
    "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\";
constexpr char kProfilePrinters[] =
    "SYSTEM\\CurrentControlSet\\Hardware Profiles\\Current\\System\\CurrentControlSet\\Control\\"
    "Print\\Printers\\";

constexpr platform::KeyHandle kRoot = platform::kHkeyLocalMachine;

uint32_t SetString(platform::Registry& registry, platform::KeyHandle key, const char* valueName,
                   const std::string& text) {
  // The terminating zero is part of the stored data.
  return registry.RegSetValueExA(key, valueName, win::REG_SZ, text.c_str(),
                                 static_cast<uint32_t>(text.size() + 1));
}

// Keys 2 to 4: the key must exist and take the value, or the port change has
// failed. `grantAgain` repeats the grant on the opened key before writing.
bool WritePortValue(platform::Machine& machine, const std::string& keyPath, const char* valueName,
                    const std::string& portName, bool grantAgain) {
  platform::Registry& registry = machine.registry();
  GrantAdministratorsFullControl(machine, kRoot, keyPath);
  platform::ScopedKey key(registry);
  if (registry.RegOpenKeyExA(kRoot, keyPath, win::KEY_SET_VALUE, key.handle()) !=
      win::ERROR_SUCCESS) {
    key.handle() = 0;
    return false;
  }
  if (grantAgain) GrantAdministratorsFullControl(machine, kRoot, keyPath);
  return SetString(registry, key.get(), valueName, portName) == win::ERROR_SUCCESS;
}

}  // namespace

bool SetPrinterPortRegistry(Installation& installation, InstallerWindow& window,
                            const std::string& printerName, const std::string& portName) {
  // Every key path ends in the printer name: an empty name, or one that
  // reaches into another key, would write the values into the spooler's
  // parent keys or a stranger's. The spooler allows no backslash in the
  // name of a local printer.
  if (printerName.empty() || printerName.find('\\') != std::string::npos) return false;

  platform::Machine& machine = installation.machine;
  platform::Registry& registry = machine.registry();

  // Key 1 only reports on the status line; the result rests on keys 2 to 5.
  {
    const std::string path = std::string(kSoftwarePrinters) + printerName;
    GrantAdministratorsFullControl(machine, kRoot, path);
    platform::ScopedKey key(registry);
    if (registry.RegOpenKeyExA(kRoot, path, win::KEY_SET_VALUE, key.handle()) !=
        win::ERROR_SUCCESS) {
      key.handle() = 0;
      SetStatus(installation, window, "Failed to open Registry");
    } else {
      GrantAdministratorsFullControl(machine, kRoot, path);
      if (SetString(registry, key.get(), "Port", portName) != win::ERROR_SUCCESS) {
        SetStatus(installation, window, "Failed to set Registry");
      }
    }
  }

  if (!WritePortValue(machine, std::string(kSoftwarePrinters) + printerName + "\\DsSpooler",
                      "portName", portName, true)) {
    return false;
  }
  if (!WritePortValue(machine, std::string(kControlSet001Printers) + printerName, "Port", portName,
                      true)) {
    return false;
  }
  if (!WritePortValue(machine, std::string(kCurrentControlSetPrinters) + printerName, "Port",
                      portName, false)) {
    return false;
  }

  // Key 5: the on-line flag, cleared so that the next spooler start decides.
  const std::string profilePath = std::string(kProfilePrinters) + printerName;
  window.Refresh();
  GrantAdministratorsFullControl(machine, kRoot, profilePath);
  platform::ScopedKey key(registry);
  if (registry.RegCreateKeyExA(kRoot, profilePath, win::REG_OPTION_NON_VOLATILE,
                               win::KEY_ALL_ACCESS, true, key.handle(),
                               nullptr) != win::ERROR_SUCCESS) {
    key.handle() = 0;
    return false;
  }
  window.Refresh();
  GrantAdministratorsFullControl(machine, kRoot, profilePath);
  const uint32_t offline = 0;
  return registry.RegSetValueExA(key.get(), "PrinterOnLine", win::REG_DWORD, &offline,
                                 sizeof offline) == win::ERROR_SUCCESS;
}
