#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dialogs/uninstall_dialog.h"
#include "platform/sim/sim_machine.h"
#include "platform/win_constants.h"
#include "resources/resource.h"
#include "shell/main_window.h"

namespace {

using platform::kHkeyCurrentConfig;
using platform::kHkeyCurrentUser;
using platform::kHkeyLocalMachine;
using Rows = std::vector<std::vector<std::string>>;

constexpr const char* kPlaceholder = "The computer have no printer drivers avaliable!!";
constexpr const char* kX86 = "Windows NT x86";
constexpr const char* kX64 = "Windows x64";

struct KeyPlace {
  platform::KeyHandle root;
  std::string parent;
};

const std::vector<KeyPlace> kCleanedKeys = {
    {kHkeyCurrentUser,
     "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\PhotoPrintingWizard"},
    {kHkeyLocalMachine,
     "SYSTEM\\ControlSet001\\Hardware Profiles\\0001\\System\\CurrentControlSet\\Control\\Print\\"
     "Printers"},
    {kHkeyLocalMachine,
     "SYSTEM\\ControlSet002\\Hardware Profiles\\0001\\System\\CurrentControlSet\\Control\\Print\\"
     "Printers"},
    {kHkeyLocalMachine,
     "SYSTEM\\CurrentControlSet\\Hardware Profiles\\Current\\System\\CurrentControlSet\\Control\\"
     "Print\\Printers"},
    {kHkeyCurrentConfig, "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers"},
};

class Uninstall : public ::testing::Test {
 protected:
  sim::SimMachine m;

  void TearDown() override { EXPECT_TRUE(m.simUi().Errors().empty()) << m.simUi().Dump(); }

  // One section per entry, each holding the given names.
  void WriteDriverNames(const std::vector<std::vector<std::string>>& sections) {
    std::string ini;
    for (size_t s = 0; s < sections.size(); ++s) {
      ini += "[Model" + std::to_string(s) + "]\r\n";
      for (size_t n = 0; n < sections[s].size(); ++n) {
        ini += "PrintName" + std::to_string(n + 1) + "=" + sections[s][n] + "\r\n";
      }
    }
    m.fs().WriteFile("C:\\DriverName.cfg", ini);
  }

  void AddPrinter(const std::string& name, const std::string& driver) {
    m.spool().AddPort("LPT1:", "Local Port", "Local Port");
    m.spool().AddDriver(m.spool().NativeEnvironment(), driver);
    m.spool().AddPrinter(name, "LPT1:", driver);
  }

  bool HasPrinter(const std::string& name) { return m.spool().Printer(name).has_value(); }
  bool HasDriver(const std::string& environment, const std::string& name) {
    for (const auto& driver : m.spool().Drivers(environment)) {
      if (driver.name == name) return true;
    }
    return false;
  }

  // Opens the window, runs `actions` in it, closes it with the close box.
  void RunWindow(const std::function<void(sim::UserActions&)>& actions) {
    m.simUi().Script(IDD_UNINSTALL, [&](sim::UserActions& u) {
      actions(u);
      u.CloseBox();
    });
    UninstallDialog dialog(m);
    m.ui().DialogBoxParamA(IDD_UNINSTALL, 0, dialog);
  }

