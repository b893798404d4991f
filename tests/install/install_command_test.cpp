// How an Install click ends when a step fails, and which port and which
// catalogue row it takes.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "install_fixture.h"

namespace install_test {
namespace {

using InstallCommandRun = InstallFixture;
const std::string kRetryText =
    "Failed to add the driver 5\r\n\r\nClick Retry:You can retry\r\nClick Cancel\xA3\xBA"
    "exit and abort installation";

// Each failure leaves one box owned by the main window, Install enabled,
// progress back at 0 and, unless the spooler gave an unexpected code,
// "Reinstall" on the button. The receipt retry box is the plain one, the
// label one the application's (no icon for Retry and Cancel boxes).
TEST_F(InstallCommandRun, AFailedStepEndsTheRunWithItsOwnMessage) {
  struct Case {
    const char* driver;
    const char* call;  // null: the monitor DLL in the system folder is read-only
    uint32_t error;
    const char* caption;
    std::string text;
    uint32_t type;
    bool reinstall;
  };
  const std::string monitorDll = "C:\\WINDOWS\\system32\\lbxmonNT.dll";
  const Case cases[] = {
      {"RX-12 Series", "GetPrinterDriverDirectoryA", 5, "Error",
       "Failed to get the printer driver directory 5", win::MB_OK, true},
      {"RX-12 Series", "AddPrinterDriverExA", 5, "Error", kRetryText, win::MB_RETRYCANCEL, true},
      {"LX-1(Label)", "AddPrinterDriverExA", 5, "DriverSetup", kRetryText, win::MB_RETRYCANCEL,
       true},
      {"LX-2(Label)", "GetSystemDirectoryA", 5, "Error", "Failed to get the system directory",
       win::MB_OK, true},
      {"RX-12 Series", "AddPrinterA", 1796, "Prompt",
       "There's no available useful port,please select other type of port", win::MB_OK, true},
      {"RX-12 Series", "AddPrinterA", 126, "Prompt", "Missing system flies,please repair system",
       win::MB_OK, true},
      {"RX-12 Series", "AddPrinterA", 1802, "Prompt",
       "Please check whether the port is connected,and try to install again.", win::MB_OK, true},
      {"RX-12 Series", "AddPrinterA", 87, "Error prompt", "Error AddPrinter 87", win::MB_OK, false},
      {"LX-2(Label)", "AddPrinterA", 1802, "Error prompt", "Error AddPrinter 1802", win::MB_OK,
       false},
      {"LX-2(Label)", nullptr, 0, "Error",
       "Failed to copy the language monitor to " + monitorDll + " (error 5)", win::MB_OK, true},
  };
  RunWindow([&](sim::UserActions& u) {
    u.WaitIdle();
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.driver) + " " + (c.call ? c.call : "read-only monitor DLL"));
      Choose(u, c.driver, Parallel, true);
      // Nothing of an earlier case may carry over.
      window->SetInstallText("&Install");
      window->SetProgress(50);
      if (c.call != nullptr) m.faults().Fail(c.call, c.error);
      if (c.call == nullptr) m.fs().SetReadOnly(monitorDll);
      if (c.type == win::MB_RETRYCANCEL) m.simUi().AnswerMessageBoxes({win::IDRETRY});
      ClickInstall(u);
      ExpectBox(c.caption, c.text, c.type);
      EXPECT_EQ(end, EndState::Failed) << DumpRun();
      EXPECT_EQ(installText, c.reinstall ? "Reinstall" : "&Install");
    }
    u.Click(win::IDCANCEL);
  });
  // No run got as far as the default printer; the copy failure stopped
  // before the monitor was registered a third time.
  EXPECT_FALSE(DeviceValue().has_value());
  EXPECT_TRUE(m.spool().Printers().empty());
  EXPECT_EQ(m.faults().Calls("AddMonitorA"), 2u);
}

// A refused driver with Cancel chosen, and a monitor that cannot be
// registered, end the program before anything is created.
TEST(InstallCommand, RefusedDriverOrMonitorEndsTheProgram) {
  struct Case {
    const char* driver;
    const char* call;
    const char* caption;
    std::string text;
    uint32_t type;
  };
  for (const Case& c :
       {Case{"RX-12 Series", "AddPrinterDriverExA", "Error", kRetryText, win::MB_RETRYCANCEL},
        Case{"LX-5(Label)", "AddMonitorA", "DriverSetup", "Failed to add Monitor\r\n",
             win::MB_OK | win::MB_ICONEXCLAMATION}}) {
    SCOPED_TRACE(c.call);
    InstallRig rig;
    rig.LayPackage();
    const std::intptr_t result = rig.RunWindow([&](sim::UserActions& u) {
      u.WaitIdle();
      rig.Choose(u, c.driver, Parallel, true);
      rig.m.faults().Fail(c.call, win::ERROR_ACCESS_DENIED);
      rig.ClickInstall(u);  // the box's default answer is Cancel
    });
    EXPECT_EQ(result, win::IDOK);
    EXPECT_EQ(rig.end, InstallRig::EndState::ProgramEnded);
    rig.ExpectBox(c.caption, c.text, c.type);
    EXPECT_TRUE(rig.m.spool().Printers().empty());
    EXPECT_TRUE(rig.m.spool().Drivers(sim::kEnvX86).empty());
  }
}

