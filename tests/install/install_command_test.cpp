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

// Each failure leaves one box owned by the main window and no printer. A run
// that goes on leaves Install enabled, progress back at 0 and, unless the
// spooler gave an unexpected code, "Reinstall" on the button; a refused
// driver with Cancel chosen (the box's default) and a monitor that cannot be
// registered end the program. The receipt retry box is the plain one, the
// label one the application's (no icon for Retry and Cancel boxes).
TEST(InstallCommand, AFailedStepEndsTheRunWithItsOwnMessage) {
  struct Case {
    const char* driver;
    const char* call;  // null: the monitor DLL in the system folder is read-only
    uint32_t error;
    const char* caption;
    std::string text;
    uint32_t type;
    const char* button;  // null: the program ends
  };
  const std::string monitorDll = "C:\\WINDOWS\\system32\\lbxmonNT.dll";
  const char* const re = "Reinstall";
  const Case cases[] = {
      {"RX-12 Series", "GetPrinterDriverDirectoryA", 5, "Error",
       "Failed to get the printer driver directory 5", win::MB_OK, re},
      {"RX-12 Series", "AddPrinterDriverExA", 5, "Error", kRetryText, win::MB_RETRYCANCEL, re},
      {"RX-12 Series", "AddPrinterDriverExA", 5, "Error", kRetryText, win::MB_RETRYCANCEL, nullptr},
      {"LX-1(Label)", "AddPrinterDriverExA", 5, "DriverSetup", kRetryText, win::MB_RETRYCANCEL, re},
      {"LX-5(Label)", "AddMonitorA", 5, "DriverSetup", "Failed to add Monitor\r\n",
       win::MB_OK | win::MB_ICONEXCLAMATION, nullptr},
      {"LX-2(Label)", "GetSystemDirectoryA", 5, "Error", "Failed to get the system directory",
       win::MB_OK, re},
      {"RX-12 Series", "AddPrinterA", 1796, "Prompt",
       "There's no available useful port,please select other type of port", win::MB_OK, re},
      {"RX-12 Series", "AddPrinterA", 126, "Prompt", "Missing system flies,please repair system",
       win::MB_OK, re},
      {"RX-12 Series", "AddPrinterA", 1802, "Prompt",
       "Please check whether the port is connected,and try to install again.", win::MB_OK, re},
      {"RX-12 Series", "AddPrinterA", 87, "Error prompt", "Error AddPrinter 87", win::MB_OK,
       "&Install"},
      {"LX-2(Label)", "AddPrinterA", 1802, "Error prompt", "Error AddPrinter 1802", win::MB_OK,
       "&Install"},
      {"LX-2(Label)", nullptr, 0, "Error",
       "Failed to copy the language monitor to " + monitorDll + " (error 5)", win::MB_OK, re},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.driver) + " " + (c.call ? c.call : "read-only monitor DLL"));
    InstallRig rig;
    rig.LayPackage();
    if (c.call == nullptr) rig.m.fs().WriteFile(monitorDll, "older version");
    if (c.call == nullptr) rig.m.fs().SetReadOnly(monitorDll);
    if (c.type == win::MB_RETRYCANCEL && c.button) rig.m.simUi().AnswerMessageBoxes({win::IDRETRY});
    const std::intptr_t result = rig.RunInstall(c.driver, Parallel, true, [&] {
      if (c.call != nullptr) rig.m.faults().Fail(c.call, c.error);
    });
    rig.ExpectBox(c.caption, c.text, c.type);
    EXPECT_EQ(result, c.button ? win::IDCANCEL : win::IDOK);
    EXPECT_EQ(rig.end, c.button ? InstallRig::EndState::Failed : InstallRig::EndState::ProgramEnded)
        << rig.DumpRun();
    EXPECT_EQ(rig.installText, c.button ? c.button : "");
    EXPECT_TRUE(rig.m.spool().Printers().empty());
    EXPECT_FALSE(rig.DeviceValue().has_value());
    // The copy failure stops before the monitor is registered.
    if (c.call == nullptr) {
      EXPECT_EQ(rig.m.faults().Calls("AddMonitorA"), 0u);
    }
  }
}

// Serial without a serial port takes the parallel one. USB without a port
// falls back the same way, but the second creation, under the same name on
// the missing USB port, is refused; the next run takes the first USB port
// connected since.
// On 64-bit Windows only the x64 driver folder is used: a failed read of the
// x86 one changes nothing, a failed read of the x64 one stops the run.
TEST(InstallCommand, On64BitWindowsOnlyTheX64DriverFolderReadCounts) {
  for (const char* driver : {"RX-46 Series", "LX-1(Label)"}) {
    for (const uint32_t failedRead : {1u, 2u}) {
      SCOPED_TRACE(std::string(driver) + ", read " + std::to_string(failedRead) + " fails");
      InstallRig rig;
      rig.LayPackage();
      rig.m.sys().Set64Bit(true);
      rig.m.fs().MakeDirectory("C:\\WINDOWS\\SysWOW64");
      rig.RunInstall(driver, Parallel, true, [&] {
        rig.m.faults().Fail("GetPrinterDriverDirectoryA", 5, {.fromCall = failedRead});
      });
      EXPECT_EQ(rig.m.faults().Calls("GetPrinterDriverDirectoryA"), 2u);
      if (failedRead == 1) {
        EXPECT_EQ(rig.end, InstallRig::EndState::Completed) << rig.DumpRun();
        EXPECT_TRUE(rig.m.spool().Driver(sim::kEnvX64, driver).has_value());
      } else {
        rig.ExpectBox("Error", "Failed to get the printer driver directory 5", win::MB_OK);
        EXPECT_EQ(rig.end, InstallRig::EndState::Failed);
      }
    }
  }
}

