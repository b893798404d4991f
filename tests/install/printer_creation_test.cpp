#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "install_fixture.h"

namespace install_test {
namespace {

using Names = std::vector<std::string>;
using namespace std::string_literals;

const std::string kRetryText5 =
    "Failed to add the driver 5\r\n\r\nClick Retry:You can retry\r\n"
    "Click Cancel\xA3\xBA"
    "exit and abort installation";

bool Contains(const Names& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

class PrinterCreation : public InstallFixture {
 protected:
  void SetUp() override { LayPackage(); }

  // Runs one install with a fault armed just before the click.
  std::intptr_t InstallWithFault(const InstallChoice& choice, const char* call, uint32_t code,
                                 int answer = 0) {
    if (answer != 0) m.simUi().AnswerMessageBoxes({answer});
    return RunWindow([&](sim::UserActions& u) {
      u.WaitIdle();
      Choose(u, choice);
      m.faults().Fail(call, code);
      ClickInstall(u);
      if (!u.Ended()) u.Click(win::IDCANCEL);
    });
  }
};

TEST_F(PrinterCreation, RefusedDriverOffersRetryThatReenablesInstall) {
  InstallWithFault({"RX-12 Series", Parallel, true}, "AddPrinterDriverExA",
                   win::ERROR_ACCESS_DENIED, win::IDRETRY);
  ASSERT_EQ(runBoxes.size(), 1u);
  EXPECT_EQ(runBoxes[0].text, kRetryText5);
  EXPECT_EQ(runBoxes[0].caption, "Error");
  EXPECT_EQ(runBoxes[0].ownerTemplateId, IDD_MAIN);
  EXPECT_EQ(runBoxes[0].type, win::MB_RETRYCANCEL);
  EXPECT_EQ(End(), EndState::Failed);
  EXPECT_EQ(installText, "Reinstall");
  EXPECT_EQ(runProgress, (std::vector<int>{10, 0}));
  // The staged copies stay; nothing else happened.
  EXPECT_TRUE(m.fs().Exists(std::string(kDirX86) + "\\RXF12.GPD"));
  EXPECT_TRUE(m.spool().Printers().empty());
  EXPECT_FALSE(DeviceValue().has_value());
}

TEST_F(PrinterCreation, RefusedDriverWithCancelEndsTheProgram) {
  const std::intptr_t result =
      InstallWithFault({"RX-12 Series", Parallel, true}, "AddPrinterDriverExA",
                       win::ERROR_ACCESS_DENIED, win::IDCANCEL);
  EXPECT_EQ(result, win::IDOK);
  EXPECT_EQ(End(), EndState::ProgramEnded);
  EXPECT_TRUE(m.spool().Printers().empty());
}

TEST_F(PrinterCreation, LabelRetryBoxIsTheApplicationBox) {
  InstallWithFault({"LX-1(Label)", Parallel, true}, "AddPrinterDriverExA", win::ERROR_ACCESS_DENIED,
                   win::IDRETRY);
  ASSERT_EQ(runBoxes.size(), 1u);
  EXPECT_EQ(runBoxes[0].text, kRetryText5);
  EXPECT_EQ(runBoxes[0].caption, "DriverSetup");
  EXPECT_EQ(runBoxes[0].ownerTemplateId, IDD_MAIN);
  // Retry and Cancel boxes get no icon from the application-wide rule.
  EXPECT_EQ(runBoxes[0].type, win::MB_RETRYCANCEL);
  EXPECT_EQ(End(), EndState::Failed);
  EXPECT_EQ(installText, "Reinstall");
  // The monitor stays registered.
  EXPECT_EQ(m.spool().Monitors().size(), 1u);
}

TEST_F(PrinterCreation, ExistingPrinterIsPurgedDeletedAndCreatedAnew) {
  m.spool().AddDriver(sim::kEnvX86, "Other Driver");
  m.spool().AddPrinter("RX-12 Series", "LPT1:", "Other Driver");
  m.spool().SetJobs("RX-12 Series", 4);
  RunInstall({"RX-12 Series", Parallel, true});
  ASSERT_EQ(End(), EndState::Completed) << DumpRun();
  const auto replaced = std::find(runStatuses.begin(), runStatuses.end(),
                                  "The printer RX-12 Series exists,Re-adding the printer...");
  ASSERT_NE(replaced, runStatuses.end()) << DumpRun();
  ASSERT_NE(replaced + 1, runStatuses.end());
  EXPECT_EQ(*(replaced + 1), "Added the printer RX-12 Series");
  const auto printer = m.spool().Printer("RX-12 Series");
  ASSERT_TRUE(printer.has_value());
  EXPECT_EQ(printer->driver, "RX-12 Series");
  EXPECT_EQ(printer->jobs, 0u);
  EXPECT_EQ(m.spool().OpenPrinterHandleCount(), 0u);
}

TEST_F(PrinterCreation, CreationErrorsShowTheirOwnMessages) {
  struct Case {
    uint32_t error;
    const char* text;
    const char* caption;
    bool reinstall;
  };
  const Case cases[] = {
      {1796, "There's no available useful port,please select other type of port", "Prompt", true},
      {126, "Missing system flies,please repair system", "Prompt", true},
      {1802, "Please check whether the port is connected,and try to install again.", "Prompt",
       true},
      {87, "Error AddPrinter 87", "Error prompt", false},
  };
  RunWindow([&](sim::UserActions& u) {
    u.WaitIdle();
    for (const Case& c : cases) {
      Choose(u, {"RX-12 Series", Parallel, true});
      // The button text of an earlier case must not carry over.
      window->SetInstallText("&Install");
      m.faults().Fail("AddPrinterA", c.error);
      ClickInstall(u);
      ASSERT_EQ(runBoxes.size(), 1u) << c.error;
      EXPECT_EQ(runBoxes[0].text, c.text);
      EXPECT_EQ(runBoxes[0].caption, c.caption);
      EXPECT_EQ(runBoxes[0].ownerTemplateId, IDD_MAIN);
      EXPECT_EQ(runBoxes[0].type, win::MB_OK);
      EXPECT_EQ(End(), EndState::Failed) << c.error;
      EXPECT_EQ(installText, c.reinstall ? "Reinstall" : "&Install") << c.error;
      // Status, default printer and port assignment are not reached.
      EXPECT_EQ(runStatuses.back(), "Driver RX-12 Series is added");
      EXPECT_EQ(runProgress.back(), 0);
    }
    u.Click(win::IDCANCEL);
  });
  EXPECT_FALSE(DeviceValue().has_value());
}

TEST_F(PrinterCreation, LabelReportsAnExistingPrinterGenerically) {
  InstallWithFault({"LX-2(Label)", Parallel, true}, "AddPrinterA",
                   win::ERROR_PRINTER_ALREADY_EXISTS);
  ASSERT_EQ(runBoxes.size(), 1u);
  EXPECT_EQ(runBoxes[0].text, "Error AddPrinter 1802");
  EXPECT_EQ(runBoxes[0].caption, "Error prompt");
  EXPECT_EQ(End(), EndState::Failed);
  EXPECT_NE(installText, "Reinstall");
}

TEST_F(PrinterCreation, UsbWithoutUsbPortsFallsBackAndCreatesASecondTime) {
  const int restartsBefore = m.spool().Restarts();
  RunInstall({"RX-12 Series", Usb, true});
  EXPECT_FALSE(window->installation().portAvailable);
  // The printer made on the parallel port stays; the second creation under
  // the same name is refused.
  const auto printer = m.spool().Printer("RX-12 Series");
  ASSERT_TRUE(printer.has_value());
  EXPECT_EQ(printer->port, "LPT1:");
  EXPECT_EQ(m.spool().Restarts(), restartsBefore + 1);
  EXPECT_EQ(m.faults().Calls("AddPrinterA"), 2u);
  ASSERT_EQ(runBoxes.size(), 1u) << DumpRun();
  EXPECT_EQ(runBoxes[0].text,
            "Please check whether the port is connected,and try to install again.");
  EXPECT_EQ(End(), EndState::Failed);
  EXPECT_EQ(installText, "Reinstall");
  EXPECT_EQ(m.spool().OpenPrinterHandleCount(), 0u);
}

TEST_F(PrinterCreation, LabelUsbFallBackReportsTheSecondCreationGenerically) {
  RunInstall({"LX-1(Label)", Usb, true});
  ASSERT_EQ(runBoxes.size(), 1u) << DumpRun();
  EXPECT_EQ(runBoxes[0].text, "Error AddPrinter 1802");
  EXPECT_EQ(runBoxes[0].caption, "Error prompt");
  EXPECT_EQ(End(), EndState::Failed);
  EXPECT_EQ(installText, "&Install");
}

TEST_F(PrinterCreation, FallBackWithoutAnyParallelPortFailsCleanly) {
  m.spool().RemovePort("LPT1:");
  RunInstall({"RX-12 Series", Usb, true});
  EXPECT_EQ(End(), EndState::Failed) << DumpRun();
  ASSERT_EQ(runBoxes.size(), 1u);
  EXPECT_EQ(runBoxes[0].caption, "Prompt");
  EXPECT_EQ(m.faults().Calls("AddPrinterA"), 0u);
  EXPECT_TRUE(m.spool().Printers().empty());
  EXPECT_FALSE(Contains(runStatuses, "The installation is completed."));
}

TEST_F(PrinterCreation, SerialWithoutSerialPortsUsesTheParallelPort) {
  RunInstall({"RX-12 Series", Serial, true});
  EXPECT_FALSE(window->installation().portAvailable);
  EXPECT_TRUE(Contains(runStatuses, "There's no serialport,the current port isLPT1:")) << DumpRun();
  EXPECT_FALSE(Contains(runStatuses, "Added the printer RX-12 Series"));
  const auto printer = m.spool().Printer("RX-12 Series");
  ASSERT_TRUE(printer.has_value());
  // The default-printer value names the chosen port, here still empty.
  EXPECT_EQ(DeviceValue(), "RX-12 Series,winspool,\0"s);
}

TEST_F(PrinterCreation, DefaultPrinterValueNamesTheChosenPort) {
  AddSerialPort("COM1");
  LayNameList({{11, "P-Name"}});
  RunInstall({"P-Name", Serial, true}, {});
  EXPECT_EQ(DeviceValue(), "P-Name,winspool,COM1:\0"s);
}

TEST_F(PrinterCreation, UncheckedDefaultPrinterLeavesTheValueAlone) {
  RunInstall({"RX-12 Series", Parallel, false});
  ASSERT_EQ(End(), EndState::Completed) << DumpRun();
  EXPECT_FALSE(DeviceValue().has_value());
  for (const std::string& line : runStatuses) {
    EXPECT_NE(line.rfind("Set the printer ", 0), 0u) << line;
  }
  EXPECT_EQ(runProgress, (std::vector<int>{10, 20, 30, 40, 100}));
}

TEST_F(PrinterCreation, FailedDefaultPrinterWriteIsReportedAndTheRunGoesOn) {
  InstallWithFault({"RX-12 Series", Parallel, true}, "RegSetValueExA", win::ERROR_ACCESS_DENIED);
  ASSERT_EQ(runBoxes.size(), 1u);
  EXPECT_EQ(runBoxes[0].text,
            "Error\xA3\xBA"
            "Failed to set regist");
  EXPECT_EQ(runBoxes[0].ownerTemplateId, IDD_MAIN);
  EXPECT_EQ(runBoxes[0].type, win::MB_OK | win::MB_ICONEXCLAMATION);
  EXPECT_EQ(End(), EndState::Completed) << DumpRun();
}

TEST_F(PrinterCreation, MissingDefaultPrinterKeyIsSilent) {
  m.reg().DeleteTree(platform::kHkeyCurrentUser, kWindowsKey);
  RunInstall({"RX-12 Series", Parallel, true});
  EXPECT_EQ(End(), EndState::Completed) << DumpRun();
  EXPECT_TRUE(runBoxes.empty());
  EXPECT_FALSE(m.reg().KeyExists(platform::kHkeyCurrentUser, kWindowsKey));
}

}  // namespace
}  // namespace install_test
