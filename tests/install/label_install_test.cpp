#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "install_fixture.h"

namespace install_test {
namespace {

using LabelInstall = InstallFixture;
using ::testing::HasSubstr;
using ::testing::Not;
const std::string kMonitorDll = "C:\\WINDOWS\\system32\\lbxmonNT.dll";

TEST_F(LabelInstall, InstallsMonitorEngineAndModelFilesInOrder) {
  RunInstall("LX-3(Label)", Parallel, true);
  ASSERT_EQ(end, EndState::Completed) << DumpRun();

  const std::string d = kDirX86 + "\\";
  Names expected = {kMonitorDll, "Advanced Language Monitor is added"};
  for (const char* file : catalogue::LabelEngineFilesX86) expected.push_back(d + file);
  for (const char* file : {"THERMAL.chm", "LXF3.BA0", "LXF3.DAT", "LXF3.PP0"}) {
    expected.push_back(d + file);
  }
  expected.insert(expected.end(), {"Adding printer drive LX-3(Label)",
                                   "Driver LX-3(Label) is added", "Added the printer LX-3(Label)",
                                   "Set the printer LX-3(Label) to default printer",
                                   "The installation is completed."});
  EXPECT_EQ(runStatuses, expected);
  EXPECT_EQ(runProgress, (std::vector<int>{10, 20, 30, 40, 100}));
  EXPECT_EQ(FinalPauseMs(), 100u);

  const auto driver = m.spool().Driver(sim::kEnvX86, "LX-3(Label)");
  ASSERT_TRUE(driver.has_value());
  EXPECT_EQ(driver->version, 3u);
  EXPECT_EQ(driver->driverPath, d + "LBXDRV50.DLL");
  EXPECT_EQ(driver->configFile, d + "LBXUI50.DLL");
  EXPECT_EQ(driver->dataFile, d + "LXF3.DAT");
  EXPECT_EQ(driver->helpFile, d + "THERMAL.chm");
  EXPECT_EQ(driver->monitorName, kMonitor);
  EXPECT_EQ(driver->defaultDataType, "RAW");
  // 27 engine files, then the model files, the list's end marker last.
  const std::string& dependents = driver->dependentFiles;
  EXPECT_EQ(std::count(dependents.begin(), dependents.end(), '\0'), 30);
  EXPECT_EQ(dependents.find("\\LBXENG50.DLL\0"s), 0u);
  EXPECT_TRUE(dependents.ends_with("\\LBXPBR50.DLL\0\\LXF3.BA0\0LXF3.PP0\0\0"s)) << dependents;

  const auto monitors = m.spool().Monitors();
  ASSERT_EQ(monitors.size(), 1u);
  EXPECT_EQ(monitors[0].name, kMonitor);
  EXPECT_EQ(monitors[0].environment, "Windows NT x86");
  EXPECT_EQ(monitors[0].dllName, kMonitorDll);
  // Every copy in the driver directory is gone again; the monitor DLL stays.
  EXPECT_EQ(m.fs().List(kDirX86), (Names{"3"}));
  EXPECT_TRUE(m.fs().Exists(kMonitorDll));
  const auto printer = m.spool().Printer("LX-3(Label)");
  ASSERT_TRUE(printer.has_value());
  EXPECT_EQ(printer->driver, "LX-3(Label)");
}

// Also: a default-printer value that cannot be written is reported, and the
// run goes on; a monitor left by an earlier run, its DLL loaded (Windows
// refuses to overwrite it while the monitor stays), is deleted, the spooler
// restarted and the DLL replaced.
TEST_F(LabelInstall, SixtyFourBitWindowsNeverMixesTheEngineLists) {
  const std::string monitorDll = "C:\\WINDOWS\\SysWOW64\\lbxmon64.dll";
  m.sys().Set64Bit(true);
  m.fs().WriteFile(monitorDll, "older version");
  m.spool().AddMonitor(kMonitor, monitorDll);
  const int restartsBefore = m.spool().Restarts();
  m.faults().Fail("RegSetValueExA", win::ERROR_ACCESS_DENIED);
  RunInstall("LX-1(Label)", Parallel, true);
  ASSERT_EQ(end, EndState::Completed) << DumpRun();
  ExpectBox("DriverSetup",
            "Error\xA3\xBA"
            "Failed to set regist",
            win::MB_OK | win::MB_ICONEXCLAMATION);

  const auto driver = m.spool().Driver(sim::kEnvX64, "LX-1(Label)");
  ASSERT_TRUE(driver.has_value());
  EXPECT_EQ(driver->environment, "Windows x64");
  EXPECT_EQ(driver->driverPath, kDirX64 + "\\LBXDRV56.DLL");
  EXPECT_TRUE(driver->dependentFiles.starts_with("\\LBXENG56.DLL\0"s));
  EXPECT_THAT(driver->dependentFiles, Not(HasSubstr("50.DLL")));
  for (const std::string& line : runStatuses) EXPECT_THAT(line, Not(HasSubstr("50.DLL")));
  EXPECT_EQ(runStatuses.front(), monitorDll);
  EXPECT_EQ(m.spool().Restarts(), restartsBefore + 1);
  EXPECT_EQ(m.fs().ReadFile(monitorDll), "placeholder C:\\Barcode\\x64\\lbxmon64.dll");
  const auto monitors = m.spool().Monitors();
  ASSERT_EQ(monitors.size(), 1u);
  EXPECT_EQ(monitors[0].dllName, monitorDll);
  EXPECT_EQ(monitors[0].environment, "Windows x64");
}

// The label driver record keeps its paths in 200-byte buffers: its longest,
// the folder and "\LBXDRV50.DLL", may have 199 characters.
TEST_F(LabelInstall, RecordPathsAreTakenUpToTheirBuffers) {
  RunWindow([&](sim::UserActions& u) {
    u.WaitIdle();
    for (const std::size_t folderLength : {187u, 186u}) {
      SCOPED_TRACE(folderLength);
      const std::string folder = "C:\\" + std::string(folderLength - 3, 'd');
      m.spool().SetDriverDirectoryX86(folder);
      Choose(u, "LX-3(Label)", Parallel, true);
      ClickInstall(u);
      if (folderLength == 186) {
        EXPECT_EQ(end, EndState::Completed) << DumpRun();
        EXPECT_EQ(m.spool().Driver(sim::kEnvX86, "LX-3(Label)")->driverPath,
                  folder + "\\LBXDRV50.DLL");
        continue;
      }
      EXPECT_EQ(end, EndState::Failed) << DumpRun();
      ASSERT_EQ(runBoxes.size(), 1u) << DumpRun();
      EXPECT_EQ(runBoxes[0].text, "The path is too long:\r\n" + folder + "\\LBXDRV50.DLL");
      EXPECT_TRUE(m.spool().Monitors().empty());
    }
    u.Click(win::IDCANCEL);
  });
}

// A reinstall over an installed label printer: its driver keeps the monitor
// registered (Windows refuses the delete while a driver names it), so no
// restart frees the DLL and the copy over it fails. The old DLL works on and
// the new one replaces it when Windows starts again.
TEST_F(LabelInstall, AMonitorDllTheSpoolerHoldsIsReplacedAtTheNextStartOfWindows) {
  m.fs().WriteFile(kMonitorDll, "older version");
  m.spool().AddMonitor(kMonitor, kMonitorDll);
  m.spool().AddDriver(sim::kEnvX86, "LX-3(Label)", kMonitor);
  const int restartsBefore = m.spool().Restarts();
  RunInstall("LX-3(Label)", Parallel, true);
  ASSERT_EQ(end, EndState::Completed) << DumpRun();
  EXPECT_TRUE(runBoxes.empty());
  EXPECT_EQ(m.spool().Restarts(), restartsBefore);
  EXPECT_EQ(m.fs().ReadFile(kMonitorDll), "older version");
  const std::string pending = "C:\\WINDOWS\\system32\\lbxmonNT.new";
  EXPECT_EQ(m.fs().ReadFile(pending), "placeholder C:\\Barcode\\x86\\lbxmonNT.dll");
  const auto moves = m.fs().PendingMoves();
  ASSERT_EQ(moves.size(), 1u);
  EXPECT_EQ(moves[0].existing, pending);
  EXPECT_EQ(moves[0].newName, kMonitorDll);
  EXPECT_EQ(moves[0].flags, win::MOVEFILE_DELAY_UNTIL_REBOOT | win::MOVEFILE_REPLACE_EXISTING);
  EXPECT_TRUE(window->installation().restartPending);
  EXPECT_EQ(m.spool().Monitors().size(), 1u);

  // With no DLL at the target there is nothing to work on: a failed copy
  // stops the run.
  m.fs().SetInUse(kMonitorDll, false);
  ASSERT_TRUE(m.files().DeleteFileA(kMonitorDll));
  LayPackage();  // the closed window removed it
  m.faults().Fail("CopyFileA", 32);
  RunInstall("LX-3(Label)", Parallel, true);
  ExpectBox("Error", "Failed to copy the language monitor to " + kMonitorDll + " (error 32)",
            win::MB_OK);
  EXPECT_EQ(m.fs().PendingMoves().size(), 1u);
}

}  // namespace
}  // namespace install_test
