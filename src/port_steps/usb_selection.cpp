#include "port_steps/usb_selection.h"

#include <cstring>

#include "drivers/spooler_control.h"
#include "installation/installer_window.h"
#include "platform/win_constants.h"
#include "port_steps/port_lists.h"
#include "port_steps/printer_port_registry.h"
#include "ports/port_inventory.h"

namespace {

constexpr char kProfilePrinters[] =
    "SYSTEM\\CurrentControlSet\\Hardware Profiles\\Current\\System\\CurrentControlSet\\Control\\"
    "Print\\Printers\\";

enum class Outcome { Found, NoneOnLine, NotWritten };

// Binds the printer to each USB port in turn until the spooler marks it on
// line. `lastFlag` keeps the first byte of the last flag read.
Outcome TryEachPort(Installation& installation, InstallerWindow& window,
                    const std::string& printerName, uint8_t& lastFlag) {
  platform::Machine& machine = installation.machine;
  platform::Registry& registry = machine.registry();
  // A copy: nothing the loop calls may pull the list away. A named port is
  // tried alone; another port with a printer behind it must not win.
  const StringList ports = installation.CandidatePorts(Usb);
  for (const std::string& port : ports) {
    SetStatus(installation, window, "Checking  " + port + " ....");
    if (!SetPrinterPortRegistry(installation, window, printerName, port))
      return Outcome::NotWritten;

    window.SetProgress(50);
    SpoolerControl(machine, window.Owner(), "Spooler", Restart);
    window.SetProgress(60);
    InstalledPrinterInventory(machine, installation.printerNames, installation.printerPorts);

    platform::ScopedKey key(registry);
    if (registry.RegOpenKeyExA(platform::kHkeyLocalMachine,
                               std::string(kProfilePrinters) + printerName, win::KEY_QUERY_VALUE,
                               key.handle()) != win::ERROR_SUCCESS) {
      key.handle() = 0;
      continue;
    }
    uint8_t data[50] = {};
    uint32_t size = sizeof data;
    if (registry.RegQueryValueExA(key.get(), "PrinterOnLine", nullptr, data, &size) !=
        win::ERROR_SUCCESS) {
      SetStatus(installation, window, "Requires higher permission to read the Registry");
      continue;
    }
    lastFlag = data[0];
    if (lastFlag == 1) {
      key.Close();
      window.SetProgress(70);
      return Outcome::Found;
    }
  }
  return Outcome::NoneOnLine;
}

// The user picks the port. A cancelled dialog, or a row that names no entry
// of usbPorts, leaves the printer where the last attempt put it.
void ManualChoice(Installation& installation, InstallerWindow& window,
                  const std::string& printerName) {
  std::string chosen;
  const std::intptr_t result = window.ShowPortDialog(Usb, chosen);
  if (result < 0 || static_cast<std::size_t>(result) >= installation.usbPorts.size()) return;
  int index = static_cast<int>(result);
  if (!chosen.empty()) {
    index = IndexInList(installation.usbPorts, index, chosen);
    if (index < 0) return;
  }
  SetPrinterPortRegistry(installation, window, printerName, installation.usbPorts[index]);
}

}  // namespace

void SelectUsbPort(Installation& installation, InstallerWindow& window) {
  PortInventory(installation, window);
  SetStatus(installation, window, "Checking USB ports...");
  uint8_t lastFlag = 0;
  const std::string printerName = window.DriverComboText();

  bool askRetry = installation.usbPorts.empty();
  if (!askRetry) {
    switch (TryEachPort(installation, window, printerName, lastFlag)) {
      case Outcome::Found:
        break;
      case Outcome::NotWritten:
        ManualChoice(installation, window, printerName);
        break;
      case Outcome::NoneOnLine:
        // A flag byte other than 0 or 1 ends the search without the box.
        askRetry = lastFlag == 0;
        break;
    }
  }

  if (askRetry) {
    const int answer = window.ShowMessageBox(
        "Failed to select usb port,please check whether the port is connected.\r\n\r\n"
        "Click Retry:Retry to select usb port\r\nClick Cancel:Ignore",
        "Fail to select port", win::MB_RETRYCANCEL, RunOutcome::kNoPort);
    if (answer == win::IDRETRY) SelectUsbPort(installation, window);
  }
  window.SetProgress(80);
}
