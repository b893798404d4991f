#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "install_fixture.h"

namespace install_test {
namespace {

using Names = std::vector<std::string>;

class LabelInstall : public InstallFixture {
 protected:
  void SetUp() override { LayPackage(); }
};

TEST_F(LabelInstall, InstallsMonitorEngineAndModelFilesInOrder) {
  RunInstall({"LX-3(Label)", Parallel, true});
  ASSERT_EQ(End(), EndState::Completed) << DumpRun();

  const std::string d = kDirX86;
  const std::string monitorDll = "C:\\WINDOWS\\system32\\lbxmonNT.dll";
  Names expected = {monitorDll, "Advanced Language Monitor is added"};
  for (const char* file : catalogue::LabelEngineFilesX86) expected.push_back(d + "\\" + file);
  for (const char* file : {"THERMAL.chm", "LXF3.BA0", "LXF3.DAT", "LXF3.PP0"}) {
    expected.push_back(d + "\\" + file);
  }
  for (const char* line :
       {"Adding printer drive LX-3(Label)", "Driver LX-3(Label) is added",
        "Added the printer LX-3(Label)", "Set the printer LX-3(Label) to default printer",
        "The installation is completed."}) {
    expected.push_back(line);
  }
  EXPECT_EQ(runStatuses, expected);
  EXPECT_EQ(runProgress, (std::vector<int>{10, 20, 30, 40, 100}));

  const auto driver = m.spool().Driver(sim::kEnvX86, "LX-3(Label)");
  ASSERT_TRUE(driver.has_value());
  EXPECT_EQ(driver->version, 3u);
  EXPECT_EQ(driver->driverPath, d + "\\LBXDRV50.DLL");
  EXPECT_EQ(driver->configFile, d + "\\LBXUI50.DLL");
  EXPECT_EQ(driver->dataFile, d + "\\LXF3.DAT");
  EXPECT_EQ(driver->helpFile, d + "\\THERMAL.chm");
  EXPECT_EQ(driver->monitorName, kMonitor);
  EXPECT_EQ(driver->defaultDataType, "RAW");
  const Names dependents = SplitNames(driver->dependentFiles);
  ASSERT_EQ(dependents.size(), 29u);
  EXPECT_EQ(dependents.front(), "\\LBXENG50.DLL");
  EXPECT_EQ(dependents[26], "\\LBXPBR50.DLL");
  EXPECT_EQ(dependents[27], "\\LXF3.BA0");
  EXPECT_EQ(dependents[28], "LXF3.PP0");
  ASSERT_GE(driver->dependentFiles.size(), 2u);
  EXPECT_EQ(driver->dependentFiles.substr(driver->dependentFiles.size() - 2), std::string(2, '\0'));

  const auto monitors = m.spool().Monitors();
  ASSERT_EQ(monitors.size(), 1u);
  EXPECT_EQ(monitors[0].name, kMonitor);
  EXPECT_EQ(monitors[0].environment, "Windows NT x86");
  EXPECT_EQ(monitors[0].dllName, monitorDll);
  EXPECT_TRUE(m.fs().Exists(monitorDll));

  // Every copy in the driver directory is gone again.
  EXPECT_EQ(m.fs().List(d), (Names{"3"}));
  const auto printer = m.spool().Printer("LX-3(Label)");
  ASSERT_TRUE(printer.has_value());
  EXPECT_EQ(printer->driver, "LX-3(Label)");
}

TEST_F(LabelInstall, SixtyFourBitWindowsNeverMixesTheEngineLists) {
  m.sys().Set64Bit(true);
  m.fs().MakeDirectory("C:\\WINDOWS\\SysWOW64");
  RunInstall({"LX-1(Label)", Parallel, true});
  ASSERT_EQ(End(), EndState::Completed) << DumpRun();

  const auto driver = m.spool().Driver(sim::kEnvX64, "LX-1(Label)");
  ASSERT_TRUE(driver.has_value());
  EXPECT_EQ(driver->environment, "Windows x64");
  EXPECT_EQ(driver->driverPath, std::string(kDirX64) + "\\LBXDRV56.DLL");
  const Names dependents = SplitNames(driver->dependentFiles);
  for (std::size_t i = 0; i < 27 && i < dependents.size(); ++i) {
    EXPECT_NE(dependents[i].find("56.DLL"), std::string::npos) << dependents[i];
  }
  // Every staged engine file came from the 64-bit folder.
  for (const std::string& line : runStatuses) {
    EXPECT_EQ(line.find("50.DLL"), std::string::npos) << line;
  }
  const std::string monitorDll = "C:\\WINDOWS\\SysWOW64\\lbxmon64.dll";
  EXPECT_EQ(runStatuses.front(), monitorDll);
  EXPECT_EQ(m.fs().ReadFile(monitorDll), "placeholder C:\\Barcode\\x64\\lbxmon64.dll");
  const auto monitors = m.spool().Monitors();
  ASSERT_EQ(monitors.size(), 1u);
  EXPECT_EQ(monitors[0].dllName, monitorDll);
  EXPECT_EQ(monitors[0].environment, "Windows x64");
}

TEST_F(LabelInstall, RegisteredMonitorIsReplacedAfterARestart) {
  m.spool().AddMonitor(kMonitor, "old.dll");
  const int restartsBefore = m.spool().Restarts();
  RunInstall({"LX-2(Label)", Parallel, true});
  ASSERT_EQ(End(), EndState::Completed) << DumpRun();
  EXPECT_EQ(m.spool().Restarts(), restartsBefore + 1);
  const auto monitors = m.spool().Monitors();
  ASSERT_EQ(monitors.size(), 1u);
  EXPECT_EQ(monitors[0].dllName, "C:\\WINDOWS\\system32\\lbxmonNT.dll");
}

TEST_F(LabelInstall, AReinstallationReplacesTheMonitorDllTheSpoolerHeld) {
  const std::string dll = "C:\\WINDOWS\\system32\\lbxmonNT.dll";
  m.fs().WriteFile(dll, "older version");
  m.spool().AddMonitor(kMonitor, dll);  // loaded: Windows refuses to overwrite it
  RunInstall({"LX-2(Label)", Parallel, true});
  ASSERT_EQ(End(), EndState::Completed) << DumpRun();
  EXPECT_EQ(m.fs().ReadFile(dll), "placeholder C:\\Barcode\\x86\\lbxmonNT.dll");
}

TEST_F(LabelInstall, AMonitorDllThatCannotBeCopiedStopsTheRunBeforeRegistering) {
  const std::string dll = "C:\\WINDOWS\\system32\\lbxmonNT.dll";
  RunWindow([&](sim::UserActions& u) {
    u.WaitIdle();
    Choose(u, {"LX-2(Label)", Parallel, true});
    ClickInstall(u);
    ASSERT_EQ(End(), EndState::Completed) << DumpRun();
    // The reinstallation cannot replace the DLL now.
    m.fs().SetReadOnly(dll);
    ClickInstall(u);
    // Progress back from 100 to 0, Install as "Reinstall".
    EXPECT_EQ(End(), EndState::Failed) << DumpRun();
    EXPECT_EQ(installText, "Reinstall");
    ASSERT_EQ(runBoxes.size(), 1u);
    EXPECT_EQ(runBoxes[0].text, "Failed to copy the language monitor to " + dll + " (error 5)");
    EXPECT_EQ(runBoxes[0].ownerTemplateId, IDD_MAIN);
    u.Click(win::IDCANCEL);
  });
  // Registered by the first run only.
  EXPECT_EQ(m.faults().Calls("AddMonitorA"), 1u);
  EXPECT_EQ(m.faults().Calls("AddPrinterDriverExA"), 1u);
}

TEST_F(LabelInstall, MonitorThatCannotBeDeletedStillCountsAsAdded) {
  m.spool().AddMonitor(kMonitor, "old.dll");
  const int restartsBefore = m.spool().Restarts();
  m.faults().Fail("DeleteMonitorA", win::ERROR_PRINT_MONITOR_IN_USE);
  RunInstall({"LX-2(Label)", Parallel, true});
  // Adding gave 3006: the run goes on, without a restart.
  ASSERT_EQ(End(), EndState::Completed) << DumpRun();
  EXPECT_EQ(m.spool().Restarts(), restartsBefore);
  EXPECT_EQ(m.faults().Calls("AddMonitorA"), 1u);
  EXPECT_TRUE(m.spool().Driver(sim::kEnvX86, "LX-2(Label)").has_value());
}

TEST_F(LabelInstall, FailedMonitorRegistrationEndsTheProgram) {
  const std::intptr_t result = RunWindow([&](sim::UserActions& u) {
    u.WaitIdle();
    Choose(u, {"LX-5(Label)", Parallel, true});
    m.faults().Fail("AddMonitorA", win::ERROR_ACCESS_DENIED);
    ClickInstall(u);
  });
  EXPECT_EQ(result, win::IDOK);
  EXPECT_EQ(End(), EndState::ProgramEnded);
  ASSERT_EQ(runBoxes.size(), 1u);
  EXPECT_EQ(runBoxes[0].text, "Failed to add Monitor\r\n");
  EXPECT_EQ(runBoxes[0].ownerTemplateId, IDD_MAIN);
  EXPECT_EQ(runBoxes[0].caption, "DriverSetup");
  EXPECT_EQ(runBoxes[0].type, win::MB_OK | win::MB_ICONEXCLAMATION);
  // Nothing after the monitor step ran.
  EXPECT_EQ(runStatuses, (Names{"C:\\WINDOWS\\system32\\lbxmonNT.dll"}));
  EXPECT_TRUE(m.spool().Drivers(sim::kEnvX86).empty());
  EXPECT_TRUE(m.spool().Printers().empty());
}

TEST_F(LabelInstall, PauseBeforeCompletionIsATenthOfASecond) {
  RunInstall({"LX-4(Label)", Parallel, false});
  ASSERT_EQ(End(), EndState::Completed) << DumpRun();
  EXPECT_EQ(MsBetweenProgress(40, 100), 100u);
}

}  // namespace
}  // namespace install_test
