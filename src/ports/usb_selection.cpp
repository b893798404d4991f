#include "ports/usb_selection.h"

#include <cstring>

#include "dialogs/port_list.h"
#include "dialogs/usb_port_dialog.h"
#include "platform/win_constants.h"
#include "ports/printer_port_registry.h"
#include "resources/resource.h"
#include "shell/main_window.h"
#include "shell/port_inventory.h"
#include "shell/spooler_control.h"

namespace {

constexpr char kProfilePrinters[] =
    "SYSTEM\\CurrentControlSet\\Hardware Profiles\\Current\\System\\CurrentControlSet\\Control\\"
    "Print\\Printers\\";

enum class Outcome { Found, NoneOnLine, NotWritten };

// Binds the printer to each USB port in turn until the spooler marks it on
// line. `lastFlag` keeps the first byte of the last flag read.
Outcome TryEachPort(MainWindow& window, const std::string& printerName, uint8_t& lastFlag) {
  platform::Machine& machine = window.machine;
  platform::Registry& registry = machine.registry();
  // The list is refilled by the printer inventory below only, not the ports:
  // iterate over a copy all the same so nothing can pull it away.
  const StringList ports = window.usbPorts;
  for (const std::string& port : ports) {
    window.SetStatus("Checking  " + port + " ....");
    if (!SetPrinterPortRegistry(window, printerName, port)) return Outcome::NotWritten;

    window.SetProgress(50);
    SpoolerControl(machine, window.hwnd(), "Spooler", Restart);
    window.SetProgress(60);
    InstalledPrinterInventory(machine, window.printerNames, window.printerPorts);

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
      window.SetStatus("Requires higher permission to read the Registry");
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
void ManualChoice(MainWindow& window, const std::string& printerName) {
  platform::Machine& machine = window.machine;
  UsbPortDialog dialog(machine);
  const std::intptr_t result = machine.ui().DialogBoxParamA(IDD_USB_PORT, window.hwnd(), dialog);
  if (result < 0 || static_cast<std::size_t>(result) >= window.usbPorts.size()) return;
  int index = static_cast<int>(result);
  if (!dialog.chosenPort().empty()) {
    index = port_list::IndexInList(window.usbPorts, index, dialog.chosenPort());
    if (index < 0) return;
  }
  SetPrinterPortRegistry(window, printerName, window.usbPorts[index]);
}

}  // namespace

void SelectUsbPort(MainWindow& window) {
  PortInventory(window);
  window.SetStatus("Checking USB ports...");
  uint8_t lastFlag = 0;
  const std::string printerName = window.DriverComboText();

  bool askRetry = window.usbPorts.empty();
  if (!askRetry) {
    switch (TryEachPort(window, printerName, lastFlag)) {
      case Outcome::Found:
        break;
      case Outcome::NotWritten:
        ManualChoice(window, printerName);
        break;
      case Outcome::NoneOnLine:
        // A flag byte other than 0 or 1 ends the search without the box.
        askRetry = lastFlag == 0;
        break;
    }
  }

  if (askRetry) {
    const int answer = window.machine.ui().MessageBoxA(
        window.hwnd(),
        "Failed to select usb port,please check whether the port is connected.\r\n\r\n"
        "Click Retry:Retry to select usb port\r\nClick Cancel:Ignore",
        "Fail to select port", win::MB_RETRYCANCEL);
    if (answer == win::IDRETRY) SelectUsbPort(window);
  }
  window.SetProgress(80);
}