  std::vector<int> Progress() {
    return m.simUi().ProgressPositions(IDD_UNINSTALL, IDC_UNINSTALL_PROGRESS);
  }
};

TEST_F(Uninstall, ListsPrintersNamedExactlyLikeADriverNameOncePerMatch) {
  WriteDriverNames({{"RX-01 Series", "Front Till"}, {"LX-1(Label)"}, {"RX-01 Series"}});
  AddPrinter("RX-01 Series", "RX-01 Series");
  AddPrinter("FRONT TILL", "RX-01 Series");   // differs from a name in case only
  AddPrinter("My Own Name", "RX-01 Series");  // renamed by the user
  AddPrinter("LX-1(Label)", "LX-1(Label)");
  const int stopsBefore = m.svc().Stops("Spooler");

  Rows rows;
  bool enabled = false;
  int selected = -1;
  RunWindow([&](sim::UserActions& u) {
    rows = u.Rows(IDC_PORT_LIST);
    enabled = u.IsEnabled(IDC_UNINSTALL_DRIVER);
    selected = u.SelectedRow(IDC_PORT_LIST);
    u.Click(IDC_REFRESH);
  });

  // The name that stands in two sections gives its printer two rows.
  EXPECT_EQ(rows, (Rows{{"RX-01 Series"}, {"RX-01 Series"}, {"LX-1(Label)"}}));
  EXPECT_TRUE(enabled);
  EXPECT_EQ(selected, 0);
  // Opening and refreshing each restart the spooler, even with nothing removed.
  EXPECT_EQ(m.svc().Stops("Spooler") - stopsBefore, 2);
  EXPECT_TRUE(HasPrinter("My Own Name"));
}

TEST_F(Uninstall, WithoutTheDriverNameFileOnlyThePlaceholderShowsAndStaysDisabled) {
  AddPrinter("RX-01 Series", "RX-01 Series");
  Rows before;
  Rows after;
  bool enabledAfterRefresh = true;
  RunWindow([&](sim::UserActions& u) {
    before = u.Rows(IDC_PORT_LIST);
    // The file appears meanwhile: the printer is listed, the button stays off.
    WriteDriverNames({{"RX-01 Series"}});
    u.Click(IDC_REFRESH);
    after = u.Rows(IDC_PORT_LIST);
    enabledAfterRefresh = u.IsEnabled(IDC_UNINSTALL_DRIVER);
  });
  EXPECT_EQ(before, (Rows{{kPlaceholder}}));
  EXPECT_EQ(after, (Rows{{"RX-01 Series"}}));
  EXPECT_FALSE(enabledAfterRefresh);
}

// The printer carries the display name, its driver the catalogue's name: the
// catalogue driver of the name's row is the one to remove.
TEST_F(Uninstall, RemovesThePrinterAndTheCatalogueDriverBehindADisplayName) {
  WriteDriverNames({{"RX-01 Series", "Front Till"}});
  AddPrinter("Front Till", "RX-01 Series");
  Rows after;
  bool enabledAfter = true;
  RunWindow([&](sim::UserActions& u) {
    u.SelectRow(IDC_PORT_LIST, 0);
    u.Click(IDC_UNINSTALL_DRIVER);
    after = u.Rows(IDC_PORT_LIST);
    enabledAfter = u.IsEnabled(IDC_UNINSTALL_DRIVER);
  });
  EXPECT_FALSE(HasPrinter("Front Till"));
  EXPECT_FALSE(HasDriver(kX86, "RX-01 Series"));
  EXPECT_EQ(Progress(), (std::vector<int>{20, 40, 60, 80, 90, 100}));
  EXPECT_EQ(after, (Rows{{kPlaceholder}}));
  EXPECT_FALSE(enabledAfter);
  EXPECT_TRUE(m.simUi().MessageBoxes().empty());
  EXPECT_EQ(m.sec().EnabledPrivileges(), (std::vector<std::string>{"SeLoadDriverPrivilege"}));
}

TEST_F(Uninstall, ADriverStillInUseStaysSilentlyAndTheRestRuns) {
  WriteDriverNames({{"RX-01 Series"}});
  AddPrinter("RX-01 Series", "RX-01 Series");
  AddPrinter("Back Office", "RX-01 Series");
  for (const auto& key : kCleanedKeys) {
    m.reg().SetString(key.root, key.parent + "\\RX-01 Series\\PrinterDriverData", "x", "1");
    m.reg().SetString(key.root, key.parent + "\\Back Office", "x", "1");
  }
  RunWindow([&](sim::UserActions& u) { u.Click(IDC_UNINSTALL_DRIVER); });

  EXPECT_FALSE(HasPrinter("RX-01 Series"));
  EXPECT_TRUE(HasPrinter("Back Office"));
  EXPECT_TRUE(HasDriver(kX86, "RX-01 Series"));
  EXPECT_TRUE(m.simUi().MessageBoxes().empty());
  for (const auto& key : kCleanedKeys) {
    EXPECT_FALSE(m.reg().KeyExists(key.root, key.parent + "\\RX-01 Series")) << key.parent;
    EXPECT_TRUE(m.reg().KeyExists(key.root, key.parent + "\\Back Office")) << key.parent;
  }
}

TEST_F(Uninstall, RemovesTheDriverOfTheRunningEnvironmentOnly) {
  m.sys().Set64Bit(true);
  WriteDriverNames({{"RX-01 Series"}});
  m.spool().AddDriver(kX86, "RX-01 Series");
  AddPrinter("RX-01 Series", "RX-01 Series");
  ASSERT_EQ(m.spool().NativeEnvironment(), kX64);
  RunWindow([&](sim::UserActions& u) { u.Click(IDC_UNINSTALL_DRIVER); });
  EXPECT_FALSE(HasDriver(kX64, "RX-01 Series"));
  EXPECT_TRUE(HasDriver(kX86, "RX-01 Series"));
}

TEST_F(Uninstall, APrinterRemovedMeanwhileStillLosesDriverAndKeys) {
  WriteDriverNames({{"RX-01 Series"}});
  AddPrinter("RX-01 Series", "RX-01 Series");
  const std::string profileKey = kCleanedKeys[3].parent + "\\RX-01 Series";
  m.reg().SetDword(kHkeyLocalMachine, profileKey, "PrinterOnLine", 1);
  Rows after;
  RunWindow([&](sim::UserActions& u) {
    platform::PrinterHandle printer = 0;
    ASSERT_EQ(m.spooler().OpenPrinterA("RX-01 Series", printer, {"RAW", win::PRINTER_ALL_ACCESS}),
              1);
    m.spooler().DeletePrinter(printer);
    m.spooler().ClosePrinter(printer);
    u.Click(IDC_UNINSTALL_DRIVER);
    after = u.Rows(IDC_PORT_LIST);
  });
  EXPECT_FALSE(HasDriver(kX86, "RX-01 Series"));
  EXPECT_FALSE(m.reg().KeyExists(kHkeyLocalMachine, profileKey));
  EXPECT_EQ(after, (Rows{{kPlaceholder}}));
}

// With the selection cleared the name is empty: deleting it below the parent
// keys would take every printer's entries.
TEST_F(Uninstall, AClearedSelectionRemovesNothingAndAsksForARow) {
  WriteDriverNames({{"RX-01 Series"}});
  AddPrinter("RX-01 Series", "RX-01 Series");
  for (const auto& key : kCleanedKeys) {
    m.reg().SetString(key.root, key.parent + "\\RX-01 Series", "x", "1");
  }
  RunWindow([&](sim::UserActions& u) {
    u.ClearSelection(IDC_PORT_LIST);
    u.Click(IDC_UNINSTALL_DRIVER);
  });
  EXPECT_TRUE(HasPrinter("RX-01 Series"));
  EXPECT_TRUE(HasDriver(kX86, "RX-01 Series"));
  for (const auto& key : kCleanedKeys) {
    EXPECT_TRUE(m.reg().KeyExists(key.root, key.parent + "\\RX-01 Series")) << key.parent;
  }
  EXPECT_TRUE(Progress().empty());
  const auto boxes = m.simUi().MessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, "Prompt");
  EXPECT_EQ(boxes[0].ownerTemplateId, IDD_UNINSTALL);
}

TEST_F(Uninstall, TheMainWindowsButtonOpensTheWindowOverIt) {
  WriteDriverNames({{"RX-01 Series"}});
  AddPrinter("RX-01 Series", "RX-01 Series");
  Rows rows;
  m.simUi().Script(IDD_MAIN, [](sim::UserActions& u) {
    u.WaitIdle();
    u.Click(IDC_OPEN_UNINSTALL);
    u.Click(win::IDCANCEL);
  });
  m.simUi().Script(IDD_UNINSTALL, [&](sim::UserActions& u) {
    rows = u.Rows(IDC_PORT_LIST);
    u.CloseBox();
  });
  MainWindow window(m, m.ui().RegisterWindowMessageA("MyUpdateData"));
  m.ui().DialogBoxParamA(IDD_MAIN, 0, window);
  EXPECT_EQ(rows, (Rows{{"RX-01 Series"}}));
}

}  // namespace
