#include "ports/serial_assignment.h"

#include "platform/comm_constants.h"

#include "serial_harness.h"

namespace serial_test {
namespace {

const std::string kNotFoundAfterTicks =
    "Cannot select a available port\xA1\xA3The current printer port is COM1:,you can configure "
    "after finished";
const std::string kNotFoundFirstPass =
    "Cannot select a available port.The current printer port is COM1:,you can configure after "
    "finished";

// The search with two or more ports, and the printers of the shop that are
// parked while it runs.
class SerialSearchThreads : public SerialSearchTest {
 protected:
  void SetUp() override {
    m.spool().AddPort("LPT1:", "Local Port", "Local Port");
    m.spool().AddPort("LPT2:", "Local Port", "Local Port");
    // A printer of the shop on a serial port, and one on a parallel port.
    m.spool().AddPrinter("Kitchen", "COM2:", "Other");
    m.spool().AddPrinter("Office", "LPT2:", "Other");
  }
  void ExpectShopPrintersBack() {
    EXPECT_EQ(PrinterPort("Kitchen"), "COM2:");
    EXPECT_EQ(PrinterPort("Office"), "LPT2:");
  }
};

TEST_F(SerialSearchThreads, FindsThePrinterOnTheSecondPortAtTheSecondTick) {
  AddSerialPort(1);
  AddSerialPort(2);
  AddPrinterAnswering(2, 9600);
  CreatePrinter("COM1:");
  AnswerYesAt(4);  // 9600

  Search();

  EXPECT_EQ(Statuses(), (std::vector<std::string>{"Checking COM1:", "Checking COM2:",
                                                  "The available printer port:  COM2:"}));
  EXPECT_EQ(Progress(), (std::vector<int>{50, 60, 100, 80, 90, 100}));
  EXPECT_EQ(ProbeTicks(), (std::vector<uint64_t>{700, 1400}));
  EXPECT_EQ(PrinterPort(), "COM2:");
  EXPECT_EQ(PortsValue("COM2:"), "9600,n,8,1");
  EXPECT_EQ(PortsValue("COM1:"), "<missing>");  // only probed
  EXPECT_EQ(m.simComm().Device(1).writes, std::vector<std::vector<uint8_t>>{kReceiptRequest});
  EXPECT_EQ(m.simComm().Device(2).writes, std::vector<std::vector<uint8_t>>{kReceiptRequest});
  EXPECT_EQ(m.simComm().Device(2).dcb.BaudRate, 9600u);
  EXPECT_FALSE(m.simComm().Device(1).open);
  EXPECT_FALSE(m.simComm().Device(2).open);
  EXPECT_EQ(FinalCancelText(), "&Finish");
  EXPECT_TRUE(FinalInstallEnabled());
  ExpectShopPrintersBack();
  // Parking, and the end.
  EXPECT_EQ(Restarts(), 2);
  EXPECT_EQ(m.simUi().DialogResults(IDD_SERIAL_PROMPT), (std::vector<std::intptr_t>{0x1204}));
}

TEST_F(SerialSearchThreads, AnswerByteZeroCountsAndAFirstPassFindEndsAtTheFirstTick) {
  AddSerialPort(1);
  AddSerialPort(2);
  AddPrinterAnswering(1, 0, {0x00});
  CreatePrinter("COM1:");
  AnswerPrompt([](sim::UserActions& u) { u.Click(IDC_PROMPT_YES); });  // 19200 as offered

  Search();

  EXPECT_EQ(FinalStatus(), "The available printer port:  COM1:");
  EXPECT_EQ(Progress(), (std::vector<int>{50, 60, 100, 80, 90, 100}));
  EXPECT_EQ(ProbeTicks(), (std::vector<uint64_t>{700}));
  EXPECT_EQ(PortsValue("COM1:"), "19200,n,8,1");
  EXPECT_EQ(PrinterPort(), "COM1:");
  EXPECT_EQ(m.simComm().OpenOrder(), (std::vector<int>{1}));
  ExpectShopPrintersBack();
}

TEST_F(SerialSearchThreads, AnAnswerAfterTheIntervalDoesNotCount) {
  AddSerialPort(1);
  AddSerialPort(2);
  AddPrinterAnswering(1, 9600, {0x12}, 750);
  CreatePrinter("COM1:");
  AnswerYesAt(4);

  Search();

  EXPECT_EQ(FinalStatus(), kNotFoundAfterTicks);
  EXPECT_EQ(PrinterPort(), "COM1:");
}

TEST_F(SerialSearchThreads, UnusablePortCostsNothingInTheFirstPass) {
  AddSerialPort(1, win::ERROR_ACCESS_DENIED);
  AddSerialPort(2);
  AddPrinterAnswering(2, 9600);
  CreatePrinter("COM1:");
  AnswerYesAt(4);

  Search(52);  // a label model

  EXPECT_EQ(Statuses(), (std::vector<std::string>{"Checking COM1:", "Checking COM2:",
                                                  "The available printer port:  COM2:"}));
  EXPECT_EQ(ProbeTicks(), (std::vector<uint64_t>{700}));
  EXPECT_EQ(m.simComm().Device(2).writes, std::vector<std::vector<uint8_t>>{kLabelRequest});
  EXPECT_EQ(PrinterPort(), "COM2:");
  ExpectShopPrintersBack();
}

TEST_F(SerialSearchThreads, UnusablePortDuringTicksCostsOneInterval) {
  AddSerialPort(1);
  AddSerialPort(2, win::ERROR_ACCESS_DENIED);
  AddSerialPort(3);
  AddSerialPort(4);
  AddPrinterAnswering(4, 9600);
  CreatePrinter("COM1:");
  AnswerYesAt(4);
  // Threads: the start-up worker, COM1:'s monitoring, then COM3:'s, which
  // cannot start: that port opens but is passed over too.
  m.faults().Fail("CreateThread", 8, {.fromCall = 3});

  Search(51);  // the last receipt row

  EXPECT_EQ(Statuses(),
            (std::vector<std::string>{"Checking COM1:", "Checking COM2:", "Checking COM3:",
                                      "Checking COM4:", "The available printer port:  COM4:"}));
  EXPECT_EQ(ProbeTicks(), (std::vector<uint64_t>{700, 1400, 2100, 2800}));
  EXPECT_TRUE(m.simComm().Device(3).writes.empty());
  EXPECT_EQ(m.simComm().Device(3).opens, 1);
  EXPECT_FALSE(m.simComm().Device(3).open);
  EXPECT_EQ(m.simComm().Device(4).writes, std::vector<std::vector<uint8_t>>{kReceiptRequest});
  EXPECT_EQ(PrinterPort(), "COM4:");
  EXPECT_EQ(PortsValue("COM4:"), "9600,n,8,1");
}

TEST_F(SerialSearchThreads, NotFoundAfterTheLastTickPutsEveryPrinterBack) {
  AddSerialPort(1);
  AddSerialPort(2);
  // The printer is there, at another rate than the one chosen.
  AddPrinterAnswering(2, 9600);
  CreatePrinter("COM1:");
  AnswerPrompt([](sim::UserActions& u) { u.Click(IDC_PROMPT_YES); });

  Search();

  EXPECT_EQ(FinalStatus(), kNotFoundAfterTicks);
  EXPECT_EQ(Progress(), (std::vector<int>{50, 60, 100, 80, 90, 100}));
  EXPECT_EQ(ProbeTicks(), (std::vector<uint64_t>{700, 1400}));
  // The new printer is on the port the status line names, not on "LPT1:".
  EXPECT_EQ(PrinterPort(), "COM1:");
  ExpectShopPrintersBack();
  EXPECT_EQ(PortsValue("COM1:"), "<missing>");
  EXPECT_EQ(PortsValue("COM2:"), "<missing>");
  EXPECT_EQ(FinalCancelText(), "&Finish");
}

TEST_F(SerialSearchThreads, NotFoundInTheFirstPassUsesTheAsciiFullStop) {
  AddSerialPort(1, win::ERROR_ACCESS_DENIED);
  AddSerialPort(2, win::ERROR_FILE_NOT_FOUND);
  CreatePrinter("COM1:");
  AnswerYesAt(8);

  Search();

  EXPECT_EQ(FinalStatus(), kNotFoundFirstPass);
  EXPECT_EQ(Progress(), (std::vector<int>{50, 60, 90, 100}));
  EXPECT_TRUE(ProbeTicks().empty());
  EXPECT_EQ(PrinterPort(), "COM1:");
  ExpectShopPrintersBack();
  EXPECT_EQ(Restarts(), 2);
  EXPECT_TRUE(FinalInstallEnabled());
}

TEST_F(SerialSearchThreads, NoOpensNothingAndRestartsNothing) {
  AddSerialPort(1);
  AddSerialPort(2);
  AddPrinterAnswering(2, 19200);
  CreatePrinter("COM1:");
  AnswerPrompt([](sim::UserActions& u) { u.Click(IDC_PROMPT_NO); });

  Search();

  EXPECT_EQ(FinalStatus(),
            "The current printer port is COM1: ,you can set that after the installation finished");
  EXPECT_EQ(Progress(), (std::vector<int>{50, 100}));
  EXPECT_TRUE(m.simComm().OpenOrder().empty());
  EXPECT_EQ(Restarts(), 0);
  EXPECT_EQ(PrinterPort(), "COM1:");
  ExpectShopPrintersBack();
  EXPECT_EQ(FinalCancelText(), "&Finish");
}

TEST_F(SerialSearchThreads, TheCloseBoxDeclinesLikeNo) {
  AddSerialPort(1);
  AddSerialPort(2);
  AddPrinterAnswering(2, 19200);
  CreatePrinter("COM1:");
  AnswerPrompt([](sim::UserActions& u) { u.CloseBox(); });

  Search();

  EXPECT_EQ(m.simUi().DialogResults(IDD_SERIAL_PROMPT), (std::vector<std::intptr_t>{2}));
  EXPECT_EQ(FinalStatus(),
            "The current printer port is COM1: ,you can set that after the installation finished");
  EXPECT_TRUE(m.simComm().OpenOrder().empty());
  EXPECT_EQ(Restarts(), 0);
}

TEST_F(SerialSearchThreads, AnAnswerThatArrivesWhileThePortClosesCountsForNoOtherPort) {
  // COM1:'s answer reaches the window while the first tick closes COM1: to
  // probe COM2:, which has no printer and cannot even be opened. The first
  // SetEvent is the request's write; the second stops COM1:'s thread.
  int setEvents = 0;
  m.simComm().BeforeSetEvent([&] {
    if (++setEvents == 2) m.simComm().Arrive(1, {0x12});
  });
  AddSerialPort(1);
  AddSerialPort(2, win::ERROR_ACCESS_DENIED);
  AddSerialPort(3);
  CreatePrinter("COM1:");
  AnswerYesAt(4);

  Search();

  EXPECT_GE(setEvents, 2);
  EXPECT_EQ(FinalStatus(), kNotFoundAfterTicks);
  EXPECT_EQ(PrinterPort(), "COM1:");
  EXPECT_EQ(PortsValue("COM2:"), "<missing>");
  EXPECT_EQ(PortsValue("COM3:"), "<missing>");
  ExpectShopPrintersBack();
}

TEST_F(SerialSearchThreads, AReadErrorIsShownByTheMainWindowAndTheSearchGoesOn) {
  AddSerialPort(1);
  AddSerialPort(2);
  AddPrinterAnswering(1, 9600);
  CreatePrinter("COM1:");
  AnswerYesAt(4);
  m.faults().Fail("ReadFile", win::ERROR_GEN_FAILURE);

  Search();

  const auto boxes = m.simUi().MessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, "Application Error");
  EXPECT_EQ(boxes[0].ownerTemplateId, IDD_MAIN);
  EXPECT_EQ(boxes[0].type, win::MB_ICONSTOP | win::MB_OK);
  // The read after the failure got the answer.
  EXPECT_EQ(FinalStatus(), "The available printer port:  COM1:");
  EXPECT_EQ(PrinterPort(), "COM1:");
}

TEST_F(SerialSearchThreads, TheFoundEndingMovesThePrinterTheSearchWasFor) {
  AddSerialPort(1);
  AddSerialPort(2);
  AddPrinterAnswering(2, 9600);
  CreatePrinter("COM1:");
  AnswerYesAt(4);

  RunWindow([&](MainWindow& w, sim::UserActions&) {
    StartSerialAssignment(w.installation(), w);
    // The user picks another name while the search runs.
    m.ui().ComboAddString(w.hwnd(), IDC_DRIVER_NAME, "Office");
    m.ui().ComboSetCurSel(w.hwnd(), IDC_DRIVER_NAME, 1);
  });

  EXPECT_EQ(FinalStatus(), "The available printer port:  COM2:");
  EXPECT_EQ(PrinterPort(), "COM2:");
  ExpectShopPrintersBack();
}

TEST_F(SerialSearchThreads, OtherTimerIdsChangeNothing) {
  AddSerialPort(1);
  AddSerialPort(2);
  AddPrinterAnswering(2, 9600);
  CreatePrinter("COM1:");
  AnswerYesAt(4);
  int32_t indexAfterOtherTick = -1;
  bool openAfterOtherTick = false;

  RunWindow([&](MainWindow& w, sim::UserActions&) {
    StartSerialAssignment(w.installation(), w);
    SerialProbeTick(w.installation(), w, 2);
    SerialProbeTick(w.installation(), w, 0x7FFF);
    indexAfterOtherTick = w.installation().probeIndex;
    openAfterOtherTick = w.installation().serialChannel.IsOpen();
  });

  EXPECT_EQ(indexAfterOtherTick, 0);
  EXPECT_TRUE(openAfterOtherTick);
  EXPECT_EQ(Statuses(), (std::vector<std::string>{"Checking COM1:", "Checking COM2:",
                                                  "The available printer port:  COM2:"}));
}

TEST_F(SerialSearchThreads, ASecondSearchInTheSameRunProbesAfresh) {
  AddSerialPort(1);
  AddSerialPort(2);
  AddPrinterAnswering(2, 9600);
  CreatePrinter("COM1:");
  AnswerYesAt(4);
  AnswerYesAt(4);
  std::string firstEnd;
  int32_t replySeenAtSecondStart = -1;

  RunWindow([&](MainWindow& w, sim::UserActions& u) {
    StartSerialAssignment(w.installation(), w);
    u.AdvanceTime(1400);
    firstEnd = w.installation().statusText;
    // The printer is unplugged; the reinstalled printer starts on COM1: again.
    m.simComm().AttachPrinter(2, {.baudRate = 115200});
    CreatePrinter("COM1:");
    StartSerialAssignment(w.installation(), w);
    replySeenAtSecondStart = w.installation().serialReplySeen;
  });

  EXPECT_EQ(firstEnd, "The available printer port:  COM2:");
  EXPECT_EQ(replySeenAtSecondStart, 0);
  EXPECT_EQ(FinalStatus(), kNotFoundAfterTicks);
  EXPECT_EQ(PrinterPort(), "COM1:");
  EXPECT_EQ(m.simComm().OpenOrder(), (std::vector<int>{1, 2, 1, 2}));
  ExpectShopPrintersBack();
}

TEST_F(SerialSearchThreads, ClosingTheWindowWhileWaitingPutsThePrintersBack) {
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

// No printer of the shop on a serial port: only the new one is parked.
class SerialSearchAloneThreads : public SerialSearchTest {};

TEST_F(SerialSearchAloneThreads, NotFoundInTheFirstPassPutsTheNewPrinterOnTheFirstPort) {
  AddSerialPort(1, win::ERROR_ACCESS_DENIED);
  AddSerialPort(2, win::ERROR_ACCESS_DENIED);
  CreatePrinter("COM2:");
  AnswerYesAt(4);

  Search();

  EXPECT_EQ(FinalStatus(), kNotFoundFirstPass);
  EXPECT_EQ(PrinterPort(), "COM1:");
}

class SerialSinglePort : public SerialSearchTest {};

TEST_F(SerialSinglePort, NoPromptNoProbeTwoRestarts) {
  AddSerialPort(4);
  AddPrinterAnswering(4, 9600);
  CreatePrinter("COM4:");

  Search();

  EXPECT_EQ(m.simUi().DialogsOpened(IDD_SERIAL_PROMPT), 0);
  EXPECT_TRUE(m.simComm().OpenOrder().empty());
  EXPECT_EQ(Restarts(), 2);
  EXPECT_EQ(FinalStatus(), "The current printer port is COM4:,you can configure after finished");
  EXPECT_EQ(Progress(), (std::vector<int>{50, 90, 100}));
  // No rate was asked for: the prompt's own default.
  EXPECT_EQ(PortsValue("COM4:"), "19200,n,8,1");
  EXPECT_EQ(PrinterPort(), "COM4:");
  EXPECT_EQ(FinalCancelText(), "&Finish");
}

TEST_F(SerialSinglePort, NoSerialPortNamesThePrinterPort) {
  m.spool().AddPort("LPT1:", "Local Port", "Local Port");
  CreatePrinter("LPT1:");

  Search();

  EXPECT_EQ(FinalStatus(),
            "Cannot select a available port.The current printer port is LPT1:,you can configure "
            "after finished");
  EXPECT_EQ(Progress(), (std::vector<int>{50, 90, 100}));
  EXPECT_EQ(PrinterPort(), "LPT1:");
  EXPECT_TRUE(FinalInstallEnabled());
}

}  // namespace
}  // namespace serial_test
