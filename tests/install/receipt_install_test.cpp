#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "install_fixture.h"

namespace install_test {
namespace {

using Names = std::vector<std::string>;
using namespace std::string_literals;

class ReceiptInstall : public InstallFixture {
 protected:
  void SetUp() override { LayPackage(); }

  // Installs each of `texts` in turn in one window (each run after a
  // completed one, as a user clicking Install again would).
  void InstallEach(const std::vector<std::string>& texts) {
    RunWindow([&](sim::UserActions& u) {
      u.WaitIdle();
      for (const std::string& text : texts) {
        Choose(u, {text, Parallel, true});
        ClickInstall(u);
        EXPECT_EQ(End(), EndState::Completed) << text << "\n" << DumpRun();
      }
      u.Click(win::IDCANCEL);
    });
  }

  platform::DriverInfo3 Driver(const std::string& name, const char* env = sim::kEnvX86) {
    const auto driver = m.spool().Driver(env, name);
    EXPECT_TRUE(driver.has_value()) << name;
    return driver.value_or(platform::DriverInfo3{});
  }
};

TEST_F(ReceiptInstall, StagesRegistersCleansUpAndCreatesThePrinterInOrder) {
  RunInstall({"RX-12 Series", Parallel, true});
  ASSERT_EQ(End(), EndState::Completed) << DumpRun();

  const std::string d = kDirX86;
  EXPECT_EQ(
      runStatuses,
      (Names{d + "\\RXF12.DLL", d + "\\RXF12.GPD", d + "\\OEMPLUG.ini", d + "\\OEMPLUG.dll",
             d + "\\uniDRVui.DLL", d + "\\uniDRV.DLL", d + "\\UNIDRV.HLP", d + "\\UNIRES.DLL",
             d + "\\TTFSUB.GPD", d + "\\STDNAMES.GPD", "Adding printer drive RX-12 Series",
             "Driver RX-12 Series is added", "Added the printer RX-12 Series",
             "Set the printer RX-12 Series to default printer", "The installation is completed."}));
  EXPECT_EQ(runProgress, (std::vector<int>{10, 20, 30, 40, 100}));
  EXPECT_EQ(cancelText, "&Finish");

  const platform::DriverInfo3 driver = Driver("RX-12 Series");
  EXPECT_EQ(driver.version, 3u);
  EXPECT_EQ(driver.environment, "Windows NT x86");
  EXPECT_EQ(driver.driverPath, d + "\\uniDRV.DLL");
  EXPECT_EQ(driver.dataFile, d + "\\RXF12.GPD");
  EXPECT_EQ(driver.configFile, d + "\\uniDRVui.DLL");
  EXPECT_EQ(driver.helpFile, d + "\\uniDRV.HLP");
  EXPECT_EQ(driver.monitorName, "");
  EXPECT_EQ(driver.defaultDataType, "RAW");
  EXPECT_EQ(driver.dependentFiles, "\\ttfsub.GPD\0\\unires.DLL\0\\stdnames.GPD\0RXF12.DLL\0\0"s);

  // Only the plug-in pair (and the spooler's own version folder) is left.
  EXPECT_EQ(m.fs().List(d), (Names{"3", "OEMPLUG.dll", "OEMPLUG.ini"}));

  const auto printer = m.spool().Printer("RX-12 Series");
  ASSERT_TRUE(printer.has_value());
  EXPECT_EQ(printer->port, "LPT1:");
  EXPECT_EQ(printer->driver, "RX-12 Series");
  EXPECT_EQ(printer->printProcessor, "WinPrint");
  EXPECT_EQ(printer->datatype, "RAW");
  EXPECT_EQ(m.spool().OpenPrinterHandleCount(), 0u);
  EXPECT_EQ(DeviceValue(), "RX-12 Series,winspool,LPT1:\0"s);
}

TEST_F(ReceiptInstall, RowsFindTheirModelFileAndGroupDll) {
  InstallEach({"RX-06 Series", "RX-07 Series", "RX-15", "RX-27BM", "RX-16 Series", "RX-52 Series"});
  const std::string d = kDirX86;
  struct Expect {
    const char* name;
    const char* gpd;
    const char* groupDll;
  };
  for (const Expect& e :
       {Expect{"RX-06 Series", "RXF06.GPD", "RXF12.DLL"},
        Expect{"RX-07 Series", "RXF06.GPD", "RXF12.DLL"}, Expect{"RX-15", "RX-15.GPD", "RXF12.DLL"},
        Expect{"RX-27BM", "RX-27BM.GPD", "RXG04.DLL"},
        Expect{"RX-16 Series", "RXF16.GPD", "RXG02.DLL"},
        Expect{"RX-52 Series", "RXF52.GPD", "RXG05.DLL"}}) {
    const platform::DriverInfo3 driver = Driver(e.name);
    EXPECT_EQ(driver.dataFile, d + "\\" + e.gpd) << e.name;
    const Names files = SplitNames(driver.dependentFiles);
    ASSERT_FALSE(files.empty()) << e.name;
    EXPECT_EQ(files.back(), e.groupDll) << e.name;
    // The spooler got the package's file, not another model's.
    EXPECT_EQ(m.fs().ReadFile(d + "\\3\\" + e.gpd),
              "placeholder C:\\Ticket\\x86\\" + std::string(e.gpd));
  }
}

TEST_F(ReceiptInstall, RowTwentyTakesItsOwnGroupDllOnlyUnderItsOwnName) {
  LayNameList({{19, "RX-20 Kiosk"}});
  RunWindow([&](sim::UserActions& u) {
    u.WaitIdle();
    Choose(u, {"RX-20 Series", Parallel, true});
    ClickInstall(u);
    ASSERT_EQ(End(), EndState::Completed) << DumpRun();
    EXPECT_EQ(runStatuses.front(), std::string(kDirX86) + "\\RXG03.DLL");
    EXPECT_EQ(SplitNames(Driver("RX-20 Series").dependentFiles).back(), "RXG03.DLL");

    // Same row, another display name: the other group-2 DLL, the same driver,
    // and a printer named as shown.
    Choose(u, {"RX-20 Kiosk", Parallel, true});
    ClickInstall(u);
    ASSERT_EQ(End(), EndState::Completed) << DumpRun();
    EXPECT_EQ(runStatuses.front(), std::string(kDirX86) + "\\RXG02.DLL");
    EXPECT_EQ(SplitNames(Driver("RX-20 Series").dependentFiles).back(), "RXG02.DLL");
    u.Click(win::IDCANCEL);
  });
  const auto kiosk = m.spool().Printer("RX-20 Kiosk");
  ASSERT_TRUE(kiosk.has_value());
  EXPECT_EQ(kiosk->driver, "RX-20 Series");
  EXPECT_TRUE(m.spool().Printer("RX-20 Series").has_value());
}

TEST_F(ReceiptInstall, PluginRowsListThePluginPair) {
  InstallEach({"RX-46 Series", "RX-50 Series", "RX-36 Series", "RX-37 Series"});
  EXPECT_EQ(SplitNames(Driver("RX-46 Series").dependentFiles),
            (Names{"\\ttfsub.GPD", "\\unires.DLL", "\\stdnames.GPD", "\\OEMPLUG.ini",
                   "\\OEMPLUG.dll", "RXG05.DLL"}));
  EXPECT_EQ(SplitNames(Driver("RX-50 Series").dependentFiles),
            (Names{"\\ttfsub.GPD", "\\unires.DLL", "\\stdnames.GPD", "RXG05.DLL"}));
  EXPECT_EQ(SplitNames(Driver("RX-36 Series").dependentFiles).size(), 6u);
  EXPECT_EQ(SplitNames(Driver("RX-37 Series").dependentFiles).size(), 4u);
}

TEST_F(ReceiptInstall, SixtyFourBitWindowsUsesItsOwnEnvironmentAndFiles) {
  m.sys().Set64Bit(true);
  RunInstall({"RX-33 Series", Parallel, true});
  ASSERT_EQ(End(), EndState::Completed) << DumpRun();
  const std::string d = kDirX64;
  EXPECT_FALSE(m.spool().Driver(sim::kEnvX86, "RX-33 Series").has_value());
  const platform::DriverInfo3 driver = Driver("RX-33 Series", sim::kEnvX64);
  EXPECT_EQ(driver.environment, "Windows x64");
  EXPECT_EQ(driver.driverPath, d + "\\uniDRV.DLL");
  EXPECT_EQ(runStatuses.front(), d + "\\RXG05.DLL");
  EXPECT_EQ(m.fs().ReadFile(d + "\\3\\RXF33.GPD"), "placeholder C:\\Ticket\\x64\\RXF33.GPD");
  EXPECT_EQ(m.fs().ReadFile(d + "\\OEMPLUG.dll"), "placeholder C:\\Ticket\\x64\\OEMPLUG.dll");
}

TEST_F(ReceiptInstall, WindowsNtFourGetsVersionTwoDrivers) {
  m.sys().SetVersion(win::VER_PLATFORM_WIN32_NT, 4, 0, 1381);
  RunInstall({"RX-01 Series", Parallel, true});
  ASSERT_EQ(End(), EndState::Completed) << DumpRun();
  EXPECT_EQ(Driver("RX-01 Series").version, 2u);
}

TEST_F(ReceiptInstall, CancelledPortChoiceLeavesEverythingAsItWas) {
  m.spool().RemovePort("LPT1:");
  RunInstall({"RX-12 Series", Parallel, true});
  EXPECT_TRUE(runStatuses.empty()) << DumpRun();
  EXPECT_TRUE(runProgress.empty());
  EXPECT_TRUE(installEnabled);
  EXPECT_EQ(installText, "&Install");
  EXPECT_TRUE(m.spool().Drivers(sim::kEnvX86).empty());
  EXPECT_TRUE(m.fs().List(kDirX86).empty());
}

TEST_F(ReceiptInstall, PauseBeforeCompletionIsHalfASecond) {
  RunInstall({"RX-12 Series", Parallel, false});
  ASSERT_EQ(End(), EndState::Completed) << DumpRun();
  EXPECT_EQ(MsBetweenProgress(40, 100), 500u);
}

}  // namespace
}  // namespace install_test
