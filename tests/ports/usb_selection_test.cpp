#include "ports/usb_selection.h"

#include "dialogs/usb_port_dialog.h"
#include "ports_harness.h"

namespace ports_test {
namespace {

const char kRetryText[] =
    "Failed to select usb port,please check whether the port is connected.\r\n\r\n"
    "Click Retry:Retry to select usb port\r\nClick Cancel:Ignore";

class UsbSelection : public PortsTest {
 protected:
  void SetUp() override { AddLocalPort("LPT1:"); }

  // The printer as the creation step leaves it, on the first USB port.
  void CreatePrinter(const std::string& port = "USB001") {
    m.spool().AddPrinter(kPrinter, port, "POS-80");
  }
  void Select() {
    RunInMainWindow([](MainWindow& w) { SelectUsbPort(w.installation(), w); });
  }
  std::string PrinterPort() {
    const auto printer = m.spool().Printer(kPrinter);
    return printer ? printer->port : "<none>";
  }
  // The first port's DsSpooler key does not open (the third key opened in
  // the run, after the serial inventory's and key 1); the keys open again
  // for the port the user picks.
  void SelectWithDsSpoolerFailingOnce() {
    RunInMainWindow([&](MainWindow& w) {
      m.faults().Fail("RegOpenKeyExA", win::ERROR_ACCESS_DENIED, {.fromCall = 3});
      SelectUsbPort(w.installation(), w);
    });
  }
  int RetryBoxes() {
    int count = 0;
    for (const auto& box : Boxes()) {
      if (box.caption != "Fail to select port") continue;
      EXPECT_EQ(box.text, kRetryText);
      EXPECT_EQ(box.type, win::MB_RETRYCANCEL);  // no icon
      EXPECT_EQ(box.ownerTemplateId, IDD_MAIN);
      ++count;
    }
    return count;
  }
};

TEST_F(UsbSelection, TriesEachPortUntilThePrinterIsOnLine) {
  AddUsbPort("USB001");
  AddUsbPort("USB002", true);
  CreatePrinter();
  const int restartsBefore = m.spool().Restarts();

  Select();

  EXPECT_EQ(Statuses(), (std::vector<std::string>{"Checking USB ports...", "Checking  USB001 ....",
                                                  "Checking  USB002 ...."}));
  EXPECT_EQ(m.spool().Restarts() - restartsBefore, 2);
  EXPECT_EQ(Progress(), (std::vector<int>{50, 60, 50, 60, 70, 80}));
  EXPECT_EQ(PrinterPort(), "USB002");
  EXPECT_EQ(StringValue(kCurrentPrinters + kPrinter, "Port"), "USB002");
  EXPECT_EQ(RetryBoxes(), 0);
  EXPECT_TRUE(Boxes().empty()) << m.simUi().Dump();
}

TEST_F(UsbSelection, StopsAtTheFirstPortFoundOnLine) {
  AddUsbPort("USB001", true);
  AddUsbPort("USB002", true);
  CreatePrinter("USB002");
  Select();
  EXPECT_EQ(PrinterPort(), "USB001");
  EXPECT_EQ(Progress(), (std::vector<int>{50, 60, 70, 80}));
}

TEST_F(UsbSelection, NoUsbPortAsksAtOnceAndRetryTakesAFreshInventory) {
  CreatePrinter("LPT1:");
  int asked = 0;
  m.simUi().OnMessageBox([&](const sim::MessageBoxRecord&) {
    // The user plugs the printer in before clicking Retry.
    if (++asked == 1) {
      AddUsbPort("USB003", true);
      return win::IDRETRY;
    }
    return win::IDCANCEL;
  });

  Select();

  EXPECT_EQ(RetryBoxes(), 1);
  EXPECT_EQ(Statuses(),
            (std::vector<std::string>{"Checking USB ports...", "Checking  USB003 ...."}));
  EXPECT_EQ(PrinterPort(), "USB003");
  // The nested run ends at 80, then the outer one sets 80 again.
  EXPECT_EQ(Progress(), (std::vector<int>{50, 60, 70, 80, 80}));
}

TEST_F(UsbSelection, AllPortsOffLineAskAndCancelLeavesTheLastPortTried) {
  AddUsbPort("USB001");
  AddUsbPort("USB002");
  CreatePrinter();
  m.simUi().AnswerMessageBoxes({win::IDCANCEL});
  const int restartsBefore = m.spool().Restarts();

  Select();

  EXPECT_EQ(RetryBoxes(), 1);
  EXPECT_EQ(PrinterPort(), "USB002");
  EXPECT_EQ(m.spool().Restarts() - restartsBefore, 2);
  EXPECT_EQ(Progress(), (std::vector<int>{50, 60, 50, 60, 80}));
}

TEST_F(UsbSelection, TheFlagIsJudgedOnItsFirstByte) {
  AddUsbPort("USB001");
  AddUsbPort("USB002");
  AddUsbPort("USB003");
  CreatePrinter();
  // "1" as text is not on line; a DWORD 1 is.
  flagMachine.flags().SetFlag("USB001", win::REG_SZ, std::string("1\0", 2));
  flagMachine.flags().SetFlag("USB002", win::REG_DWORD, std::string("\x01\0\0\0", 4));
  Select();
  EXPECT_EQ(PrinterPort(), "USB002");
  EXPECT_EQ(Progress(), (std::vector<int>{50, 60, 50, 60, 70, 80}));
}

TEST_F(UsbSelection, AFlagByteOtherThanZeroOrOneEndsWithoutTheRetryBox) {
  AddUsbPort("USB001");
  CreatePrinter();
  flagMachine.flags().SetFlag("USB001", win::REG_SZ, std::string("1\0", 2));
  Select();
  EXPECT_EQ(RetryBoxes(), 0);
  EXPECT_EQ(Progress(), (std::vector<int>{50, 60, 80}));
  EXPECT_EQ(PrinterPort(), "USB001");
}

TEST_F(UsbSelection, AnUnreadableFlagPassesThePortOver) {
  AddUsbPort("USB001");
  AddUsbPort("USB002", true);
  CreatePrinter();
  RunInMainWindow([&](MainWindow& w) {
    m.faults().Fail("RegQueryValueExA", win::ERROR_ACCESS_DENIED);
    SelectUsbPort(w.installation(), w);
  });
  EXPECT_EQ(Statuses(), (std::vector<std::string>{"Checking USB ports...", "Checking  USB001 ....",
                                                  "Requires higher permission to read the Registry",
                                                  "Checking  USB002 ...."}));
  EXPECT_EQ(PrinterPort(), "USB002");
}

TEST_F(UsbSelection, UnwritableKeysLetTheUserChooseAndACancelWritesNothing) {
  AddUsbPort("USB001", true);
  AddUsbPort("USB002", true);
  CreatePrinter();
  m.reg().DeleteTree(kHklm, kSoftwarePrinters + kPrinter + "\\DsSpooler");
  m.simUi().Script(IDD_USB_PORT, [](sim::UserActions& u) { u.Click(win::IDCANCEL); });
  const int restartsBefore = m.spool().Restarts();

  Select();

  EXPECT_EQ(m.simUi().DialogResults(IDD_USB_PORT), std::vector<std::intptr_t>{kUsbDialogCancelled});
  EXPECT_EQ(m.spool().Restarts(), restartsBefore);
  EXPECT_EQ(RetryBoxes(), 0);
  EXPECT_EQ(Progress(), std::vector<int>{80});
  // Only the first attempt's key 1 was written.
  EXPECT_EQ(StringValue(kSoftwarePrinters + kPrinter, "Port"), "USB001");
}

TEST_F(UsbSelection, TheManualChoiceIsWrittenWithoutARestart) {
  AddUsbPort("USB001");
  AddUsbPort("usb009");  // not a USB port: lower case
  AddUsbPort("USB002");
  AddUsbPort("USB003");
  CreatePrinter();
  std::vector<std::vector<std::string>> rows;
  m.simUi().Script(IDD_USB_PORT, [&](sim::UserActions& u) {
    rows = u.Rows(IDC_PORT_LIST);
    u.SelectRow(IDC_PORT_LIST, 2);
    u.Click(IDC_USB_OK);
  });
  const int restartsBefore = m.spool().Restarts();

  SelectWithDsSpoolerFailingOnce();

  EXPECT_EQ(rows, (std::vector<std::vector<std::string>>{{"USB001"}, {"USB002"}, {"USB003"}}));
  EXPECT_EQ(m.simUi().DialogResults(IDD_USB_PORT), std::vector<std::intptr_t>{2});
  EXPECT_EQ(StringValue(kCurrentPrinters + kPrinter, "Port"), "USB003");
  EXPECT_EQ(m.spool().Restarts(), restartsBefore);
  EXPECT_EQ(Progress(), std::vector<int>{80});
}

TEST_F(UsbSelection, OkWithTheSelectionClearedTakesTheFirstRow) {
  AddUsbPort("USB001");
  AddUsbPort("USB002");
  CreatePrinter("USB002");
  m.simUi().Script(IDD_USB_PORT, [](sim::UserActions& u) {
    EXPECT_EQ(u.Columns(IDC_PORT_LIST).size(), 1u);
    EXPECT_EQ(u.Columns(IDC_PORT_LIST)[0].heading, "Port");
    EXPECT_EQ(u.Columns(IDC_PORT_LIST)[0].width, 425);
    EXPECT_EQ(u.ItemState(IDC_PORT_LIST, 0) & (win::LVIS_SELECTED | win::LVIS_FOCUSED),
              win::LVIS_SELECTED);
    u.ClearSelection(IDC_PORT_LIST);
    u.PressEnter();
  });
  SelectWithDsSpoolerFailingOnce();
  EXPECT_EQ(m.simUi().DialogResults(IDD_USB_PORT), std::vector<std::intptr_t>{0});
  EXPECT_EQ(StringValue(kCurrentPrinters + kPrinter, "Port"), "USB001");
}

}  // namespace
}  // namespace ports_test
