// Runs installations through the real main window on the simulated machine:
// a driver package laid out on C: (placeholder files), the start-up worker
// run to its end, then the scripted user picks a driver name and a port kind
// and clicks Install.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "install/model_catalogue.h"
#include "platform/sim/sim_machine.h"
#include "platform/win_constants.h"
#include "resources/resource.h"
#include "shell/main_window.h"
#include "shell/port_kind.h"

namespace install_test {

inline const char* const kWindowsKey = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows";
inline const char* const kDirX86 = "C:\\WINDOWS\\system32\\spool\\drivers\\w32x86";
inline const char* const kDirX64 = "C:\\WINDOWS\\system32\\spool\\drivers\\x64";
inline const char* const kMonitor = "Advanced Language Monitor";

// The names of a dependent-file list, in order (the list's end marker is
// checked on its own).
inline std::vector<std::string> SplitNames(const std::string& list) {
  std::vector<std::string> names;
  std::size_t start = 0;
  while (start < list.size() && list[start] != '\0') {
    const std::size_t end = list.find('\0', start);
    if (end == std::string::npos) break;
    names.push_back(list.substr(start, end - start));
    start = end + 1;
  }
  return names;
}

struct InstallChoice {
  std::string driverText;  // the combo box entry to pick
  int32_t portKind = Parallel;
  bool setDefault = true;
};

// One simulated machine with the installer's window; usable on its own where
// a test runs many installations on fresh machines.
class InstallRig {
 public:
  InstallRig() {
    m.reg().CreateKey(platform::kHkeyCurrentUser, kWindowsKey);
    AddParallelPort("LPT1:");
  }

  void AddParallelPort(const std::string& name) {
    m.spool().AddPort(name, "Local Port", "Local Port");
  }
  void AddUsbPort(const std::string& name, bool attached) {
    m.spool().AddPort(name, "USB Monitor", "Virtual printer port for USB");
    if (attached) m.spool().AttachUsbDevice(name);
  }
  void AddSerialPort(const std::string& device) {
    m.spool().AddPort(device + ":", "Local Port", "Local Port");
    m.reg().SetString(platform::kHkeyLocalMachine, "HARDWARE\\DEVICEMAP\\SERIALCOMM",
                      "\\Device\\Serial" + device.substr(3), device);
  }

  // The name list: one section per catalogue row naming its driver name,
  // plus `extraNames` appended to the section of a row ({row, name}).
  void LayNameList(const std::vector<std::pair<int, std::string>>& extraNames = {}) {
    std::string text;
    for (int row = 0; row < catalogue::kModelCount; ++row) {
      text += "[Model" + std::to_string(row) + "]\r\n";
      text += std::string("PrintName1=") +
              (row < catalogue::kReceiptModelCount
                   ? catalogue::ReceiptModelNames[row]
                   : catalogue::LabelModelNames[row - catalogue::kReceiptModelCount]) +
              "\r\n";
      int n = 2;
      for (const auto& [extraRow, name] : extraNames) {
        if (extraRow == row) text += "PrintName" + std::to_string(n++) + "=" + name + "\r\n";
      }
    }
    m.fs().WriteFile("C:\\DriverName.cfg", text);
  }

  // Every staged file of both architectures (or of the 32-bit one only),
  // each holding its own path.
  void LayPackageFiles(bool with64Bit = true) {
    for (const char* arch : {"x86", "x64"}) {
      if (!with64Bit && std::string(arch) == "x64") continue;
      const std::string ticket = std::string("C:\\Ticket\\") + arch + "\\";
      std::vector<std::string> names = {"OEMPLUG.ini", "OEMPLUG.dll"};
      for (const char* base : catalogue::ReceiptFileBases)
        names.push_back(std::string(base) + ".GPD");
      for (const char* base : catalogue::GroupDllBases) names.push_back(std::string(base) + ".DLL");
      for (const char* core : catalogue::UnidrvCoreFiles) names.push_back(core);
      for (const std::string& name : names) Lay(ticket + name);
      const std::string barcode = std::string("C:\\Barcode\\") + arch + "\\";
      for (int i = 0; i < catalogue::kLabelEngineFileCount; ++i) {
        Lay(barcode + catalogue::LabelEngineFiles(std::string(arch) == "x64")[i]);
      }
    }
    Lay("C:\\Barcode\\Common\\THERMAL.chm");
    for (const char* base : catalogue::LabelFileBases) {
      for (const char* ext : {".BA0", ".DAT", ".PP0"})
        Lay(std::string("C:\\Barcode\\Common\\") + base + ext);
    }
  }

  void Lay(const std::string& path) { m.fs().WriteFile(path, "placeholder " + path); }

  void LayPackage() {
    LayNameList();
    LayPackageFiles();
  }

  static int ComboIndexOf(sim::UserActions& u, const std::string& text) {
    const auto items = u.ComboItems(IDC_DRIVER_NAME);
    const auto it = std::find(items.begin(), items.end(), text);
    return it == items.end() ? -1 : static_cast<int>(it - items.begin());
  }

