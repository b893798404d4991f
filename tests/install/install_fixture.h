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

#include "checked_machine.h"
#include "drivers/model_catalogue.h"
#include "platform/sim/sim_machine.h"
#include "platform/win_constants.h"
#include "ports/port_kind.h"
#include "resources/resource.h"
#include "shell/main_window.h"

namespace install_test {

using namespace std::string_literals;
using Names = std::vector<std::string>;
inline const char* const kWindowsKey = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows";
inline const std::string kDirX86 = "C:\\WINDOWS\\system32\\spool\\drivers\\w32x86";
inline const std::string kDirX64 = "C:\\WINDOWS\\system32\\spool\\drivers\\x64";
inline const char* const kMonitor = "Advanced Language Monitor";

// One simulated machine with the installer's window; usable on its own where
// a test runs installations on several fresh machines.
class InstallRig {
 public:
  InstallRig() {
    m.reg().CreateKey(platform::kHkeyCurrentUser, kWindowsKey);
    m.spool().AddPort("LPT1:", "Local Port", "Local Port");
  }

  // One section per catalogue row naming its driver name, plus `extraNames`
  // appended to the section of a row ({row, name}), and a section beyond
  // the catalogue.
  void LayNameList(const std::vector<std::pair<int, std::string>>& extraNames = {}) {
    std::string text;
    for (int row = 0; row < catalogue::kModelCount; ++row) {
      text += "[Model" + std::to_string(row) + "]\r\nPrintName1=" +
              (row < catalogue::kReceiptModelCount
                   ? catalogue::ReceiptModelNames[row]
                   : catalogue::LabelModelNames[row - catalogue::kReceiptModelCount]) +
              "\r\n";
      int n = 2;
      for (const auto& [extraRow, name] : extraNames) {
        if (extraRow == row) text += "PrintName" + std::to_string(n++) + "=" + name + "\r\n";
      }
    }
    m.fs().WriteFile("C:\\DriverName.cfg", text + "[Extra]\r\nPrintName1=Unknown Model\r\n");
  }

  // Every staged file of both architectures, each holding its own path.
  void LayPackageFiles() {
    for (const std::string arch : {"x86", "x64"}) {
      Names names = {"OEMPLUG.ini", "OEMPLUG.dll"};
      for (const char* base : catalogue::ReceiptFileBases) names.push_back(base + ".GPD"s);
      for (const char* base : catalogue::GroupDllBases) names.push_back(base + ".DLL"s);
      names.insert(names.end(), std::begin(catalogue::UnidrvCoreFiles),
                   std::end(catalogue::UnidrvCoreFiles));
      for (const std::string& name : names) Lay("C:\\Ticket\\" + arch + "\\" + name);
      for (int i = 0; i < catalogue::kLabelEngineFileCount; ++i) {
        Lay("C:\\Barcode\\" + arch + "\\" + catalogue::LabelEngineFiles(arch == "x64")[i]);
      }
    }
    Lay("C:\\Barcode\\Common\\THERMAL.chm");
    for (const char* base : catalogue::LabelFileBases) {
      for (const char* ext : {".BA0", ".DAT", ".PP0"}) Lay("C:\\Barcode\\Common\\"s + base + ext);
    }
  }

  void Lay(const std::string& path) { m.fs().WriteFile(path, "placeholder " + path); }

  void LayPackage() {
    LayNameList();
    LayPackageFiles();
  }

  // Picks the choices, runs `beforeClick` (which arms faults for the run) and
  // clicks Install; then the user closes the window (unless the run ended it).
  std::intptr_t RunInstall(const std::string& driverText, int32_t portKind, bool setDefault,
                           const std::function<void()>& beforeClick = {}) {
    return RunWindow([&](sim::UserActions& u) {
      u.WaitIdle();
      Choose(u, driverText, portKind, setDefault);
      if (beforeClick) beforeClick();
      ClickInstall(u);
      if (!u.Ended()) u.Click(win::IDCANCEL);
    });
  }

