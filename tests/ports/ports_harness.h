// A main window on a simulated machine for the port tests: the start-up
// worker has run, the driver combo box holds the printer's name, and the
// test body runs on the window's thread like a command handler would.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/sim/forwarding_machine.h"
#include "platform/sim/sim_machine.h"
#include "platform/win_constants.h"
#include "resources/resource.h"
#include "shell/main_window.h"

namespace ports_test {

inline constexpr platform::KeyHandle kHklm = platform::kHkeyLocalMachine;
inline const std::string kSoftwarePrinters =
    "Software\\Microsoft\\Windows NT\\CurrentVersion\\Print\\Printers\\";
inline const std::string kControlSet001Printers =
    "SYSTEM\\ControlSet001\\Control\\Print\\Printers\\";
inline const std::string kCurrentPrinters = "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\";
inline const std::string kProfilePrinters =
    "SYSTEM\\CurrentControlSet\\Hardware Profiles\\Current\\System\\CurrentControlSet\\Control\\"
    "Print\\Printers\\";

// Stands in for a spooler that leaves an on-line flag of its own choosing:
// when the flag's key is opened for reading, the flag scripted for the
// printer's current port is put in place first.
class FlagRegistry : public platform::Registry {
 public:
  explicit FlagRegistry(sim::SimMachine& m) : m_(m) {}

  void SetFlag(const std::string& port, uint32_t type, std::string bytes) {
    flags_[port] = {type, std::move(bytes)};
  }

  uint32_t RegOpenKeyExA(platform::KeyHandle parent, const std::string& subKey, uint32_t access,
                         platform::KeyHandle& result) override {
    if (parent == kHklm && access == win::KEY_QUERY_VALUE &&
        subKey.rfind(kProfilePrinters, 0) == 0) {
      const std::string printer = subKey.substr(kProfilePrinters.size());
      const auto port = m_.reg().GetValue(kHklm, kCurrentPrinters + printer, "Port");
      if (port) {
        const auto flag = flags_.find(port->AsString());
        if (flag != flags_.end()) {
          m_.reg().SetValue(kHklm, subKey, "PrinterOnLine", flag->second.first,
                            flag->second.second);
        }
      }
    }
    return m_.reg().RegOpenKeyExA(parent, subKey, access, result);
  }
  uint32_t RegCreateKeyExA(platform::KeyHandle parent, const std::string& subKey, uint32_t options,
                           uint32_t access, bool inheritHandle, platform::KeyHandle& result,
                           uint32_t* disposition) override {
    return m_.reg().RegCreateKeyExA(parent, subKey, options, access, inheritHandle, result,
                                    disposition);
  }
  uint32_t RegSetValueExA(platform::KeyHandle key, const std::string& valueName, uint32_t type,
                          const void* data, uint32_t size) override {
    return m_.reg().RegSetValueExA(key, valueName, type, data, size);
  }
  uint32_t RegQueryValueExA(platform::KeyHandle key, const std::string& valueName, uint32_t* type,
                            void* data, uint32_t* size) override {
    return m_.reg().RegQueryValueExA(key, valueName, type, data, size);
  }
  uint32_t RegEnumValueA(platform::KeyHandle key, uint32_t index, char* name, uint32_t* nameSize,
                         uint32_t* type, void* data, uint32_t* dataSize) override {
    return m_.reg().RegEnumValueA(key, index, name, nameSize, type, data, dataSize);
  }
  uint32_t RegCloseKey(platform::KeyHandle key) override { return m_.reg().RegCloseKey(key); }
  uint32_t SHDeleteKeyA(platform::KeyHandle key, const std::string& subKey) override {
    return m_.reg().SHDeleteKeyA(key, subKey);
  }

 private:
  sim::SimMachine& m_;
  std::map<std::string, std::pair<uint32_t, std::string>> flags_;
};

// The simulated machine with the registry above in front of its own.
class FlagMachine : public sim::ForwardingMachine {
 public:
  explicit FlagMachine(sim::SimMachine& m) : ForwardingMachine(m), registry_(m) {}
  FlagRegistry& flags() { return registry_; }

  platform::Registry& registry() override { return registry_; }

 private:
  FlagRegistry registry_;
};

class PortsTest : public ::testing::Test {
 protected:
  static constexpr const char* kPrinter = "POS-80 Printer";

  sim::SimMachine m;
  FlagMachine flagMachine{m};

  // A dialog left open or a click on a missing control is a fault too.
  void TearDown() override { EXPECT_TRUE(m.simUi().Errors().empty()) << m.simUi().Dump(); }

  // Adds a port of the Local Port monitor.
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
    platform::Machine& machine = flagMachine;
    MainWindow window(machine, machine.ui().RegisterWindowMessageA("MyUpdateData"));
    m.simUi().Script(IDD_MAIN, [&](sim::UserActions& u) {
      u.WaitIdle();
      if (!printer.empty()) {
        machine.ui().ComboResetContent(window.hwnd(), IDC_DRIVER_NAME);
        machine.ui().ComboAddString(window.hwnd(), IDC_DRIVER_NAME, printer);
        machine.ui().ComboSetCurSel(window.hwnd(), IDC_DRIVER_NAME, 0);
      }
      // What the test looks at starts here, not with the start-up worker.
      progressBefore_ = m.simUi().ProgressPositions(IDD_MAIN, IDC_PROGRESS).size();
      statusesBefore_ = m.simUi().Statuses(IDD_MAIN, IDC_STATUS).size();
      boxesBefore_ = m.simUi().MessageBoxes().size();
      body(window);
      u.Click(win::IDCANCEL);
    });
    machine.ui().DialogBoxParamA(IDD_MAIN, 0, window);
  }

  // Progress positions, status lines and message boxes since the body began.
  std::vector<int> Progress() {
    auto all = m.simUi().ProgressPositions(IDD_MAIN, IDC_PROGRESS);
    return std::vector<int>(all.begin() + static_cast<long>(progressBefore_), all.end());
  }
  std::vector<std::string> Statuses() {
    auto all = m.simUi().Statuses(IDD_MAIN, IDC_STATUS);
    return std::vector<std::string>(all.begin() + static_cast<long>(statusesBefore_), all.end());
  }
  std::vector<sim::MessageBoxRecord> Boxes() {
    auto all = m.simUi().MessageBoxes();
    return std::vector<sim::MessageBoxRecord>(all.begin() + static_cast<long>(boxesBefore_),
                                              all.end());
  }

  std::string StringValue(const std::string& path, const std::string& name) {
    const auto value = m.reg().GetValue(kHklm, path, name);
    return value ? value->AsString() : std::string("<missing>");
  }

 private:
  size_t progressBefore_ = 0;
  size_t statusesBefore_ = 0;
  size_t boxesBefore_ = 0;
};

}  // namespace ports_test
