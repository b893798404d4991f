#include "shell/install_command.h"

#include "install/label_driver.h"
#include "install/model_catalogue.h"
#include "install/receipt_driver.h"
#include "platform/win_constants.h"
#include "resources/resource.h"
#include "shell/driver_name_list.h"
#include "shell/main_window.h"
#include "shell/port_inventory.h"
#include "shell/port_kind.h"
#include "shell/step_times.h"

namespace {

// The selected row of the port-type list; `current` when none is selected.
int32_t SelectedPortKind(MainWindow& window, int32_t current) {
  platform::WindowSystem& ui = window.machine.ui();
  for (int row = 0; row < ui.ListGetItemCount(window.hwnd(), IDC_PORT_LIST); ++row) {
    if ((ui.ListGetItemState(window.hwnd(), IDC_PORT_LIST, row, win::LVIS_SELECTED) &
         win::LVIS_SELECTED) != 0) {
      return row;
    }
  }
  return current;
}

const StringList* PortsOfKind(MainWindow& window, int32_t kind) {
  switch (kind) {
    case Serial:
      return &window.serialPorts;
    case Usb:
      return &window.usbPorts;
    case Parallel:
      return &window.parallelPorts;
    case TcpIp:
      return &window.tcpipPorts;
    default:
      return nullptr;
  }
}

}  // namespace

void InstallCommand(MainWindow& window) {
  StepMark("install-begin");
  PortInventory(window);
  window.UpdateData(true);
  window.EnableInstall(false);

  window.portKind = SelectedPortKind(window, window.portKind);
  // Whether this run found a port of its kind: a port connected after an
  // earlier run found none counts for the next run.
  window.app.portAvailable = true;
  if (const StringList* ports = PortsOfKind(window, window.portKind)) {
    if (ports->empty()) {
      window.app.portAvailable = false;
    } else {
      window.chosenPort = ports->front();
    }
  }

  window.modelIndex = window.machine.ui().ComboGetCurSel(window.hwnd(), IDC_DRIVER_NAME);
  window.modelIndex = LookupDriverName(window.machine, window.DriverComboText(), window.modelIndex);

  const int32_t receiptRows = window.receiptGroup1Size + window.receiptGroup2Size +
                              window.receiptGroup3Size + window.receiptGroup4Size;
  const int32_t allRows = receiptRows + window.labelGroupSize;
  if (window.modelIndex < 0 || window.modelIndex >= allRows) {
    // No list file, an empty one, or a name beyond the catalogue: there is
    // no driver to install.
    window.machine.ui().MessageBoxA(
        window.hwnd(),
        window.modelIndex < 0
            ? "No driver name is available,the driver package may be missing or damaged"
            : "The chosen driver name has no driver in this installer",
        "Prompt", win::MB_OK);
    window.EnableInstall();
  } else if (window.modelIndex < receiptRows) {
    InstallReceiptDriver(window);
  } else {
    InstallLabelDriver(window);
  }

  InstalledPrinterInventory(window.machine, window.printerNames, window.printerPorts);
  window.UpdateData(false);
  StepMark("install-end");
}
