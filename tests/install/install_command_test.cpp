#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "install_fixture.h"

namespace install_test {
namespace {

class InstallCommandRun : public InstallFixture {
 protected:
  void SetUp() override { LayPackageFiles(); }
};

TEST_F(InstallCommandRun, FirstPortOfTheChosenKindIsTaken) {
  LayNameList();
  AddUsbPort("USB001", false);
  AddUsbPort("USB002", true);
  RunInstall({"RX-12 Series", Usb, true});
  EXPECT_EQ(window->installation().portKind, Usb);
  EXPECT_EQ(window->installation().chosenPort, "USB001");
  EXPECT_TRUE(window->installation().portAvailable);
}

TEST_F(InstallCommandRun, TheListFileSectionDecidesTheRow) {
  // "Shared" stands in sections 3 and 7: the later one wins, whichever entry
  // is picked. "Custom Label" stands in section 54: label row 3.
  LayNameList({{3, "Shared"}, {7, "Shared"}, {54, "Custom Label"}});
  RunWindow([&](sim::UserActions& u) {
    u.WaitIdle();
    Choose(u, {"Shared", Parallel, false});
    ClickInstall(u);
    EXPECT_EQ(window->installation().modelIndex, 7);
    Choose(u, {"Custom Label", Parallel, false});
    ClickInstall(u);
    EXPECT_EQ(window->installation().modelIndex, 54);
    u.Click(win::IDCANCEL);
  });
  const auto shared = m.spool().Printer("Shared");
  ASSERT_TRUE(shared.has_value());
  EXPECT_EQ(shared->driver, "RX-08 Series");
  const auto label = m.spool().Printer("Custom Label");
  ASSERT_TRUE(label.has_value());
  EXPECT_EQ(label->driver, "LX-3(Label)");
}

TEST_F(InstallCommandRun, APortConnectedAfterARunWithoutOneIsUsedByTheNextRun) {
  LayNameList();
  RunWindow([&](sim::UserActions& u) {
    u.WaitIdle();
    // No USB port: the printer stands in on the parallel port, and the
    // second creation on the missing USB port fails.
    Choose(u, {"RX-12 Series", Usb, true});
    ClickInstall(u);
    EXPECT_FALSE(window->installation().portAvailable);
    EXPECT_EQ(installText, "Reinstall") << DumpRun();
    // The printer is connected; Reinstall finds it.
    AddUsbPort("USB001", true);
    ClickInstall(u);
    EXPECT_TRUE(window->installation().portAvailable);
    EXPECT_EQ(window->installation().chosenPort, "USB001");
    EXPECT_EQ(End(), EndState::Completed) << DumpRun();
    EXPECT_NE(std::find(runStatuses.begin(), runStatuses.end(), "Added the printer RX-12 Series"),
              runStatuses.end())
        << DumpRun();
    u.Click(win::IDCANCEL);
  });
  const auto printer = m.spool().Printer("RX-12 Series");
  ASSERT_TRUE(printer.has_value());
  EXPECT_EQ(printer->port, "USB001");
}

TEST_F(InstallCommandRun, WithoutANameListNothingIsInstalled) {
  RunWindow([&](sim::UserActions& u) {
    u.WaitIdle();
    EXPECT_TRUE(u.ComboItems(IDC_DRIVER_NAME).empty());
    ClickInstall(u);
    u.Click(win::IDCANCEL);
  });
  ASSERT_EQ(runBoxes.size(), 1u);
  EXPECT_EQ(runBoxes[0].caption, "Prompt");
  EXPECT_EQ(runBoxes[0].ownerTemplateId, IDD_MAIN);
  EXPECT_TRUE(installEnabled);
  EXPECT_TRUE(runStatuses.empty());
  EXPECT_EQ(m.faults().Calls("GetPrinterDriverDirectoryA"), 0u);
  EXPECT_TRUE(m.spool().Printers().empty());
}

TEST_F(InstallCommandRun, NameBeyondTheCatalogueIsRefused) {
  LayNameList();
  const auto list = m.fs().ReadFile("C:\\DriverName.cfg");
  ASSERT_TRUE(list.has_value());
  m.fs().WriteFile("C:\\DriverName.cfg", *list + "[Extra]\r\nPrintName1=Unknown Model\r\n");
  RunInstall({"Unknown Model", Parallel, true});
  EXPECT_EQ(window->installation().modelIndex, catalogue::kModelCount);
  ASSERT_EQ(runBoxes.size(), 1u);
  EXPECT_EQ(runBoxes[0].caption, "Prompt");
  EXPECT_TRUE(installEnabled);
  EXPECT_EQ(m.faults().Calls("AddPrinterDriverExA"), 0u);
}

TEST_F(InstallCommandRun, UncheckingDefaultPrinterIsHonoured) {
  LayNameList();
  RunWindow([&](sim::UserActions& u) {
    u.WaitIdle();
    Choose(u, {"RX-03 Series", Parallel, false});
    ClickInstall(u);
    EXPECT_EQ(End(), EndState::Completed) << DumpRun();
    EXPECT_FALSE(u.IsChecked(IDC_SET_DEFAULT));
    u.Click(win::IDCANCEL);
  });
  EXPECT_EQ(window->installation().setDefaultPrinter, 0);
  EXPECT_FALSE(DeviceValue().has_value());
}

TEST_F(InstallCommandRun, InstalledPrintersAreListedAfterTheRun) {
  LayNameList();
  RunInstall({"RX-03 Series", Parallel, false});
  ASSERT_EQ(window->installation().printerNames.size(), 1u);
  EXPECT_EQ(window->installation().printerNames[0], "RX-03 Series");
  ASSERT_EQ(window->installation().printerPorts.size(), 1u);
  EXPECT_EQ(window->installation().printerPorts[0], "LPT1:");
}

}  // namespace
}  // namespace install_test
