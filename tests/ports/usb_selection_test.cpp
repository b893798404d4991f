#include "ports/usb_selection.h"

#include "dialogs/usb_port_dialog.h"
#include "ports_harness.h"

namespace ports_test {
namespace {

// The USB ports, each with marks: "+" a device is attached, "1" the spooler
// leaves the text "1" as its flag, "?" the flag cannot be read (first port).
struct Case {
  const char* name;
  std::vector<std::pair<std::string, std::string>> ports;
  int tried;
  std::vector<int> progress;
  std::string endPort;
  int retryBoxes = 0;
  bool plugInOnRetry = false;  // a device on a new port, then Retry
};
void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class UsbSelection : public PortsTest, public ::testing::WithParamInterface<Case> {
 protected:
  // The printer as the creation step leaves it.
  void SetUp() override {
    AddLocalPort("LPT1:");
    m.spool().AddPrinter(kPrinter, "LPT1:", "POS-80");
  }
  std::string PrinterPort() { return m.spool().Printer(kPrinter)->port; }
  int RetryBoxes() {
    for (const auto& box : Boxes()) {
      EXPECT_EQ(box.text,
                "Failed to select usb port,please check whether the port is connected.\r\n\r\n"
                "Click Retry:Retry to select usb port\r\nClick Cancel:Ignore");
      EXPECT_EQ(box.type, win::MB_RETRYCANCEL);
    }
    return static_cast<int>(Boxes().size());
  }
};

// The printer is bound to each USB port in turn until the restarted spooler
// marks it on line (a first flag byte of 1); the retry box comes when there
// is no USB port or every flag read was 0.
TEST_P(UsbSelection, TriesThePortsInTurn) {
  const Case& c = GetParam();
  std::string textFlagOn;
  for (const auto& [port, mark] : c.ports) {
    AddUsbPort(port, mark.find('+') != std::string::npos);
    if (mark == "1") textFlagOn = port;
  }
  m.svc().SetListeners(
      "Spooler", [this] { m.spool().OnServiceStopped(); },
      [&] {
        m.spool().OnServiceStarted();
        if (StringValue(kCurrentPrinters + kPrinter, "Port") != textFlagOn) return;
        m.reg().SetValue(kHklm, kProfilePrinters + kPrinter, "PrinterOnLine", win::REG_SZ,
                         std::string("1\0", 2));
      });
  m.simUi().OnMessageBox([&](const sim::MessageBoxRecord&) {
    if (!c.plugInOnRetry || Boxes().size() > 1) return win::IDCANCEL;
    AddUsbPort("USB003", true);
    return win::IDRETRY;
  });
  const int restartsBefore = m.spool().Restarts();

  RunInMainWindow([&](MainWindow& w) {
    if (!c.ports.empty() && c.ports[0].second.find('?') != std::string::npos) {
      m.faults().Fail("RegQueryValueExA", win::ERROR_ACCESS_DENIED);
    }
    SelectUsbPort(w.installation(), w);
  });

  EXPECT_EQ(Progress(), c.progress);
  EXPECT_EQ(PrinterPort(), c.endPort);
  EXPECT_EQ(StringValue(kCurrentPrinters + kPrinter, "Port"), c.endPort);
  EXPECT_EQ(m.spool().Restarts() - restartsBefore, c.tried);
  EXPECT_EQ(RetryBoxes(), c.retryBoxes);
}

const std::vector<int> kSecond = {50, 60, 50, 60, 70, 80};
INSTANTIATE_TEST_SUITE_P(
    Usb, UsbSelection,
    ::testing::Values(
        Case{"TextFlagIsNotOnLine", {{"USB001", "1"}, {"USB002", "+"}}, 2, kSecond, "USB002"},
        Case{"FirstOnLine", {{"USB001", "+"}, {"USB002", "+"}}, 1, {50, 60, 70, 80}, "USB001"},
        Case{"UnreadableFlag", {{"USB001", "+?"}, {"USB002", "+"}}, 2, kSecond, "USB002"},
        Case{"NoneOnLineAsks",
             {{"USB001", ""}, {"USB002", ""}},
             2,
             {50, 60, 50, 60, 80},
             "USB002",
             1},
        Case{"OtherFlagByteEndsWithoutAsking", {{"USB001", "1"}}, 1, {50, 60, 80}, "USB001"},
        // The nested run ends at 80, then the outer one sets 80 again.
        Case{"NoPortAsksAtOnceAndRetryLooksAgain", {}, 1, {50, 60, 70, 80, 80}, "USB003", 1, true}),
    [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

// When the keys cannot be written the user picks the port, which is written
// without a restart; a cancel leaves the printer where it was.
TEST_F(UsbSelection, UnwritableKeysLetTheUserChoose) {
  for (const char* port : {"USB001", "usb009", "USB002", "USB003"}) AddUsbPort(port);
  const int restartsBefore = m.spool().Restarts();
  const auto choose = [&](const std::function<void(sim::UserActions&)>& user) {
    m.simUi().Script(IDD_USB_PORT, user);
    RunInMainWindow([&](MainWindow& w) {
      // The first port's DsSpooler key does not open: the third key opened,
      // after the serial inventory's and key 1.
      m.faults().Fail("RegOpenKeyExA", win::ERROR_ACCESS_DENIED, {.fromCall = 3});
      SelectUsbPort(w.installation(), w);
    });
    EXPECT_EQ(Progress(), std::vector<int>{80});
    EXPECT_EQ(RetryBoxes(), 0);
    return StringValue(kCurrentPrinters + kPrinter, "Port");
  };

  EXPECT_EQ(choose([](sim::UserActions& u) {
              // Lower case is no USB port.
              EXPECT_EQ(u.Rows(IDC_PORT_LIST), (std::vector<std::vector<std::string>>{
                                                   {"USB001"}, {"USB002"}, {"USB003"}}));
              u.SelectRow(IDC_PORT_LIST, 2);
              u.Click(IDC_USB_OK);
            }),
            "USB003");
  EXPECT_EQ(choose([](sim::UserActions& u) { u.Click(win::IDCANCEL); }), "USB003");
  EXPECT_EQ(choose([](sim::UserActions& u) {
              // With the selection cleared, Enter takes the first row.
              u.ClearSelection(IDC_PORT_LIST);
              u.PressEnter();
            }),
            "USB001");
  EXPECT_EQ(m.simUi().DialogResults(IDD_USB_PORT),
            (std::vector<std::intptr_t>{2, kUsbDialogCancelled, 0}));
  EXPECT_EQ(m.spool().Restarts(), restartsBefore);
}

}  // namespace
}  // namespace ports_test