  // The user picks the driver name's combo box entry, a port kind and the
  // "Set Default Printer" choice.
  void Choose(sim::UserActions& u, const std::string& driverText, int32_t portKind,
              bool setDefault) {
    const auto items = u.ComboItems(IDC_DRIVER_NAME);
    const auto it = std::find(items.begin(), items.end(), driverText);
    ASSERT_NE(it, items.end()) << driverText;
    u.SelectCombo(IDC_DRIVER_NAME, static_cast<int>(it - items.begin()));
    u.SelectRow(IDC_PORT_LIST, portKind);
    u.SetCheck(IDC_SET_DEFAULT, setDefault);
  }

  // One of the four ways a run may end, read from the window after the click.
  // A failed creation and a registration failure with Retry chosen look the
  // same from outside: progress 0 and Install enabled again.
  enum class EndState { Completed, Failed, ProgramEnded, Other };

  // Clicks Install and keeps the statuses, progress positions and boxes the
  // run made, and how it ended.
  void ClickInstall(sim::UserActions& u) {
    const std::size_t statuses = m.simUi().Statuses(IDD_MAIN, IDC_STATUS).size();
    const std::size_t progress = m.simUi().ProgressPositions(IDD_MAIN, IDC_PROGRESS).size();
    const std::size_t boxes = m.simUi().MessageBoxes().size();
    u.Click(IDC_INSTALL);
    u.WaitIdle();
    runStatuses = Tail(m.simUi().Statuses(IDD_MAIN, IDC_STATUS), statuses);
    runProgress = Tail(m.simUi().ProgressPositions(IDD_MAIN, IDC_PROGRESS), progress);
    runBoxes = Tail(m.simUi().MessageBoxes(), boxes);
    end = EndState::ProgramEnded;
    if (u.Ended()) return;
    installEnabled = u.IsEnabled(IDC_INSTALL);
    installText = u.Text(IDC_INSTALL);
    const int position = u.Progress(IDC_PROGRESS);
    if (position == 100 && u.Text(IDC_STATUS) == "The installation is completed." &&
        u.Text(win::IDCANCEL) == "&Finish" && installEnabled) {
      end = EndState::Completed;
    } else {
      end = position == 0 && installEnabled ? EndState::Failed : EndState::Other;
    }
  }

  template <typename T>
  static std::vector<T> Tail(const std::vector<T>& all, std::size_t from) {
    return {all.begin() + static_cast<std::ptrdiff_t>(from), all.end()};
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

  // The run's one box, owned by the main window.
  void ExpectBox(const std::string& caption, const std::string& text, uint32_t type) {
    ASSERT_EQ(runBoxes.size(), 1u) << DumpRun();
    EXPECT_EQ(runBoxes[0].caption, caption);
    EXPECT_EQ(runBoxes[0].text, text);
    EXPECT_EQ(runBoxes[0].type, type);
    EXPECT_EQ(runBoxes[0].ownerTemplateId, IDD_MAIN);
  }

  // Virtual milliseconds between the progress bar's last moves to 40 and 100:
  // the pause before completion.
  uint64_t FinalPauseMs() {
    uint64_t at[101] = {};
    for (const sim::Event& e : m.simUi().Transcript()) {
      if (e.kind == sim::EventKind::Progress && e.value >= 0 && e.value <= 100) {
        at[e.value] = e.timeMs;
      }
    }
    return at[100] - at[40];
  }

  std::string DumpRun() { return m.simUi().Dump(); }

  CheckedMachine m;
  uint32_t updateMessage = 0;
  std::unique_ptr<MainWindow> window;

  Names runStatuses;
  std::vector<int> runProgress;
  std::vector<sim::MessageBoxRecord> runBoxes;
  EndState end = EndState::Other;
  bool installEnabled = false;
  std::string installText;
};

class InstallFixture : public ::testing::Test, public InstallRig {
 protected:
  void SetUp() override { LayPackage(); }
};

}  // namespace install_test
