#include "ports/serial_assignment.h"

#include "platform/comm_constants.h"

#include "serial_harness.h"

namespace serial_test {
namespace {

const std::vector<uint8_t> kReceipt = {0x10, 0x04, 0x01}, kLabel = {0x1B, 0x21, 0x3F};
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
const std::string kRate = "9600,n,8,1", kOffered = "19200,n,8,1";
constexpr int kNo = -1, kCloseBox = -2, kAsOffered = -3;

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
  uint8_t answerByte = 0x12;
  bool shop = true;  // printers of the shop on COM2: and LPT2:
};
void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class SerialSearch : public SerialSearchTest, public ::testing::WithParamInterface<Case> {
 protected:
  void SetUp() override {
    m.spool().AddPort("LPT1:", "Local Port", "Local Port");
    m.spool().AddPort("LPT2:", "Local Port", "Local Port");
    if (!shop_) return;
    m.spool().AddPrinter("Kitchen", "COM2:", "Other");
    m.spool().AddPrinter("Office", "LPT2:", "Other");
  }
  // The printers of the shop are parked on LPT1: during the search only.
  void ExpectShopPrintersBack() {
    EXPECT_EQ(PrinterPort("Kitchen"), "COM2:");
    EXPECT_EQ(PrinterPort("Office"), "LPT2:");
  }
  bool shop_ = true;
};

class SerialSearchEnds : public SerialSearch {
 protected:
  SerialSearchEnds() { shop_ = GetParam().shop; }
};

TEST_P(SerialSearchEnds, AndPutsEveryPrinterOnItsPort) {
  const Case& c = GetParam();
  for (size_t i = 0; i < c.ports.size(); ++i) AddSerialPort(static_cast<int>(i + 1), c.ports[i]);
  if (c.printerOn != 0) {
    m.simComm().AttachPrinter(
        c.printerOn, {.answer = {c.answerByte}, .delayMs = c.delayMs, .baudRate = c.printerRate});
  }
  CreatePrinter(c.createdOn);
  m.simUi().Script(IDD_SERIAL_PROMPT, [&](sim::UserActions& u) {
    if (c.answer >= 0) u.SelectCombo(IDC_BAUD_RATE, c.answer);
    if (c.answer == kNo) u.Click(IDC_PROMPT_NO);
    if (c.answer == kCloseBox) u.CloseBox();
    if (c.answer >= 0 || c.answer == kAsOffered) u.Click(IDC_PROMPT_YES);
  });

  Search(c.model);

  std::vector<std::string> statuses;
  for (int i = 1; i <= c.probed; ++i) statuses.push_back("Checking COM" + std::to_string(i) + ":");
  statuses.push_back(c.end);
  EXPECT_EQ(Statuses(), statuses);
  EXPECT_EQ(FinalWindow(), c.end + " | &Finish | install");
  EXPECT_EQ(Progress(), c.progress);
  EXPECT_EQ(ProbeTicks(), c.ticks);
  EXPECT_EQ(PrinterPort(), c.endPort);
  for (size_t i = 1; i <= c.ports.size(); ++i) {
    const std::string port = "COM" + std::to_string(i) + ":";
    EXPECT_EQ(PortsValue(port), port == c.endPort ? c.settings : "<missing>") << port;
    // Every port probed got one request and was closed again.
    const sim::SimDeviceRecord device = m.simComm().Device(static_cast<int>(i));
    const bool sent = static_cast<int>(i) <= c.probed && c.ports[i - 1] == 0;
    EXPECT_EQ(device.writes.size(), sent ? 1u : 0u) << port;
    for (const auto& write : device.writes) EXPECT_EQ(write, c.model < 52 ? kReceipt : kLabel);
    EXPECT_FALSE(device.open) << port;
  }
  EXPECT_EQ(Restarts(), c.restarts);
  if (c.shop) ExpectShopPrintersBack();
}

const std::vector<int> kTicked = {50, 60, 100, 80, 90, 100}, kFirstPass = {50, 60, 90, 100};
// clang-format off
INSTANTIATE_TEST_SUITE_P(Serial, SerialSearchEnds, ::testing::Values(
    Case{"FoundOnTheSecondPortAtTheSecondTick", {0, 0}, 2, 9600, kCom1, 4, 2, kFound + kCom2,
         kTicked, {700, 1400}, kCom2, kRate},
    // The answer byte 0 counts.
    Case{"FoundInTheFirstPassAtTheFirstTick", {0, 0}, 1, 0, kCom1, kAsOffered, 1, kFound + kCom1,
         kTicked, {700}, kCom1, kOffered, 2, 10, 30, 0},
    Case{"AnAnswerAfterTheIntervalDoesNotCount", {0, 0}, 1, 9600, kCom1, 4, 2, kNotFoundAfterTicks,
         kTicked, {700, 1400}, kCom1, kNone, 2, 10, 750},
    Case{"UnusablePortCostsNothingInTheFirstPass", {5, 0}, 2, 300, kCom1, 0, 2, kFound + kCom2,
         kTicked, {700}, kCom2, "300,n,8,1", 2, 52},
    Case{"NotFoundAtAnotherRate", {0, 0}, 2, 9600, kCom1, kAsOffered, 2, kNotFoundAfterTicks,
         kTicked, {700, 1400}, kCom1},
    Case{"NotFoundInTheFirstPass", {5, 2}, 0, 0, kCom1, 8, 2, kNotFoundFirstPass, kFirstPass, {},
         kCom1},
    // With no other printer parked the new one gets the first port all the same.
    Case{"NotFoundInTheFirstPassAlone", {5, 5}, 0, 0, kCom2, 4, 2, kNotFoundFirstPass, kFirstPass,
         {}, kCom1, kNone, 2, 10, 30, 0x12, false},
    Case{"NoOpensNothing", {0, 0}, 2, 19200, kCom1, kNo, 0, kDeclined, {50, 100}, {}, kCom1, kNone,
         0},
    Case{"TheCloseBoxDeclinesLikeNo", {0, 0}, 2, 19200, kCom1, kCloseBox, 0, kDeclined, {50, 100},
         {}, kCom1, kNone, 0},
    // No prompt, no probe: the settings are the prompt's default.
    Case{"ASinglePortIsTaken", {0}, 1, 9600, "LPT1:", 0, 0,
         "The current printer port is COM1:,you can configure after finished", {50, 90, 100}, {},
         kCom1, kOffered},
    Case{"NoSerialPortNamesThePrinterPort", {}, 0, 0, "LPT1:", 0, 0,
         "Cannot select a available port.The current printer port is LPT1:,you can configure "
         "after finished", {50, 90, 100}, {}, "LPT1:", kNone, 1}),
    [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });
// clang-format on

class SerialSearchRuns : public SerialSearch {};

TEST_F(SerialSearchRuns, UnusablePortDuringTicksCostsOneInterval) {
  for (int port : {1, 2, 3, 4}) AddSerialPort(port, port == 2 ? 5 : 0);
  m.simComm().AttachPrinter(4, {.baudRate = 9600});
  CreatePrinter("COM1:");
  AnswerYesAt(4);
  // Threads: the start-up worker, COM1:'s monitoring, then COM3:'s, which
  // cannot start: that port opens but is passed over too.
  m.faults().Fail("CreateThread", 8, {.fromCall = 3});

  Search(51);  // the last receipt row

  EXPECT_EQ(Statuses().back(), kFound + "COM4:");
  EXPECT_EQ(ProbeTicks(), (std::vector<uint64_t>{700, 1400, 2100, 2800}));
  EXPECT_TRUE(m.simComm().Device(3).writes.empty());
  EXPECT_EQ(m.simComm().Device(3).opens, 1);
  EXPECT_FALSE(m.simComm().Device(3).open);
  EXPECT_EQ(m.simComm().Device(4).writes, std::vector<std::vector<uint8_t>>{kReceipt});
  EXPECT_EQ(PrinterPort(), "COM4:");
}

TEST_F(SerialSearchRuns, AnAnswerThatArrivesWhileThePortClosesCountsForNoOtherPort) {
  // COM1:'s answer reaches the window while the first tick closes COM1: to
  // probe COM2:, which cannot even be opened. The first SetEvent is the
  // request's write; the second stops COM1:'s thread.
  int setEvents = 0;
  m.simComm().BeforeSetEvent([&] {
    if (++setEvents == 2) m.simComm().Arrive(1, {0x12});
  });
  for (int port : {1, 2, 3}) AddSerialPort(port, port == 2 ? 5 : 0);
  CreatePrinter("COM1:");
  AnswerYesAt(4);

  Search();

  EXPECT_GE(setEvents, 2);
  EXPECT_EQ(Statuses().back(), kNotFoundAfterTicks);
  EXPECT_EQ(PrinterPort(), "COM1:");
  ExpectShopPrintersBack();
}

TEST_F(SerialSearchRuns, AReadErrorIsShownByTheMainWindowAndTheSearchGoesOn) {
  AddSerialPort(1);
  AddSerialPort(2);
  m.simComm().AttachPrinter(1, {.baudRate = 9600});
  CreatePrinter("COM1:");
  AnswerYesAt(4);
  m.faults().Fail("ReadFile", win::ERROR_GEN_FAILURE);

  Search();

  const auto boxes = m.simUi().MessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, "Application Error");
  EXPECT_EQ(boxes[0].ownerTemplateId, IDD_MAIN);
  EXPECT_EQ(boxes[0].type, win::MB_ICONSTOP | win::MB_OK);
  EXPECT_EQ(PrinterPort(), "COM1:");
  EXPECT_EQ(Statuses().back(), kFound + "COM1:");  // the read after the failure got the answer
}

