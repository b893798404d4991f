#include "port_steps/usb_selection.h"

#include "ports_harness.h"

namespace ports_test {
namespace {

using Ports = std::vector<std::pair<std::string, std::string>>;
// The USB ports, each with marks: "+" a device is attached, "1" the spooler
// leaves the text "1" as its flag; on the first port only, "?" its flag
// cannot be read, "!" its keys cannot be opened, so the user picks the port
// with `choose`, and it is written without a restart.
struct Case {
  const char* name;
  Ports ports;
  int tried;
  std::vector<int> progress;
  std::string endPort;
  int retryBoxes = 0;
  bool plugInOnRetry = false;  // a device on a new port, then Retry
  std::function<void(sim::UserActions&)> choose = {};
};
void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class UsbSelection : public PortsTest, public ::testing::WithParamInterface<Case> {};

// The printer, as the creation step leaves it on LPT1:, is bound to each USB
// port in turn until the restarted spooler marks it on line (a first flag
// byte of 1); the retry box comes when there is no USB port or every flag
// read was 0.
TEST_P(UsbSelection, TriesThePortsInTurn) {
  const Case& c = GetParam();
  AddLocalPort("LPT1:");
  m.spool().AddPrinter(kPrinter, "LPT1:", "POS-80");
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
  if (c.choose) m.simUi().Script(IDD_USB_PORT, c.choose);
  const int restartsBefore = m.spool().Restarts();
  const std::string first = c.ports.empty() ? "" : c.ports[0].second;

  RunInMainWindow([&](MainWindow& w) {
    if (first == "+?") m.faults().Fail("RegQueryValueExA", win::ERROR_ACCESS_DENIED);
    // The third key opened, after the serial inventory's and key 1, is the
    // first port's DsSpooler key.
    if (first == "!") m.faults().Fail("RegOpenKeyExA", win::ERROR_ACCESS_DENIED, {.fromCall = 3});
    SelectUsbPort(w.installation(), w);
  });

  EXPECT_EQ(Progress(), c.progress);
  // A choice goes into the key only: without a restart the spooler keeps
  // the port it had.
  EXPECT_EQ(m.spool().Printer(kPrinter)->port, c.choose ? "LPT1:" : c.endPort);
  EXPECT_EQ(StringValue(kCurrentPrinters + kPrinter, "Port"), c.endPort);
  EXPECT_EQ(m.spool().Restarts() - restartsBefore, c.tried);
  EXPECT_EQ(Boxes().size(), static_cast<size_t>(c.retryBoxes));
  for (const auto& box : Boxes()) {
    EXPECT_EQ(box.text,
              "Failed to select usb port,please check whether the port is connected.\r\n\r\n"
              "Click Retry:Retry to select usb port\r\nClick Cancel:Ignore");
    EXPECT_EQ(box.type, win::MB_RETRYCANCEL);
  }
}

const std::vector<int> kSecond = {50, 60, 50, 60, 70, 80};
// Lower case is no USB port: the list offers USB001, USB002 and USB003.
const Ports kUnwritable = {{"USB001", "!"}, {"usb009", ""}, {"USB002", ""}, {"USB003", ""}};
// clang-format off
INSTANTIATE_TEST_SUITE_P(Usb, UsbSelection, ::testing::Values(
    Case{"TextFlagIsNotOnLine", {{"USB001", "1"}, {"USB002", "+"}}, 2, kSecond, "USB002"},
    Case{"FirstOnLine", {{"USB001", "+"}, {"USB002", "+"}}, 1, {50, 60, 70, 80}, "USB001"},
    Case{"UnreadableFlag", {{"USB001", "+?"}, {"USB002", "+"}}, 2, kSecond, "USB002"},
    Case{"NoneOnLineAsks", {{"USB001", ""}, {"USB002", ""}}, 2, {50, 60, 50, 60, 80}, "USB002", 1},
    Case{"OtherFlagByteEndsWithoutAsking", {{"USB001", "1"}}, 1, {50, 60, 80}, "USB001"},
    // The nested run ends at 80, then the outer one sets 80 again.
    Case{"NoPortAsksAtOnceAndRetryLooksAgain", {}, 1, {50, 60, 70, 80, 80}, "USB003", 1, true},
    Case{"UnwritableKeysLetTheUserChoose", kUnwritable, 0, {80}, "USB003", 0, false,
         [](sim::UserActions& u) {
           EXPECT_EQ(u.Rows(IDC_PORT_LIST),
                     (std::vector<std::vector<std::string>>{{"USB001"}, {"USB002"}, {"USB003"}}));
           u.SelectRow(IDC_PORT_LIST, 2);
           u.Click(IDC_USB_OK);
         }},
    Case{"ACancelledChoiceLeavesThePort", kUnwritable, 0, {80}, "LPT1:", 0, false,
         [](sim::UserActions& u) { u.Click(win::IDCANCEL); }},
    Case{"EnterWithoutASelectionTakesTheFirstRow", kUnwritable, 0, {80}, "USB001", 0, false,
         [](sim::UserActions& u) { u.ClearSelection(IDC_PORT_LIST); u.PressEnter(); }}),
    [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });
// clang-format on

}  // namespace
}  // namespace ports_test
