#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "checked_machine.h"
#include "drivers/model_catalogue.h"
#include "platform/win_constants.h"
#include "resources/resource.h"
#include "shell/main_window.h"

namespace {

using Rows = std::vector<std::vector<std::string>>;

constexpr const char* kPlaceholder = "The computer have no printer drivers avaliable!!";
constexpr const char* kX86 = "Windows NT x86";

// One per root of the per-printer keys the removal cleans up.
const std::pair<platform::KeyHandle, std::string> kCleanedKeys[] = {
    {platform::kHkeyCurrentUser,
     "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\PhotoPrintingWizard"},
    {platform::kHkeyLocalMachine,
     "SYSTEM\\CurrentControlSet\\Hardware Profiles\\Current\\System\\CurrentControlSet\\Control\\"
     "Print\\Printers"},
    {platform::kHkeyCurrentConfig, "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers"},
};

class Uninstall : public ::testing::Test {
 protected:
  void WriteDriverNames(const std::string& ini) { m.fs().WriteFile("C:\\DriverName.cfg", ini); }

  void AddPrinter(const std::string& name, const std::string& driver) {
    m.spool().AddPort("LPT1:", "Local Port", "Local Port");
    m.spool().AddDriver(m.spool().NativeEnvironment(), driver);
    m.spool().AddPrinter(name, "LPT1:", driver);
  }

  bool Has(const std::string& printer) { return m.spool().Printer(printer).has_value(); }

  void AddKeys(const std::string& printer) {
    for (const auto& [root, parent] : kCleanedKeys)
      m.reg().SetString(root, parent + "\\" + printer, "x", "1");
  }
  int Keys(const std::string& printer) {
    int count = 0;
    for (const auto& [root, parent] : kCleanedKeys)
      count += m.reg().KeyExists(root, parent + "\\" + printer) ? 1 : 0;
    return count;
  }

  // Opens the window with the main window's button, runs `actions` in it,
  // closes it with the close box; the list's rows when the actions are done.
  Rows RunWindow(const std::function<void(sim::UserActions&)>& actions) {
    Rows rows;
    m.simUi().Script(IDD_UNINSTALL, [&](sim::UserActions& u) {
      actions(u);
      rows = u.Rows(IDC_PORT_LIST);
      u.CloseBox();
    });
    m.simUi().Script(IDD_MAIN, [](sim::UserActions& u) {
      u.WaitIdle();
      u.Click(IDC_OPEN_UNINSTALL);
      u.Click(win::IDCANCEL);
    });
    MainWindow window(m, m.ui().RegisterWindowMessageA("MyUpdateData"));
    m.ui().DialogBoxParamA(IDD_MAIN, 0, window);
    return rows;
  }