TEST_F(InstallCommandRun, UsbWithoutAPortFallsBackAndTheNextRunTakesTheFirstPortConnectedSince) {
  const int restartsBefore = m.spool().Restarts();
  RunWindow([&](sim::UserActions& u) {
    u.WaitIdle();
    // The printer is made on the parallel port; the second creation, under
    // the same name on the missing USB port, is refused.
    Choose(u, "RX-12 Series", Usb, true);
    ClickInstall(u);
    EXPECT_FALSE(window->installation().portAvailable);
    EXPECT_EQ(end, EndState::Failed);
    EXPECT_EQ(installText, "Reinstall");
    ExpectBox("Prompt", "Please check whether the port is connected,and try to install again.",
              win::MB_OK);
    const auto fallBack = m.spool().Printer("RX-12 Series");
    ASSERT_TRUE(fallBack.has_value());
    EXPECT_EQ(fallBack->port, "LPT1:");
    EXPECT_EQ(m.spool().Restarts(), restartsBefore + 1);
    EXPECT_EQ(m.faults().Calls("AddPrinterA"), 2u);
    EXPECT_EQ(m.spool().OpenPrinterHandleCount(), 0u);

    AddUsbPort("USB001", false);
    AddUsbPort("USB002", true);
    ClickInstall(u);
    EXPECT_TRUE(window->installation().portAvailable);
    EXPECT_EQ(window->installation().chosenPort, "USB001");
    EXPECT_EQ(end, EndState::Completed) << DumpRun();
    EXPECT_NE(std::find(runStatuses.begin(), runStatuses.end(), "Added the printer RX-12 Series"),
              runStatuses.end());
    u.Click(win::IDCANCEL);
  });
}

TEST_F(InstallCommandRun, FallBackWithoutAnyParallelPortFailsCleanly) {
  m.spool().RemovePort("LPT1:");
  RunInstall("RX-12 Series", Usb, true);
  EXPECT_EQ(end, EndState::Failed) << DumpRun();
  EXPECT_EQ(installText, "Reinstall");
  ExpectBox("Prompt", "There's no available useful port,please select other type of port",
            win::MB_OK);
  EXPECT_EQ(m.faults().Calls("AddPrinterA"), 0u);
  EXPECT_TRUE(m.spool().Printers().empty());
}

TEST_F(InstallCommandRun, SerialWithoutSerialPortsUsesTheParallelPort) {
  RunInstall("RX-12 Series", Serial, true);
  EXPECT_FALSE(window->installation().portAvailable);
  EXPECT_NE(std::find(runStatuses.begin(), runStatuses.end(),
                      "There's no serialport,the current port isLPT1:"),
            runStatuses.end())
      << DumpRun();
  const auto printer = m.spool().Printer("RX-12 Series");
  ASSERT_TRUE(printer.has_value());
  EXPECT_EQ(printer->port, "LPT1:");
  // The default-printer value names the chosen port, here still empty.
  EXPECT_EQ(DeviceValue(), "RX-12 Series,winspool,\0"s);
}

// No list file, or a name in a section beyond the catalogue: one prompt, and
// the spooler is not touched.
TEST(InstallCommand, WithoutACatalogueRowNothingIsInstalled) {
  for (const bool withList : {false, true}) {
    SCOPED_TRACE(withList);
    InstallRig rig;
    rig.LayPackageFiles();
    if (withList) {
      rig.LayNameList();
      const auto list = rig.m.fs().ReadFile("C:\\DriverName.cfg");
      rig.m.fs().WriteFile("C:\\DriverName.cfg", *list + "[Extra]\r\nPrintName1=Unknown Model\r\n");
    }
    rig.RunWindow([&](sim::UserActions& u) {
      u.WaitIdle();
      if (withList) rig.Choose(u, "Unknown Model", Parallel, true);
      rig.ClickInstall(u);
      u.Click(win::IDCANCEL);
    });
    EXPECT_EQ(rig.window->installation().modelIndex, withList ? catalogue::kModelCount : -1);
    ASSERT_EQ(rig.runBoxes.size(), 1u);
    EXPECT_EQ(rig.runBoxes[0].caption, "Prompt");
    EXPECT_EQ(rig.runBoxes[0].ownerTemplateId, IDD_MAIN);
    EXPECT_TRUE(rig.installEnabled);
    EXPECT_TRUE(rig.runStatuses.empty());
    EXPECT_EQ(rig.m.faults().Calls("GetPrinterDriverDirectoryA"), 0u);
  }
}

}  // namespace
}  // namespace install_test
