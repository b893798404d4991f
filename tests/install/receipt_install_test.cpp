#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "install_fixture.h"

namespace install_test {
namespace {

using ReceiptInstall = InstallFixture;

TEST_F(ReceiptInstall, ReplacesAnExistingPrinterStagesRegistersAndCleansUpInOrder) {
  m.spool().AddDriver(sim::kEnvX86, "Other Driver");
  m.spool().AddPrinter("RX-12 Series", "LPT1:", "Other Driver");
  m.spool().SetJobs("RX-12 Series", 4);
  RunInstall("RX-12 Series", Parallel, true);
  ASSERT_EQ(end, EndState::Completed) << DumpRun();

  const std::string d = kDirX86 + "\\";
  EXPECT_EQ(
      runStatuses,
      (Names{d + "RXF12.DLL", d + "RXF12.GPD", d + "OEMPLUG.ini", d + "OEMPLUG.dll",
             d + "uniDRVui.DLL", d + "uniDRV.DLL", d + "UNIDRV.HLP", d + "UNIRES.DLL",
             d + "TTFSUB.GPD", d + "STDNAMES.GPD", "Adding printer drive RX-12 Series",
             "Driver RX-12 Series is added",
             "The printer RX-12 Series exists,Re-adding the printer...",
             "Added the printer RX-12 Series", "Set the printer RX-12 Series to default printer",
             "The installation is completed."}));
  EXPECT_EQ(runProgress, (std::vector<int>{10, 20, 30, 40, 100}));
  EXPECT_EQ(FinalPauseMs(), 500u);
  // Enabled by start-up, disabled for the run, enabled again at its end.
  EXPECT_EQ(m.simUi().EnableChanges(IDD_MAIN, IDC_INSTALL), (std::vector<int>{1, 0, 1}));

  const auto driver = m.spool().Driver(sim::kEnvX86, "RX-12 Series");
  ASSERT_TRUE(driver.has_value());
  EXPECT_EQ(driver->version, 3u);
  EXPECT_EQ(driver->environment, "Windows NT x86");
  EXPECT_EQ(driver->driverPath, d + "uniDRV.DLL");
  EXPECT_EQ(driver->dataFile, d + "RXF12.GPD");
  EXPECT_EQ(driver->configFile, d + "uniDRVui.DLL");
  EXPECT_EQ(driver->helpFile, d + "uniDRV.HLP");
  EXPECT_EQ(driver->monitorName, "");
  EXPECT_EQ(driver->defaultDataType, "RAW");
  EXPECT_EQ(driver->dependentFiles, "\\ttfsub.GPD\0\\unires.DLL\0\\stdnames.GPD\0RXF12.DLL\0\0"s);
  // Only the plug-in pair (and the spooler's own version folder) is left.
  EXPECT_EQ(m.fs().List(kDirX86), (Names{"3", "OEMPLUG.dll", "OEMPLUG.ini"}));

  const auto printer = m.spool().Printer("RX-12 Series");
  ASSERT_TRUE(printer.has_value());
  EXPECT_EQ(printer->port, "LPT1:");
  EXPECT_EQ(printer->driver, "RX-12 Series");
  EXPECT_EQ(printer->printProcessor, "WinPrint");
  EXPECT_EQ(printer->datatype, "RAW");
  EXPECT_EQ(printer->jobs, 0u);  // purged before it was deleted
  EXPECT_EQ(DeviceValue(), "RX-12 Series,winspool,LPT1:\0"s);
}

// Rows on both sides of each group boundary, a shared model file, the
// plug-in rows and row 20 under its own and under another display name; all
// with "Set Default Printer" unchecked.
TEST_F(ReceiptInstall, EachRowGetsItsModelFileGroupDllAndPluginPair) {
  LayNameList({{19, "RX-20 Kiosk"}});
  struct Case {
    const char* text;
    const char* driver;
    const char* gpd;
    const char* groupDll;
    bool plugin;
  };
  const Case cases[] = {
      {"RX-07 Series", "RX-07 Series", "RXF06.GPD", "RXF12.DLL", false},
      {"RX-15", "RX-15", "RX-15.GPD", "RXF12.DLL", false},
      {"RX-16 Series", "RX-16 Series", "RXF16.GPD", "RXG02.DLL", false},
      {"RX-20 Series", "RX-20 Series", "RXF20.GPD", "RXG03.DLL", false},
      {"RX-20 Kiosk", "RX-20 Series", "RXF20.GPD", "RXG02.DLL", false},
      {"RX-22(Cut) Series", "RX-22(Cut) Series", "RXF22.GPD", "RXG02.DLL", false},
      {"RX-23BM", "RX-23BM", "RXF23.GPD", "RXG04.DLL", false},
      {"RX-27BM", "RX-27BM", "RX-27BM.GPD", "RXG04.DLL", false},
      {"RX-28(No Cut) Series", "RX-28(No Cut) Series", "RXF28.GPD", "RXG05.DLL", false},
      {"RX-46 Series", "RX-46 Series", "RXF46.GPD", "RXG05.DLL", true},
      {"RX-50 Series", "RX-50 Series", "RXF50.GPD", "RXG05.DLL", false},
  };
  RunWindow([&](sim::UserActions& u) {
    u.WaitIdle();
    for (const Case& c : cases) {
      SCOPED_TRACE(c.text);
      Choose(u, c.text, Parallel, false);
      ClickInstall(u);
      ASSERT_EQ(end, EndState::Completed) << DumpRun();
      EXPECT_EQ(runStatuses.front(), kDirX86 + "\\" + c.groupDll);
      EXPECT_EQ(runStatuses.end()[-2], "Added the printer "s + c.text);
      const auto driver = m.spool().Driver(sim::kEnvX86, c.driver);
      ASSERT_TRUE(driver.has_value());
      EXPECT_EQ(driver->dataFile, kDirX86 + "\\" + c.gpd);
      EXPECT_EQ(driver->dependentFiles, "\\ttfsub.GPD\0\\unires.DLL\0\\stdnames.GPD\0"s +
                                            (c.plugin ? "\\OEMPLUG.ini\0\\OEMPLUG.dll\0"s : ""s) +
                                            c.groupDll + "\0\0"s);
      // The spooler got the package's file, not another model's.
      EXPECT_EQ(m.fs().ReadFile(kDirX86 + "\\3\\" + c.gpd),
                "placeholder C:\\Ticket\\x86\\"s + c.gpd);
      const auto printer = m.spool().Printer(c.text);
      ASSERT_TRUE(printer.has_value());
      EXPECT_EQ(printer->driver, c.driver);
    }
    u.Click(win::IDCANCEL);
  });
  EXPECT_EQ(window->installation().setDefaultPrinter, 0);
  EXPECT_FALSE(DeviceValue().has_value());
  // The installed printers are listed after each run.
  EXPECT_EQ(window->installation().printerNames.size(), std::size(cases));
  EXPECT_EQ(window->installation().printerPorts.back(), "LPT1:");
}

TEST(ModelCatalogue, GroupsAndPluginRowsFollowTheTables) {
  const std::pair<int32_t, int32_t> groups[] = {{-1, 0}, {0, 1},  {14, 1}, {15, 2}, {21, 2},
                                                {22, 3}, {26, 3}, {27, 4}, {51, 4}, {52, 0}};
  for (const auto& [index, group] : groups)
    EXPECT_EQ(catalogue::ReceiptGroup(index), group) << index;

  std::set<int32_t> pluginRows;
  for (int32_t i = 0; i < catalogue::kReceiptModelCount; ++i) {
    if (catalogue::IsPluginRow(catalogue::ReceiptModelNames[i])) pluginRows.insert(i + 1);
  }
  EXPECT_EQ(pluginRows, (std::set<int32_t>{33, 34, 35, 36, 42, 43, 44, 45, 46, 47, 48, 49}));
  // The same text from elsewhere (a combo box, a list file) is not the entry.
  EXPECT_FALSE(catalogue::IsPluginRow(std::string(catalogue::ReceiptModelNames[45]).c_str()));
  EXPECT_FALSE(catalogue::IsPluginRow(nullptr));
}

// An old system without the default-printer key: the key is passed over
// silently and not created, and both kinds of driver get version 2. A
// monitor of an earlier run that cannot be deleted is re-added with "already
// installed", which counts as added.
TEST_F(ReceiptInstall, WindowsNtFourGetsVersionTwoDrivers) {
  m.sys().SetVersion(win::VER_PLATFORM_WIN32_NT, 4, 0, 1381);
  m.reg().DeleteTree(platform::kHkeyCurrentUser, kWindowsKey);
  m.spool().AddMonitor(kMonitor, "old.dll");
  m.faults().Fail("DeleteMonitorA", win::ERROR_PRINT_MONITOR_IN_USE);
  const int restartsBefore = m.spool().Restarts();
  RunWindow([&](sim::UserActions& u) {
    u.WaitIdle();
    for (const char* text : {"RX-01 Series", "LX-1(Label)"}) {
      Choose(u, text, Parallel, true);
      ClickInstall(u);
      EXPECT_EQ(end, EndState::Completed) << DumpRun();
      EXPECT_TRUE(runBoxes.empty());
      const auto driver = m.spool().Driver(sim::kEnvX86, text);
      ASSERT_TRUE(driver.has_value()) << text;
      EXPECT_EQ(driver->version, 2u) << text;
    }
    u.Click(win::IDCANCEL);
  });
  EXPECT_FALSE(m.reg().KeyExists(platform::kHkeyCurrentUser, kWindowsKey));
  EXPECT_EQ(m.spool().Restarts(), restartsBefore);
  EXPECT_EQ(m.faults().Calls("AddMonitorA"), 1u);
  EXPECT_EQ(m.spool().Monitors().size(), 1u);
}

// A spooler may keep its drivers in a folder of another length: the folder
// fits a 255-byte buffer and every staged path a MAX_PATH one, or the run
// stops before copying anything. The longest name a receipt row stages
// there has 12 characters ("uniDRVui.DLL"), so a 246-character folder gives
// paths of exactly 259.
TEST_F(ReceiptInstall, DriverFolderAndStagedPathsAreTakenUpToTheirBuffers) {
  const struct {
    std::size_t folderLength;
    const char* box;  // none: the run completes
  } kCases[] = {{255, "The printer driver directory path is too long:\r\n"},
                {254, "The path is too long:\r\n"},
                {247, "The path is too long:\r\n"},
                {246, nullptr}};
  RunWindow([&](sim::UserActions& u) {
    u.WaitIdle();
    for (const auto& c : kCases) {
      SCOPED_TRACE(c.folderLength);
      const std::string folder = "C:\\" + std::string(c.folderLength - 3, 'd');
      m.spool().SetDriverDirectoryX86(folder);
      Choose(u, "RX-01 Series", Parallel, true);
      ClickInstall(u);
      if (c.box == nullptr) {
        EXPECT_EQ(end, EndState::Completed) << DumpRun();
        EXPECT_TRUE(m.spool().Driver(sim::kEnvX86, "RX-01 Series").has_value());
        continue;
      }
      EXPECT_EQ(end, EndState::Failed) << DumpRun();
      ASSERT_EQ(runBoxes.size(), 1u) << DumpRun();
      EXPECT_EQ(runBoxes[0].text.rfind(c.box, 0), 0u) << runBoxes[0].text;
      EXPECT_FALSE(m.spool().Driver(sim::kEnvX86, "RX-01 Series").has_value());
    }
    u.Click(win::IDCANCEL);
  });
}

// A TCP/IP run whose port wizard is cancelled ends without a box, Install
// ready for the next try.
TEST_F(ReceiptInstall, ACancelledTcpIpWizardLeavesInstallReady) {
  RunInstall("RX-01 Series", TcpIp, true);
  EXPECT_TRUE(installEnabled) << DumpRun();
  EXPECT_TRUE(runBoxes.empty()) << DumpRun();
  EXPECT_TRUE(m.spool().Printers().empty());
}

}  // namespace
}  // namespace install_test