  CheckedMachine m;
};

// Opening and refreshing each restart the spooler, even with nothing removed.
// A list without any printer shows the placeholder and disables the button
// until the window closes.
TEST_F(Uninstall, ListsPrintersNamedExactlyLikeADriverNameOncePerMatch) {
  WriteDriverNames(
      "[A]\nPrintName1=RX-01 Series\nPrintName2=Front Till\n[B]\nPrintName1=LX-1(Label)\n"
      "[C]\nPrintName1=RX-01 Series\n");
  AddPrinter("RX-01 Series", "RX-01 Series");
  AddPrinter("FRONT TILL", "RX-01 Series");   // differs from a name in case only
  AddPrinter("My Own Name", "RX-01 Series");  // renamed by the user
  AddPrinter("LX-1(Label)", "LX-1(Label)");
  const int stopsBefore = m.svc().Stops("Spooler");
  const Rows last = RunWindow([&](sim::UserActions& u) {
    // The name that stands in two sections gives its printer two rows.
    EXPECT_EQ(u.Rows(IDC_PORT_LIST), (Rows{{"RX-01 Series"}, {"RX-01 Series"}, {"LX-1(Label)"}}));
    EXPECT_TRUE(u.IsEnabled(IDC_UNINSTALL_DRIVER));
    EXPECT_EQ(u.SelectedRow(IDC_PORT_LIST), 0);
    WriteDriverNames("");
    u.Click(IDC_REFRESH);
    EXPECT_EQ(u.Rows(IDC_PORT_LIST), (Rows{{kPlaceholder}}));
    WriteDriverNames("[A]\nPrintName1=LX-1(Label)\n");
    u.Click(IDC_REFRESH);
    EXPECT_FALSE(u.IsEnabled(IDC_UNINSTALL_DRIVER));
  });
  EXPECT_EQ(last, (Rows{{"LX-1(Label)"}}));
  EXPECT_EQ(m.svc().Stops("Spooler") - stopsBefore, 3);
}

// The printer carries the display name, its driver the catalogue's name: the
// catalogue driver of the name's row is removed, in the running environment
// only, once no other printer uses it (until then it stays, silently). With
// the selection cleared the name is empty: deleting it below the parent keys
// would take every printer's entries. Another printer's keys stay.
TEST_F(Uninstall, RemovesThePrinterItsKeysAndTheCatalogueDriverBehindADisplayName) {
  m.sys().Set64Bit(true);
  WriteDriverNames("[A]\nPrintName1=RX-01 Series\nPrintName2=Front Till\n");
  m.spool().AddDriver(kX86, "RX-01 Series");
  AddPrinter("RX-01 Series", "RX-01 Series");
  AddPrinter("Front Till", "RX-01 Series");
  for (const char* printer : {"RX-01 Series", "Front Till", "Back Office"}) AddKeys(printer);
  const Rows after = RunWindow([&](sim::UserActions& u) {
    u.ClearSelection(IDC_PORT_LIST);
    u.Click(IDC_UNINSTALL_DRIVER);
    EXPECT_TRUE(Has("RX-01 Series"));
    EXPECT_EQ(Keys("RX-01 Series"), 3);
    EXPECT_TRUE(m.simUi().ProgressPositions(IDD_UNINSTALL, IDC_UNINSTALL_PROGRESS).empty());
    u.SelectRow(IDC_PORT_LIST, 0);
    u.Click(IDC_UNINSTALL_DRIVER);
    EXPECT_FALSE(Has("RX-01 Series"));
    EXPECT_EQ(Keys("RX-01 Series"), 0);
    EXPECT_TRUE(m.spool().Driver("Windows x64", "RX-01 Series").has_value());
    EXPECT_EQ(u.Rows(IDC_PORT_LIST), (Rows{{"Front Till"}}));
    u.SelectRow(IDC_PORT_LIST, 0);
    u.Click(IDC_UNINSTALL_DRIVER);
    EXPECT_FALSE(u.IsEnabled(IDC_UNINSTALL_DRIVER));
  });
  EXPECT_FALSE(Has("Front Till"));
  EXPECT_FALSE(m.spool().Driver("Windows x64", "RX-01 Series").has_value());
  EXPECT_TRUE(m.spool().Driver(kX86, "RX-01 Series").has_value());
  EXPECT_EQ(Keys("Front Till"), 0);
  EXPECT_EQ(Keys("Back Office"), 3);
  EXPECT_EQ(m.simUi().ProgressPositions(IDD_UNINSTALL, IDC_UNINSTALL_PROGRESS),
            (std::vector<int>{20, 40, 60, 80, 90, 100, 20, 40, 60, 80, 90, 100}));
  EXPECT_EQ(after, (Rows{{kPlaceholder}}));
  const auto boxes = m.simUi().MessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, "Prompt");
  EXPECT_EQ(boxes[0].text, "Please select a printer driver in the list first.");
  EXPECT_EQ(boxes[0].ownerTemplateId, IDD_UNINSTALL);
  EXPECT_EQ(m.sec().EnabledPrivileges(), (std::vector<std::string>{"SeLoadDriverPrivilege"}));
}

// The grant on a parent key is made again once the key is open: a first
// grant that failed does not leave the printer's protected key behind.
TEST_F(Uninstall, AGrantThatFailsIsMadeAgainOnceTheKeyIsOpen) {
  WriteDriverNames("[A]\nPrintName1=RX-01 Series\n");
  AddPrinter("RX-01 Series", "RX-01 Series");
  AddKeys("RX-01 Series");
  m.reg().Protect(kCleanedKeys[0].first, kCleanedKeys[0].second + "\\RX-01 Series");
  RunWindow([&](sim::UserActions& u) {
    u.SelectRow(IDC_PORT_LIST, 0);
    m.faults().Fail("SetNamedSecurityInfoA", win::ERROR_ACCESS_DENIED);
    u.Click(IDC_UNINSTALL_DRIVER);
  });
  EXPECT_FALSE(Has("RX-01 Series"));
  EXPECT_EQ(Keys("RX-01 Series"), 0);
}

// A name in a section past the receipt rows names that label row's driver.
TEST_F(Uninstall, ANameInALabelRowRemovesThatRowsLabelDriver) {
  std::string names;
  for (int row = 0; row < catalogue::kReceiptModelCount; ++row) {
    names += "[R" + std::to_string(row) + "]\n";
  }
  WriteDriverNames(names + "[L]\nPrintName1=Label Till\n");
  AddPrinter("Label Till", catalogue::LabelModelNames[0]);
  RunWindow([&](sim::UserActions& u) {
    u.SelectRow(IDC_PORT_LIST, 0);
    u.Click(IDC_UNINSTALL_DRIVER);
  });
  EXPECT_FALSE(Has("Label Till"));
  EXPECT_FALSE(m.spool().Driver(m.spool().NativeEnvironment(), catalogue::LabelModelNames[0]));
}

}  // namespace
