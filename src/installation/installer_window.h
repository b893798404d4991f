// What the installer's operations may ask of the window that shows an
// installation: its controls, its timers, and the boxes and dialogs it owns.
// The main window implements it over its dialog; the tests and an
// unattended run can implement it without one.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "installation/installation.h"
#include "installation/run_outcome.h"
#include "platform/window_system.h"

class InstallerWindow {
 public:
  virtual ~InstallerWindow() = default;

  // The window that owns the boxes and dialogs the platform shows for an
  // operation (a service box, the archive library's, the port wizard's),
  // and that receives the serial channel's notifications.
  virtual platform::WindowId Owner() const = 0;

  // Shows the installation's statusText and setDefaultPrinter ("MyUpdateData"
  // with 0: synchronous from any thread).
  virtual void Refresh() = 0;
  // Runs `work`, whose window calls then reach the window in one round trip:
  // the main window runs it on its own thread in one send, so a thread other
  // than the window's pays for one switch of threads, not one per call.
  virtual void Batch(const std::function<void()>& work) = 0;
  // Data exchange: true reads the status line and the check box into the
  // installation, false shows them.
  virtual void UpdateData(bool fromControls) = 0;
  virtual void SetProgress(int position) = 0;
  virtual void EnableInstall(bool enable = true) = 0;
  virtual void SetInstallText(const std::string& text) = 0;
  virtual void SetCancelText(const std::string& text) = 0;

  // The Driver Name combo box: its text (the printer name), its selected
  // row (-1 for none), and its fill: the names in order, the first one
  // selected and copied into the Printer Name field, then a refresh.
  virtual std::string DriverComboText() = 0;
  virtual int32_t DriverComboSelection() = 0;
  virtual void ShowDriverNames(const std::vector<std::string>& names) = 0;
  // Selects a row of the filled combo box as a person's choice does, the
  // Printer Name field following.
  virtual void SelectDriverName(int32_t row) = 0;

  // The port-type list: the selected row (`current` when none is), the
  // selection of a row followed by a refresh, and the list's style
  // re-applied with a refresh after the port lists were refilled.
  virtual int32_t SelectedPortKind(int32_t current) = 0;
  virtual void SelectPortKind(int32_t row) = 0;
  virtual void ShowPortsChanged() = 0;

  // Message boxes owned by the window: with the given caption, and with the
  // application's own (platform::AppMessageBox). Both return the button. A
  // box that ends the run in failure names its outcome.
  virtual int ShowMessageBox(const std::string& text, const std::string& caption, uint32_t type,
                             RunOutcome outcome = RunOutcome::kNone) = 0;
  virtual int ShowAppMessageBox(const std::string& text, uint32_t type,
                                RunOutcome outcome = RunOutcome::kNone) = 0;

  // The port dialogs of a port kind (TcpIp, Parallel, Usb): the dialog's
  // result, and the port of the row it ended with in `chosenPort`.
  virtual std::intptr_t ShowPortDialog(int32_t kind, std::string& chosenPort) = 0;
  // The system's wizard that creates a Standard TCP/IP port: 1 when a port
  // was created.
  virtual int AddTcpIpPort() = 0;
  // The serial port prompt's result.
  virtual std::intptr_t ShowSerialPrompt() = 0;

  virtual void SetTimer(std::uintptr_t timerId, uint32_t intervalMs) = 0;
  virtual void KillTimer(std::uintptr_t timerId) = 0;

  // Ends the window with `result` (IDOK after reading the dialog data).
  virtual void Close(std::intptr_t result) = 0;
  // True once the window is going; the start-up stops at its next step.
  virtual bool Closing() const = 0;
};

// statusText := text, then the window shows it.
inline void SetStatus(Installation& installation, InstallerWindow& window,
                      const std::string& text) {
  installation.statusText = text;
  installation.statusOutcome = RunOutcome::kNone;
  window.Refresh();
}
