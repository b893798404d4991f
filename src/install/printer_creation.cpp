#include "install/printer_creation.h"

#include <string>

#include "drivers/spooler_control.h"
#include "installation/installer_window.h"
#include "package/access_rights.h"
#include "platform/app_message_box.h"
#include "platform/win_constants.h"
#include "port_steps/port_lists.h"
#include "port_steps/serial_assignment.h"
#include "port_steps/usb_selection.h"
#include "ports/port_kind.h"

namespace {

constexpr const char* kWindowsKey = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows";

// Error codes are shown as "%d" shows a DWORD.
std::string Decimal(uint32_t code) { return std::to_string(static_cast<int32_t>(code)); }

void RemoveExistingPrinter(Installation& installation, InstallerWindow& window,
                           const std::string& printerName) {
  platform::Spooler& spooler = installation.machine.spooler();
  platform::PrinterHandle printer = 0;
  const platform::PrinterDefaults defaults{"RAW", win::PRINTER_ALL_ACCESS};
  if (spooler.OpenPrinterA(printerName, printer, defaults) == 0) return;
  SetStatus(installation, window,
            "The printer " + printerName + " exists,Re-adding the printer...");
  spooler.SetPrinterA(printer, 0, win::PRINTER_CONTROL_PURGE);
  spooler.DeletePrinter(printer);
  spooler.ClosePrinter(printer);
}

// The failed-creation end state: one box owned by the main window, Install
// enabled, progress 0. Status, default printer and port stay untouched.
void ReportCreationFailure(InstallerWindow& window, uint32_t error, InstallVariant variant) {
  std::string text;
  std::string caption = "Prompt";
  bool reinstall = true;
  if (error == win::ERROR_UNKNOWN_PORT) {
    text = "There's no available useful port,please select other type of port";
  } else if (error == win::ERROR_MOD_NOT_FOUND) {
    text = "Missing system flies,please repair system";
  } else if (error == win::ERROR_PRINTER_ALREADY_EXISTS && variant == InstallVariant::Receipt) {
    text = "Please check whether the port is connected,and try to install again.";
  } else {
    text = "Error AddPrinter " + Decimal(error);
    caption = "Error prompt";
    reinstall = false;
  }
  window.ShowMessageBox(
      text, caption, win::MB_OK,
      error == win::ERROR_UNKNOWN_PORT ? RunOutcome::kNoPort : RunOutcome::kPrinterCreation);
  if (reinstall) window.SetInstallText("Reinstall");
  window.EnableInstall();
  window.SetProgress(0);
}

void WriteDefaultPrinter(Installation& installation, InstallerWindow& window,
                         const std::string& printerName) {
  platform::Machine& machine = installation.machine;
  platform::Registry& registry = machine.registry();
  // The third field is the chosen port even when the printer sits on the
  // fall-back port.
  const std::string device = printerName + ",winspool," + installation.chosenPort;
  platform::ScopedKey key(registry);
  if (registry.RegOpenKeyExA(platform::kHkeyCurrentUser, kWindowsKey, win::KEY_SET_VALUE,
                             key.handle()) != win::ERROR_SUCCESS) {
    key.handle() = 0;
    return;
  }
  if (registry.RegSetValueExA(key.get(), "Device", win::REG_SZ, device.c_str(),
                              static_cast<uint32_t>(device.size() + 1)) != win::ERROR_SUCCESS) {
    window.ShowAppMessageBox(
        "Error\xA3\xBA"
        "Failed to set regist",
        win::MB_OK);
  }
}

}  // namespace

