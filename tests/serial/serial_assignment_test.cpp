// The serial port search, run from a main window whose start-up worker has
// run, with the new printer created and its name in the driver combo box.
#include "port_steps/serial_assignment.h"

#include <optional>

#include "checked_machine.h"
#include "platform/comm_constants.h"
#include "platform/win_constants.h"
#include "port_steps/serial_probe.h"
#include "ports/port_kind.h"
#include "resources/resource.h"
#include "shell/main_window.h"

namespace {

const std::vector<uint8_t> kReceipt = {0x10, 0x04, 0x01}, kLabel = {0x1B, 0x21, 0x3F};
const std::string kPortsKey = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Ports";
constexpr const char* kPrinter = "POS-80 Serial";
const std::string kFound = "The available printer port:  ";
const std::string kNotFoundAfterTicks =
    "Cannot select a available port\xA1\xA3The current printer port is COM1:,you can configure "
    "after finished";
const std::string kNotFoundFirstPass =
    "Cannot select a available port.The current printer port is COM1:,you can configure after "
    "finished";
const std::string kDeclined =
    "The current printer port is COM1: ,you can set that after the installation finished";
const std::string kCom1 = "COM1:", kCom2 = "COM2:", kNone = "<missing>";
constexpr int kNo = -1, kCloseBox = -2, kEscape = -3, kAsOffered = -4;
// A port that opens, but whose monitoring thread cannot start.
constexpr uint32_t kNoThread = 0xFFFF;

using Arm = std::function<void(sim::SimMachine&)>;
struct Case {
  const char* name;
  std::vector<uint32_t> ports;  // COM1:, COM2:...: the error opening each gives
  int printerOn;                // the answering printer's port, 0: none
  uint32_t printerRate;
  std::string createdOn;
  int answer;  // the prompt's baud rate row, or kNo...
  int probed;  // how many ports were probed, from COM1: on
  std::string end;
  std::vector<int> progress;
  std::vector<uint64_t> ticks;
  std::string endPort;
  std::string settings = kNone;  // written for endPort
  int restarts = 2;
  int32_t model = 10;
  uint32_t delayMs = 30;
  bool shop = true;  // printers of the shop on COM2: and LPT2:
  Arm arm = {};
  std::string boxes = "";  // the captions of the main window's error boxes
};
void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class SerialSearch : public ::testing::TestWithParam<Case> {
 protected:
  CheckedMachine m;
  // What the search showed from its start: the status lines, the progress
  // positions and the spooler restarts; and as the window closed, its status,
  // its Cancel button's text and whether Install was enabled.
  std::vector<std::string> statuses;
  std::vector<int> progress;
  int restarts = 0;
  std::string finalWindow;

  // Windows keeps its port settings in kPortsKey; the search writes there.
  void Prepare(bool shop) {
    m.reg().CreateKey(platform::kHkeyLocalMachine, kPortsKey);
    m.spool().AddPort("LPT1:", "Local Port", "Local Port");
    m.spool().AddPort("LPT2:", "Local Port", "Local Port");
    if (!shop) return;
    m.spool().AddPrinter("Kitchen", "COM2:", "Other");
    m.spool().AddPrinter("Office", "LPT2:", "Other");
  }
  // A serial device the system lists (SERIALCOMM), with its spooler port.
  void AddSerialPort(int number, uint32_t openError = 0) {
    const std::string name = "COM" + std::to_string(number);
    m.reg().SetString(platform::kHkeyLocalMachine, "HARDWARE\\DEVICEMAP\\SERIALCOMM",
                      "\\Device\\Serial" + std::to_string(number), name);
    m.spool().AddPort(name + ":", "Local Port", "Local Port");
    m.simComm().AddDevice(number, openError);
  }
  void CreatePrinter(const std::string& port) { m.spool().AddPrinter(kPrinter, port, "POS-80"); }

  // Runs the main window: `body` runs on its thread once start-up is over
  // (it usually starts the search); the window then runs its timers until
  // none is left, and the user closes it.
  void RunWindow(const std::function<void(MainWindow&, sim::UserActions&)>& body,
                 int32_t modelIndex = 10) {
    MainWindow window(m, m.ui().RegisterWindowMessageA("MyUpdateData"));
    size_t statusesBefore = 0, progressBefore = 0;
    m.simUi().Script(IDD_MAIN, [&](sim::UserActions& u) {
      u.WaitIdle();
      m.ui().ComboResetContent(window.hwnd(), IDC_DRIVER_NAME);
      m.ui().ComboAddString(window.hwnd(), IDC_DRIVER_NAME, kPrinter);
      m.ui().ComboSetCurSel(window.hwnd(), IDC_DRIVER_NAME, 0);
      window.installation().portKind = Serial;
      window.installation().modelIndex = modelIndex;
      statusesBefore = m.simUi().Statuses(IDD_MAIN, IDC_STATUS).size();
      progressBefore = m.simUi().ProgressPositions(IDD_MAIN, IDC_PROGRESS).size();
      restarts = -m.spool().Restarts();
      body(window, u);
    });
    m.ui().DialogBoxParamA(IDD_MAIN, 0, window);
    // The printer's port is free again once the search has ended, not only
    // when the installer exits.
    EXPECT_EQ(m.simComm().OpenHandles(), 0);
    statuses = m.simUi().Statuses(IDD_MAIN, IDC_STATUS);
    statuses.erase(statuses.begin(), statuses.begin() + static_cast<long>(statusesBefore));
    progress = m.simUi().ProgressPositions(IDD_MAIN, IDC_PROGRESS);
    progress.erase(progress.begin(), progress.begin() + static_cast<long>(progressBefore));
    restarts += m.spool().Restarts();
    const auto last = m.simUi().LastWindow(IDD_MAIN);
    finalWindow = last->Control(IDC_STATUS)->text + " | " + last->Control(win::IDCANCEL)->text +
                  (last->Control(IDC_INSTALL)->enabled ? " | install" : "");
  }

  std::string PrinterPort(const std::string& name = kPrinter) {
    return m.spool().Printer(name)->port;
  }
  // The printers of the shop are parked on LPT1: during the search only.
  void ExpectShopPrintersBack() {
    EXPECT_EQ(PrinterPort("Kitchen"), "COM2:");
    EXPECT_EQ(PrinterPort("Office"), "LPT2:");
  }
};

TEST_P(SerialSearch, EndsAndPutsEveryPrinterOnItsPort) {
  const Case& c = GetParam();
  Prepare(c.shop);
  for (size_t i = 0; i < c.ports.size(); ++i) {
    AddSerialPort(static_cast<int>(i + 1), c.ports[i] == kNoThread ? 0 : c.ports[i]);
  }
  if (c.printerOn != 0) {
    m.simComm().AttachPrinter(c.printerOn,
                              {.answer = {0x00}, .delayMs = c.delayMs, .baudRate = c.printerRate});
  }
  CreatePrinter(c.createdOn);
  m.simUi().Script(IDD_SERIAL_PROMPT, [&](sim::UserActions& u) {
    EXPECT_EQ(u.ComboItems(IDC_BAUD_RATE),
              (std::vector<std::string>{"300", "1200", "2400", "4800", "9600", "19200", "38400",
                                        "57600", "115200"}));
    if (c.answer == kEscape) u.PressEscape();
    if (c.answer >= 0) u.SelectCombo(IDC_BAUD_RATE, c.answer);
    if (c.answer == kNo) u.Click(IDC_PROMPT_NO);
    if (c.answer == kCloseBox) u.CloseBox();
    if (c.answer >= 0 || c.answer == kAsOffered) u.Click(IDC_PROMPT_YES);
  });
  if (c.arm) c.arm(m);

  RunWindow([](MainWindow& w, sim::UserActions&) { StartSerialAssignment(w.installation(), w); },
            c.model);

  std::vector<std::string> statuses;
  for (int i = 1; i <= c.probed; ++i) statuses.push_back("Checking COM" + std::to_string(i) + ":");
  statuses.push_back(c.end);
  EXPECT_EQ(this->statuses, statuses);
  EXPECT_EQ(finalWindow, c.end + " | &Finish | install");
  EXPECT_EQ(progress, c.progress);
  // Timer 1 deliveries, in virtual ms after timer 1 was first set.
  std::vector<uint64_t> ticks;
  std::optional<uint64_t> set;
  for (const auto& e : m.simUi().Transcript()) {
    if (e.value == 1 && e.kind == sim::EventKind::TimerSet && !set) set = e.timeMs;
    if (e.value == 1 && e.kind == sim::EventKind::TimerFired) ticks.push_back(e.timeMs - *set);
  }
  EXPECT_EQ(ticks, c.ticks);
  EXPECT_EQ(PrinterPort(), c.endPort);
  for (size_t i = 1; i <= c.ports.size(); ++i) {
    const std::string port = "COM" + std::to_string(i) + ":";
    // Settings are a REG_SZ value with its zero.
    const auto value = m.reg().GetValue(platform::kHkeyLocalMachine, kPortsKey, port);
    const bool written = port == c.endPort && c.settings != kNone;
    EXPECT_EQ(value ? std::to_string(value->type) + ":" + value->data : kNone,
              written ? "1:" + c.settings + '\0' : kNone)
        << port;
    // Every port probed that could take a request got exactly one.
    const sim::SimDeviceRecord device = m.simComm().Device(static_cast<int>(i));
    const bool sent = static_cast<int>(i) <= c.probed && c.ports[i - 1] == 0;
    EXPECT_EQ(device.writes.size(), sent ? 1u : 0u) << port;
    for (const auto& write : device.writes) EXPECT_EQ(write, c.model < 52 ? kReceipt : kLabel);
    if (c.ports[i - 1] == kNoThread) {
      EXPECT_EQ(device.opens, 1) << port;  // opened, then passed over
    }
  }
  EXPECT_EQ(restarts, c.restarts);
  if (c.shop) ExpectShopPrintersBack();
  std::string boxes;
  for (const auto& box : m.simUi().MessageBoxes()) {
    EXPECT_EQ(box.ownerTemplateId, IDD_MAIN);
    EXPECT_EQ(box.type, win::MB_ICONSTOP | win::MB_OK);
    boxes += box.caption + ";";
  }
  EXPECT_EQ(boxes, c.boxes);
}

// COM1:'s answer reaches the window while the first tick closes COM1: to
// probe COM2:. The first SetEvent is the request's write; the second stops
// COM1:'s thread.
void AnswerWhileCom1Closes(sim::SimMachine& m) {
  auto setEvents = std::make_shared<int>(0);
  m.simComm().BeforeSetEvent([&m, setEvents] {
    if (++*setEvents == 2) m.simComm().Arrive(1, {0x12});
  });
}

const std::vector<int> kTicked = {50, 60, 100, 80, 90, 100}, kFirstPass = {50, 60, 90, 100};
// clang-format off
INSTANTIATE_TEST_SUITE_P(Serial, SerialSearch, ::testing::Values(
    Case{"FoundOnTheSecondPortAtTheSecondTick", {0, 0}, 2, 115200, kCom1, 8, 2, kFound + kCom2,
         kTicked, {700, 1400}, kCom2, "115200,n,8,1"},
    Case{"FoundInTheFirstPassAtTheFirstTick", {0, 0}, 1, 0, kCom1, kAsOffered, 1, kFound + kCom1,
         kTicked, {700}, kCom1, "19200,n,8,1"},
    Case{"AnAnswerAfterTheIntervalDoesNotCount", {0, 0}, 1, 9600, kCom1, 4, 2, kNotFoundAfterTicks,
         kTicked, {700, 1400}, kCom1, kNone, 2, 10, 750},
    Case{"UnusablePortCostsNothingInTheFirstPass", {5, 0}, 2, 300, kCom1, 0, 2, kFound + kCom2,
         kTicked, {700}, kCom2, "300,n,8,1", 2, 52},
    // Threads: the start-up worker, COM1:'s monitoring, then COM3:'s.
    Case{"UnusablePortDuringTicksCostsOneInterval", {0, 5, kNoThread, 0}, 4, 9600, kCom1, 4, 4,
         kFound + "COM4:", kTicked, {700, 1400, 2100, 2800}, "COM4:", "9600,n,8,1", 2, 51, 30, true,
         [](auto& m) { m.faults().Fail("CreateThread", 8, {.fromCall = 3}); }},
    Case{"AnAnswerWhileThePortClosesCountsForNoOtherPort", {0, 5, 0}, 0, 0, kCom1, 4, 3,
         kNotFoundAfterTicks, kTicked, {700, 1400, 2100}, kCom1, kNone, 2, 10, 30, true,
         AnswerWhileCom1Closes},
    // The read after the failure gets the answer.
    Case{"AReadErrorIsShownAndTheSearchGoesOn", {0, 0}, 1, 9600, kCom1, 4, 1, kFound + kCom1,
         kTicked, {700}, kCom1, "9600,n,8,1", 2, 10, 30, true,
         [](auto& m) { m.faults().Fail("ReadFile", win::ERROR_GEN_FAILURE); },
         "Application Error;"},
    Case{"NotFoundAtAnotherRate", {0, 0}, 2, 9600, kCom1, kAsOffered, 2, kNotFoundAfterTicks,
         kTicked, {700, 1400}, kCom1},
    Case{"NotFoundInTheFirstPass", {5, 2}, 0, 0, kCom1, 8, 2, kNotFoundFirstPass, kFirstPass, {},
         kCom1},
    // With no other printer parked the new one gets the first port all the same.
    Case{"NotFoundInTheFirstPassAlone", {5, 5}, 0, 0, kCom2, 4, 2, kNotFoundFirstPass, kFirstPass,
         {}, kCom1, kNone, 2, 10, 30, false},
    Case{"NoOpensNothing", {0, 0}, 2, 19200, kCom1, kNo, 0, kDeclined, {50, 100}, {}, kCom1, kNone,
         0},
    Case{"EscapeDeclinesLikeNo", {0, 0}, 2, 19200, kCom1, kEscape, 0, kDeclined, {50, 100}, {},
         kCom1, kNone, 0},
    Case{"TheCloseBoxDeclinesLikeNo", {0, 0}, 2, 19200, kCom1, kCloseBox, 0, kDeclined, {50, 100},
         {}, kCom1, kNone, 0},
    // No prompt, no probe: the settings are the prompt's default.
    Case{"ASinglePortIsTaken", {0}, 1, 9600, "LPT1:", 0, 0,
         "The current printer port is COM1:,you can configure after finished", {50, 90, 100}, {},
         kCom1, "19200,n,8,1"},
    Case{"NoSerialPortNamesThePrinterPort", {}, 0, 0, "LPT1:", 0, 0,
         "Cannot select a available port.The current printer port is LPT1:,you can configure "
         "after finished", {50, 90, 100}, {}, "LPT1:", kNone, 1}),
    [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });
// clang-format on

// Other timers change nothing; the printer moved is the one the search was
// started for, whatever the combo box shows by then; a second search in the
// same run probes afresh, and closing the window while it waits puts the
// parked printers back.
TEST(ParseComPortNumber, ReadsTheDigitsBeforeTheFirstColon) {
  const std::pair<std::string, int> cases[] = {{"COM12:", 12}, {"COM105:", 105}, {"COM4:5:", 4},
                                               {"COM7", 0},    {"COM:", 0},      {"", 0}};
  for (const auto& [entry, number] : cases) EXPECT_EQ(ParseComPortNumber(entry), number) << entry;
}

// The value is only written into a key that exists; a failed write is told.
// What is written the search table shows.
TEST(ComPortSettings, NeedTheirKeyAndAFailedWriteIsTold) {
  CheckedMachine m;
  MainWindow window{m, 0};
  WriteComPortSettings(window.installation(), window, "COM3:");
  EXPECT_FALSE(m.reg().KeyExists(platform::kHkeyLocalMachine, kPortsKey));

  m.reg().CreateKey(platform::kHkeyLocalMachine, kPortsKey);
  m.faults().Fail("RegSetValueExA", win::ERROR_ACCESS_DENIED);
  WriteComPortSettings(window.installation(), window, "COM3:");
  const auto boxes = m.simUi().MessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text,
            "Error\xA3\xBA"
            "Failed to set Registry");
  EXPECT_EQ(boxes[0].type, win::MB_OK | win::MB_ICONEXCLAMATION);
  EXPECT_EQ(boxes[0].caption, m.sys().ApplicationTitle());
}