  // Picks the choices, clicks Install and runs `after` while the window is
  // still open (unless the run ended it); then the user closes the window.
  // Status lines and progress positions of the run are kept.
  std::intptr_t RunInstall(const InstallChoice& choice,
                           const std::function<void(sim::UserActions&)>& after = {}) {
    return RunWindow([&](sim::UserActions& u) {
      u.WaitIdle();
      Choose(u, choice);
      ClickInstall(u);
      if (after) after(u);
      if (!u.Ended()) u.Click(win::IDCANCEL);
    });
  }

  void Choose(sim::UserActions& u, const InstallChoice& choice) {
    const int index = ComboIndexOf(u, choice.driverText);
    ASSERT_GE(index, 0) << choice.driverText;
    u.SelectCombo(IDC_DRIVER_NAME, index);
    u.SelectRow(IDC_PORT_LIST, choice.portKind);
    u.SetCheck(IDC_SET_DEFAULT, choice.setDefault);
  }

  // Clicks Install and records the statuses and progress positions it made.
  void ClickInstall(sim::UserActions& u) {
    const std::size_t statusesBefore = m.simUi().Statuses(IDD_MAIN, IDC_STATUS).size();
    const std::size_t progressBefore = m.simUi().ProgressPositions(IDD_MAIN, IDC_PROGRESS).size();
    const std::size_t boxesBefore = m.simUi().MessageBoxes().size();
    u.Click(IDC_INSTALL);
    u.WaitIdle();
    const auto statuses = m.simUi().Statuses(IDD_MAIN, IDC_STATUS);
    runStatuses.assign(statuses.begin() + static_cast<std::ptrdiff_t>(statusesBefore),
                       statuses.end());
    const auto progress = m.simUi().ProgressPositions(IDD_MAIN, IDC_PROGRESS);
    runProgress.assign(progress.begin() + static_cast<std::ptrdiff_t>(progressBefore),
                       progress.end());
    const auto boxes = m.simUi().MessageBoxes();
    runBoxes.assign(boxes.begin() + static_cast<std::ptrdiff_t>(boxesBefore), boxes.end());
    ended = u.Ended();
    if (!ended) {
      installEnabled = u.IsEnabled(IDC_INSTALL);
      installText = u.Text(IDC_INSTALL);
      cancelText = u.Text(win::IDCANCEL);
      finalProgress = u.Progress(IDC_PROGRESS);
      status = u.Text(IDC_STATUS);
    }
  }

  std::intptr_t RunWindow(std::function<void(sim::UserActions&)> script) {
    updateMessage = m.ui().RegisterWindowMessageA("MyUpdateData");
    window = std::make_unique<MainWindow>(m, updateMessage);
    m.simUi().Script(IDD_MAIN, std::move(script));
    return m.ui().DialogBoxParamA(IDD_MAIN, 0, *window);
  }

  std::optional<std::string> DeviceValue() {
    const auto value = m.reg().GetValue(platform::kHkeyCurrentUser, kWindowsKey, "Device");
    if (!value) return std::nullopt;
    return value->data;
  }

  // One of the four ways a run may end, read from the window after the click.
  // A failed creation and a registration failure with Retry chosen look the
  // same from outside: progress 0 and Install enabled again.
  enum class EndState { Completed, Failed, ProgramEnded, Other };
  EndState End() const {
    if (ended) return EndState::ProgramEnded;
    if (finalProgress == 100 && status == "The installation is completed." &&
        cancelText == "&Finish" && installEnabled) {
      return EndState::Completed;
    }
    if (finalProgress == 0 && installEnabled) return EndState::Failed;
    return EndState::Other;
  }

  // Virtual milliseconds between the progress bar's last moves to `from`
  // and to `to`.
  uint64_t MsBetweenProgress(int from, int to) {
    uint64_t fromMs = 0;
    uint64_t toMs = 0;
    for (const sim::Event& e : m.simUi().Transcript()) {
      if (e.kind != sim::EventKind::Progress) continue;
      if (e.value == from) fromMs = e.timeMs;
      if (e.value == to) toMs = e.timeMs;
    }
    return toMs - fromMs;
  }

  std::string DumpRun() const {
    std::string text;
    for (const auto& s : runStatuses) text += "  status: " + s + "\n";
    for (int p : runProgress) text += "  progress: " + std::to_string(p) + "\n";
    for (const auto& b : runBoxes) text += "  box [" + b.caption + "]: " + b.text + "\n";
    return text;
  }

  sim::SimMachine m;
  uint32_t updateMessage = 0;
  std::unique_ptr<MainWindow> window;

  std::vector<std::string> runStatuses;
  std::vector<int> runProgress;
  std::vector<sim::MessageBoxRecord> runBoxes;
  bool ended = false;
  bool installEnabled = false;
  std::string installText;
  std::string cancelText;
  int finalProgress = -1;
  std::string status;
};

class InstallFixture : public ::testing::Test, public InstallRig {};

}  // namespace install_test
