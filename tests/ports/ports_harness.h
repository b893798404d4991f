// A main window on a simulated machine for the port tests: the start-up
// worker has run, the driver combo box holds the printer's name, and the
// test body runs on the window's thread like a command handler would.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "checked_machine.h"
#include "platform/sim/sim_machine.h"
#include "platform/win_constants.h"
#include "resources/resource.h"
#include "shell/main_window.h"

namespace ports_test {

inline constexpr platform::KeyHandle kHklm = platform::kHkeyLocalMachine;
inline const std::string kSoftwarePrinters =
    "Software\\Microsoft\\Windows NT\\CurrentVersion\\Print\\Printers\\";
inline const std::string kCurrentPrinters = "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\";
inline const std::string kProfilePrinters =
    "SYSTEM\\CurrentControlSet\\Hardware Profiles\\Current\\System\\CurrentControlSet\\Control\\"
    "Print\\Printers\\";

inline constexpr const char* kPrinter = "POS-80 Printer";

class PortsTest : public ::testing::Test {
 protected:
  CheckedMachine m;

  void AddLocalPort(const std::string& name) {
    m.spool().AddPort(name, "Local Port", "Local Port");
  }
  void AddUsbPort(const std::string& name, bool deviceAttached = false) {
    m.spool().AddPort(name, "USB Monitor", "Virtual printer port for USB");
    if (deviceAttached) m.spool().AttachUsbDevice(name);
  }
  void AddTcpIpPort(const std::string& name,
                    const std::string& description = sim::kTcpIpDescription) {
    m.spool().AddPort(name, sim::kTcpIpMonitor, description);
  }

  // Runs `body` in the main window once start-up has ended, with `printer`
  // as the Driver Name selection, then closes the window.
  void RunInMainWindow(const std::function<void(MainWindow&)>& body,
                       const std::string& printer = kPrinter) {
    MainWindow window(m, m.ui().RegisterWindowMessageA("MyUpdateData"));
    m.simUi().Script(IDD_MAIN, [&](sim::UserActions& u) {
      u.WaitIdle();
      if (!printer.empty()) {
        m.ui().ComboResetContent(window.hwnd(), IDC_DRIVER_NAME);
        m.ui().ComboAddString(window.hwnd(), IDC_DRIVER_NAME, printer);
        m.ui().ComboSetCurSel(window.hwnd(), IDC_DRIVER_NAME, 0);
      }
      // What the test looks at starts here, not with the start-up worker.
      progressBefore_ = m.simUi().ProgressPositions(IDD_MAIN, IDC_PROGRESS).size();
      statusesBefore_ = m.simUi().Statuses(IDD_MAIN, IDC_STATUS).size();
      boxesBefore_ = m.simUi().MessageBoxes().size();
      body(window);
      u.Click(win::IDCANCEL);
    });
    m.ui().DialogBoxParamA(IDD_MAIN, 0, window);
  }

  // Progress positions, status lines and message boxes since the body began.
  std::vector<int> Progress() {
    return Since(m.simUi().ProgressPositions(IDD_MAIN, IDC_PROGRESS), progressBefore_);
  }
  std::vector<std::string> Statuses() {
    return Since(m.simUi().Statuses(IDD_MAIN, IDC_STATUS), statusesBefore_);
  }
  std::vector<sim::MessageBoxRecord> Boxes() {
    return Since(m.simUi().MessageBoxes(), boxesBefore_);
  }

  std::string StringValue(const std::string& path, const std::string& name) {
    const auto value = m.reg().GetValue(kHklm, path, name);
    return value ? value->AsString() : std::string("<missing>");
  }

 private:
  template <typename T>
  static std::vector<T> Since(const std::vector<T>& all, size_t before) {
    return std::vector<T>(all.begin() + static_cast<long>(before), all.end());
  }

  size_t progressBefore_ = 0;
  size_t statusesBefore_ = 0;
  size_t boxesBefore_ = 0;
};

}  // namespace ports_test