TEST_F(InstallCommandRun, AKindWithoutPortsFallsBackToTheParallelPort) {
  RunWindow([&](sim::UserActions& u) {
    u.WaitIdle();
    Choose(u, "RX-01 Series", Serial, true);
    ClickInstall(u);
    EXPECT_FALSE(window->installation().portAvailable);
    EXPECT_NE(std::find(runStatuses.begin(), runStatuses.end(),
                        "There's no serialport,the current port isLPT1:"),
              runStatuses.end());
    EXPECT_EQ(runStatuses.back(),
              "Cannot select a available port.The current printer port is LPT1:,you can "
              "configure after finished");
    EXPECT_EQ(m.spool().Printer("RX-01 Series")->port, "LPT1:");
    // The default-printer value names the chosen port, here still empty.
    EXPECT_EQ(DeviceValue(), "RX-01 Series,winspool,\0"s);

    const int restartsBefore = m.spool().Restarts();
    Choose(u, "RX-12 Series", Usb, true);
    ClickInstall(u);
    EXPECT_FALSE(window->installation().portAvailable);
    EXPECT_EQ(end, EndState::Failed);
    EXPECT_EQ(installText, "Reinstall");
    ExpectBox("Prompt", "Please check whether the port is connected,and try to install again.",
              win::MB_OK);
    EXPECT_EQ(m.spool().Printer("RX-12 Series")->port, "LPT1:");
    EXPECT_EQ(m.spool().Restarts(), restartsBefore + 1);
    EXPECT_EQ(m.faults().Calls("AddPrinterA"), 3u);

    m.spool().AddPort("USB001", "USB Monitor", "Virtual printer port for USB");
    m.spool().AddPort("USB002", "USB Monitor", "Virtual printer port for USB");
    m.spool().AttachUsbDevice("USB002");
    ClickInstall(u);
    EXPECT_TRUE(window->installation().portAvailable);
    EXPECT_EQ(window->installation().chosenPort, "USB001");
    EXPECT_EQ(end, EndState::Completed) << DumpRun();
    // The port with a device attached.
    EXPECT_EQ(m.spool().Printer("RX-12 Series")->port, "USB002");
    u.Click(win::IDCANCEL);
  });
}

// No parallel port: the parallel choice is cancelled before anything is
// staged, a name beyond the catalogue gets a prompt before any port is
// chosen, and a USB fall-back has no port to fall back to.
TEST_F(InstallCommandRun, WithoutAParallelPortOrACatalogueRowNothingIsInstalled) {
  m.spool().RemovePort("LPT1:");
  RunWindow([&](sim::UserActions& u) {
    u.WaitIdle();
    Choose(u, "RX-12 Series", Parallel, true);
    ClickInstall(u);
    EXPECT_TRUE(runProgress.empty());
    EXPECT_TRUE(runStatuses.empty()) << DumpRun();
    EXPECT_TRUE(installEnabled);
    EXPECT_EQ(installText, "&Install");
    EXPECT_TRUE(m.fs().List(kDirX86).empty());
    Choose(u, "Unknown Model", Parallel, true);
    ClickInstall(u);
    EXPECT_EQ(window->installation().modelIndex, catalogue::kModelCount);
    ExpectBox("Prompt", "The chosen driver name has no driver in this installer", win::MB_OK);
    EXPECT_TRUE(installEnabled);
    EXPECT_EQ(m.faults().Calls("GetPrinterDriverDirectoryA"), 0u);
    Choose(u, "RX-12 Series", Usb, true);
    ClickInstall(u);
    EXPECT_EQ(end, EndState::Failed) << DumpRun();
    EXPECT_EQ(installText, "Reinstall");
    ExpectBox("Prompt", "There's no available useful port,please select other type of port",
              win::MB_OK);
    u.Click(win::IDCANCEL);
  });
  EXPECT_EQ(m.faults().Calls("AddPrinterA"), 0u);
  EXPECT_TRUE(m.spool().Printers().empty());
}

TEST(InstallCommand, WithoutAListFileNothingIsInstalled) {
  InstallRig rig;
  rig.LayPackageFiles();
  rig.RunWindow([&](sim::UserActions& u) {
    u.WaitIdle();
    rig.ClickInstall(u);
    u.Click(win::IDCANCEL);
  });
  EXPECT_EQ(rig.window->installation().modelIndex, -1);
  rig.ExpectBox("Prompt",
                "No driver name is available,the driver package may be missing or damaged",
                win::MB_OK);
  EXPECT_TRUE(rig.installEnabled);
  EXPECT_TRUE(rig.runStatuses.empty());
  EXPECT_EQ(rig.m.faults().Calls("GetPrinterDriverDirectoryA"), 0u);
}

}  // namespace
}  // namespace install_test