bool RegisterDriver(Installation& installation, InstallerWindow& window,
                    const platform::DriverInfo3& driverInfo, InstallVariant variant) {
  platform::Machine& machine = installation.machine;
  if (machine.spooler().AddPrinterDriverExA(driverInfo, win::APD_COPY_ALL_FILES)) {
    SetStatus(installation, window, "Driver " + driverInfo.name + " is added");
    return true;
  }
  const uint32_t error = machine.GetLastError();
  const std::string text = "Failed to add the driver " + Decimal(error) +
                           "\r\n\r\nClick Retry:You can retry\r\nClick Cancel\xA3\xBA"
                           "exit and abort installation";
  const int answer =
      variant == InstallVariant::Receipt
          ? window.ShowMessageBox(text, "Error", win::MB_RETRYCANCEL,
                                  RunOutcome::kDriverRegistration)
          : window.ShowAppMessageBox(text, win::MB_RETRYCANCEL, RunOutcome::kDriverRegistration);
  if (answer == win::IDCANCEL) {
    window.Close(win::IDOK);
  } else {
    // Retry, or a box that could not be shown: the window stays and the user
    // decides.
    window.SetInstallText("Reinstall");
    window.EnableInstall();
    window.SetProgress(0);
  }
  return false;
}

void CreatePrinterAndFinish(Installation& installation, InstallerWindow& window,
                            const std::string& printerName, const std::string& driverName,
                            InstallVariant variant) {
  platform::Machine& machine = installation.machine;
  platform::Spooler& spooler = machine.spooler();
  const bool portAvailable = installation.portAvailable;
  const bool fallBack =
      !portAvailable && (installation.portKind == Serial || installation.portKind == Usb);

  EnableLoadDriverPrivilege(machine.security());
  RemoveExistingPrinter(installation, window, printerName);

  if (fallBack && installation.parallelPorts.empty()) {
    // No port of the chosen kind and no parallel port to stand in for it.
    window.ShowMessageBox("There's no available useful port,please select other type of port",
                          "Prompt", win::MB_OK, RunOutcome::kNoPort);
    window.SetInstallText("Reinstall");
    window.EnableInstall();
    window.SetProgress(0);
    return;
  }

  platform::PrinterInfo2 info;
  info.printerName = printerName;
  info.portName = fallBack ? installation.parallelPorts.front() : installation.chosenPort;
  info.driverName = driverName;
  info.printProcessor = "WinPrint";
  info.datatype = "RAW";

  platform::PrinterHandle printer = spooler.AddPrinterA(info);
  if (printer == 0) {
    ReportCreationFailure(window, machine.GetLastError(), variant);
    return;
  }

  if (portAvailable) {
    installation.statusText = "Added the printer " + printerName;
  } else if (installation.portKind == Serial) {
    installation.statusText =
        "There's no serialport,the current port is" + installation.parallelPorts.front();
  } else if (installation.portKind == Usb) {
    // The printer on the parallel port stays whatever happens next; its
    // handle is done with.
    spooler.ClosePrinter(printer);
    SpoolerControl(machine, window.Owner(), "Spooler", Restart);
    PortInventory(installation, window);
    info.portName = installation.chosenPort;
    printer = spooler.AddPrinterA(info);
    if (printer == 0) {
      ReportCreationFailure(window, machine.GetLastError(), variant);
      return;
    }
    installation.statusText = "Added the printer " + printerName;
  }
  window.Refresh();
  spooler.ClosePrinter(printer);
  window.SetProgress(30);

  if (installation.setDefaultPrinter == 1) WriteDefaultPrinter(installation, window, printerName);

  window.SetProgress(40);
  if (installation.setDefaultPrinter == 1) {
    SetStatus(installation, window, "Set the printer " + printerName + " to default printer");
  }

  if (installation.portKind == Serial) {
    StartSerialAssignment(installation, window);
  } else if (installation.portKind == Usb) {
    SelectUsbPort(installation, window);
  }

  machine.clock().Sleep(variant == InstallVariant::Receipt ? 500 : 100);

  if (installation.portKind == Serial) return;
  window.SetProgress(100);
  installation.statusText = "The installation is completed.";
  window.EnableInstall();
  window.SetCancelText("&Finish");
  window.Refresh();
}
