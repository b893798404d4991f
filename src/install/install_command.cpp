#include "install/install_command.h"

#include "drivers/driver_name_list.h"
#include "install/label_driver.h"
#include "install/receipt_driver.h"
#include "installation/installer_window.h"
#include "installation/step_times.h"
#include "platform/win_constants.h"
#include "port_steps/port_lists.h"
#include "ports/port_inventory.h"
#include "ports/port_kind.h"

void InstallCommand(Installation& installation, InstallerWindow& window) {
  StepMark("install-begin");
  PortInventory(installation, window);
  window.UpdateData(true);
  window.EnableInstall(false);

  installation.portKind = window.SelectedPortKind(installation.portKind);
  // Whether this run found a port of its kind: a port connected after an
  // earlier run found none counts for the next run.
  installation.portAvailable = true;
  if (installation.PortsOfKind(installation.portKind) != nullptr) {
    const StringList ports = installation.CandidatePorts(installation.portKind);
    if (ports.empty()) {
      installation.portAvailable = false;
    } else {
      installation.chosenPort = ports.front();
    }
  }

  installation.modelIndex = window.DriverComboSelection();
  installation.modelIndex =
      LookupDriverName(installation.machine, window.DriverComboText(), installation.modelIndex);

  const int32_t receiptRows = installation.ReceiptRows();
  const int32_t allRows = receiptRows + installation.labelGroupSize;
  if (installation.modelIndex < 0 || installation.modelIndex >= allRows) {
    // No list file, an empty one, or a name beyond the catalogue: there is
    // no driver to install.
    window.ShowMessageBox(
        installation.modelIndex < 0
            ? "No driver name is available,the driver package may be missing or damaged"
            : "The chosen driver name has no driver in this installer",
        "Prompt", win::MB_OK,
        installation.modelIndex < 0 ? RunOutcome::kNoDriverNameList
                                    : RunOutcome::kUnknownDriverName);
    window.EnableInstall();
  } else if (installation.modelIndex < receiptRows) {
    InstallReceiptDriver(installation, window);
  } else {
    InstallLabelDriver(installation, window);
  }

  InstalledPrinterInventory(installation.machine, installation.printerNames,
                            installation.printerPorts);
  window.UpdateData(false);
  StepMark("install-end");
}