class SerialSearchRuns : public SerialSearch {};

TEST_F(SerialSearchRuns, RunsAgainAndEndsWithTheWindow) {
  Prepare(true);
  AddSerialPort(1);
  AddSerialPort(2);
  m.simComm().AttachPrinter(2, {.baudRate = 9600});
  CreatePrinter("COM1:");
  for (int search = 0; search < 2; ++search) {
    m.simUi().Script(IDD_SERIAL_PROMPT, [](sim::UserActions& u) {
      u.SelectCombo(IDC_BAUD_RATE, 4);
      u.Click(IDC_PROMPT_YES);
    });
  }

  RunWindow([&](MainWindow& w, sim::UserActions& u) {
    StartSerialAssignment(w.installation(), w);
    SerialProbeTick(w.installation(), w, 2);
    SerialProbeTick(w.installation(), w, 0x7FFF);
    EXPECT_EQ(w.installation().probeIndex, 0);
    EXPECT_TRUE(w.installation().serialChannel.IsOpen());
    m.ui().ComboAddString(w.hwnd(), IDC_DRIVER_NAME, "Office");
    m.ui().ComboSetCurSel(w.hwnd(), IDC_DRIVER_NAME, 1);
    u.AdvanceTime(1400);
    EXPECT_EQ(w.installation().statusText, kFound + "COM2:");
    EXPECT_EQ(PrinterPort(), "COM2:");
    EXPECT_EQ(PrinterPort("Office"), "LPT2:");

    // The printer is reinstalled on COM1:; the old reply counts for nothing.
    m.ui().ComboSetCurSel(w.hwnd(), IDC_DRIVER_NAME, 0);
    CreatePrinter("COM1:");
    StartSerialAssignment(w.installation(), w);
    EXPECT_EQ(w.installation().serialReplySeen, 0);
    EXPECT_EQ(PrinterPort("Kitchen"), "LPT1:");
    u.CloseBox();
  });

  EXPECT_EQ(PrinterPort(), "COM1:");
  EXPECT_EQ(m.simComm().OpenOrder(), (std::vector<int>{1, 2, 1}));
  ExpectShopPrintersBack();
}

}  // namespace