// Other timers change nothing, and the printer moved is the one the search
// was started for, whatever the combo box shows by then.
TEST_F(SerialSearchRuns, OnlyTheProbeTimerAndTheSearchedPrinterCount) {
  AddSerialPort(1);
  AddSerialPort(2);
  m.simComm().AttachPrinter(2, {.baudRate = 9600});
  CreatePrinter("COM1:");
  AnswerYesAt(4);

  RunWindow([&](MainWindow& w, sim::UserActions&) {
    StartSerialAssignment(w.installation(), w);
    SerialProbeTick(w.installation(), w, 2);
    SerialProbeTick(w.installation(), w, 0x7FFF);
    EXPECT_EQ(w.installation().probeIndex, 0);
    EXPECT_TRUE(w.installation().serialChannel.IsOpen());
    m.ui().ComboAddString(w.hwnd(), IDC_DRIVER_NAME, "Office");
    m.ui().ComboSetCurSel(w.hwnd(), IDC_DRIVER_NAME, 1);
  });

  EXPECT_EQ(Statuses(),
            (std::vector<std::string>{"Checking COM1:", "Checking COM2:", kFound + "COM2:"}));
  EXPECT_EQ(PrinterPort(), "COM2:");
  ExpectShopPrintersBack();
}

TEST_F(SerialSearchRuns, ASecondSearchInTheSameRunProbesAfresh) {
  AddSerialPort(1);
  AddSerialPort(2);
  m.simComm().AttachPrinter(2, {.baudRate = 9600});
  CreatePrinter("COM1:");
  AnswerYesAt(4);
  AnswerYesAt(4);

  RunWindow([&](MainWindow& w, sim::UserActions& u) {
    StartSerialAssignment(w.installation(), w);
    u.AdvanceTime(1400);
    EXPECT_EQ(w.installation().statusText, kFound + "COM2:");
    // The printer is unplugged; the reinstalled printer starts on COM1: again.
    m.simComm().AttachPrinter(2, {.baudRate = 115200});
    CreatePrinter("COM1:");
    StartSerialAssignment(w.installation(), w);
    EXPECT_EQ(w.installation().serialReplySeen, 0);
  });

  EXPECT_EQ(Statuses().back(), kNotFoundAfterTicks);
  EXPECT_EQ(PrinterPort(), "COM1:");
  EXPECT_EQ(m.simComm().OpenOrder(), (std::vector<int>{1, 2, 1, 2}));
  ExpectShopPrintersBack();
}

TEST_F(SerialSearchRuns, ClosingTheWindowWhileWaitingPutsThePrintersBack) {
  AddSerialPort(1);
  AddSerialPort(2);
  CreatePrinter("COM1:");
  AnswerYesAt(4);

  RunWindow([&](MainWindow& w, sim::UserActions& u) {
    StartSerialAssignment(w.installation(), w);
    EXPECT_EQ(PrinterPort("Kitchen"), "LPT1:");  // parked while the search runs
    u.CloseBox();
  });

  EXPECT_TRUE(ProbeTicks().empty());
  EXPECT_FALSE(m.simComm().Device(1).open);
  EXPECT_EQ(PrinterPort(), "COM1:");
  ExpectShopPrintersBack();
}

}  // namespace
}  // namespace serial_test
