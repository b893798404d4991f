// The serial channel: on the simulated machine, and on a real tty with the
// POSIX comm backend on the slave end of a pseudo-terminal and the test
// playing the printer on the master end.
#include "ports/serial_channel.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>
#include <vector>

#include "checked_machine.h"
#include "platform/comm_constants.h"
#include "platform/forwarding_machine.h"
#include "platform/posix/posix_comm.h"
#include "platform/win_constants.h"
#include "ports/port_kind.h"
#include "resources/resource.h"

namespace {

struct Notification {
  uint32_t message;
  platform::WParam wParam;
  platform::LParam lParam;
  bool operator==(const Notification&) const = default;
};

// A window that records what a serial channel sends it.
class OwnerWindow : public platform::Dialog {
 public:
  using platform::Dialog::Dialog;
  std::vector<Notification> received;

  bool OnMessage(uint32_t message, platform::WParam wParam, platform::LParam lParam,
                 platform::LResult& result) override {
    if (message < win::WM_USER) return false;
    received.push_back({message, wParam, lParam});
    result = 0;
    return true;
  }
  void OnClose() override { ui().EndDialog(hwnd(), 0); }

  // Runs `body` on the window's thread, then lets the window close.
  void Run(sim::SimMachine& m, const std::function<void(sim::UserActions&)>& body) {
    m.simUi().Script(IDD_SERIAL_PROMPT, [&](sim::UserActions& u) {
      body(u);
      u.CloseBox();
    });
    m.ui().DialogBoxParamA(IDD_SERIAL_PROMPT, 0, *this);
  }
  // The received bytes, in order.
  std::vector<platform::WParam> Bytes() const {
    std::vector<platform::WParam> bytes;
    for (const auto& n : received) {
      if (n.message == WM_SERIALDATA) bytes.push_back(n.wParam);
    }
    return bytes;
  }
};

const std::vector<uint8_t> kRequest = {0x10, 0x04, 0x01};

class SerialChannelThreads : public ::testing::Test {
 protected:
  CheckedMachine m;
  OwnerWindow owner{m.ui()};
  SerialChannel channel{m};

  bool OpenPort(int port, uint32_t writeBuffer = 512) {
    return channel.Open(owner.hwnd(), port, 9600, 'N', 8, 1, 3, writeBuffer);
  }
};

// A request longer than the buffer is not sent at all; bytes that came
// before the request are not its answer.
TEST_F(SerialChannelThreads, ConfiguresThePortAndReportsEachAnswerByteInOrder) {
  m.simComm().AttachPrinter(3, {.answer = {0x12, 0x34}, .delayMs = 40});
  owner.Run(m, [&](sim::UserActions& u) {
    EXPECT_FALSE(OpenPort(9));
    EXPECT_FALSE(channel.StartMonitoring());
    ASSERT_TRUE(OpenPort(3, 3));
    m.simComm().Arrive(3, {0x55, 0x56});
    ASSERT_TRUE(channel.StartMonitoring());
    const uint8_t tooLong[] = {0x1B, 0x21, 0x3F, 0x00};
    channel.Write(tooLong, 4);
    u.AdvanceTime(20);  // time for a send, were there one
    channel.Write(kRequest.data(), 3);
    u.AdvanceTime(100);
    channel.Close();
  });

  // Rate, size, parity, stop bits, event character, RTS, mask, queues,
  // timeouts, and the bytes discarded before the request.
  const sim::SimDeviceRecord d = m.simComm().Device(3);
  EXPECT_EQ(d.writes, std::vector<std::vector<uint8_t>>{kRequest});
  EXPECT_EQ((std::vector<uint32_t>{d.dcb.BaudRate, d.dcb.ByteSize, d.dcb.Parity, d.dcb.StopBits,
                                   static_cast<uint32_t>(d.dcb.EvtChar), d.dcb.fRtsControl, d.mask,
                                   d.inQueue, d.outQueue, d.timeouts.ReadIntervalTimeout,
                                   d.timeouts.WriteTotalTimeoutConstant, d.discarded}),
            (std::vector<uint32_t>{9600, 8, win::NOPARITY, win::ONESTOPBIT, 'q',
                                   win::RTS_CONTROL_ENABLE, 3, 2048, 2048, 1000, 1000, 2}));
  // Each byte on its own; then the comm event's RXFLAG notification, which
  // follows the mask set at opening, not the event that occurred.
  EXPECT_EQ(owner.received,
            (std::vector<Notification>{{0x407, 0x12, 3}, {0x407, 0x34, 3}, {0x408, 0, 3}}));
}

// A port opens once, without sharing: opening the channel again, on the
// same port, must give up the handle it holds first.
TEST_F(SerialChannelThreads, OpeningAgainGivesUpThePortItHeld) {
  m.simComm().AddDevice(5);
  owner.Run(m, [&](sim::UserActions&) {
    ASSERT_TRUE(OpenPort(5));
    EXPECT_TRUE(OpenPort(5));
    EXPECT_TRUE(channel.StartMonitoring());
    channel.Close();
  });
  EXPECT_EQ(m.simComm().Device(5).opens, 2);
  EXPECT_EQ(m.simComm().OpenHandles(), 0);
}

// No box on the monitoring thread: the owner is told once, and shows the text.
TEST_F(SerialChannelThreads, FailuresAreKeptOnceAndDeliverNoByte) {
  const std::string read =
      "WARNING:  ReadFile() Failed with the following error: \nA device attached to the system "
      "is not functioning.\r\n\nPort: 3\n";
  const std::string write =
      "WARNING:  WriteFile() Failed with the following error: \nAccess is denied.\r\n\nPort: 3\n";
  struct Case {
    const char* name;
    std::function<void(sim::SimMachine&)> arm;
    std::vector<std::string> errors;
    std::vector<platform::WParam> bytes;
  } cases[] = {
      // clang-format off
      {"two failed reads", [](auto& m) {
         m.faults().Fail("ReadFile", win::ERROR_GEN_FAILURE, {.times = 2}); }, {read}, {0x21}},
      {"a read that times out", [](auto& m) { m.simComm().CompleteNextReadEmpty(3); }, {}, {0x21}},
      {"a failed write", [](auto& m) {
         m.faults().Fail("WriteFile", win::ERROR_ACCESS_DENIED); }, {write}, {}},
      // clang-format on
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    owner.received.clear();
    m.simComm().AttachPrinter(3, {.answer = {0x21}, .delayMs = 10});
    c.arm(m);
    std::vector<std::string> errors;
    owner.Run(m, [&](sim::UserActions& u) {
      ASSERT_TRUE(OpenPort(3));
      ASSERT_TRUE(channel.StartMonitoring());
      channel.Write(kRequest.data(), 3);
      u.AdvanceTime(300);
      channel.Close();
      errors = channel.TakeErrors();
    });
    EXPECT_EQ(errors, c.errors);
    EXPECT_EQ(owner.Bytes(), c.bytes);
    const auto posted = std::count(owner.received.begin(), owner.received.end(),
                                   Notification{WM_SERIALERROR, 0, 3});
    EXPECT_EQ(posted, c.errors.empty() ? 0 : 1);
  }
  EXPECT_TRUE(m.simUi().MessageBoxes().empty());
}

// Wine completes every comm wait on a pseudo-terminal at once with an empty
// event. The thread must rest between such events, not spin on the port.
TEST_F(SerialChannelThreads, EmptyCommEventsDoNotKeepTheThreadBusy) {
  m.simComm().AttachPrinter(4, {.answer = {0x21}, .delayMs = 50});
  m.simComm().CompleteCommWaitsEmpty(4);
  int whileTimeStands = 0;
  int overOneHundredMs = 0;
  owner.Run(m, [&](sim::UserActions& u) {
    ASSERT_TRUE(OpenPort(4));
    ASSERT_TRUE(channel.StartMonitoring());
    // Real time passes, virtual time stands: a resting thread stays put.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    whileTimeStands = m.simComm().WaitCommEventCalls();
    u.AdvanceTime(100);
    overOneHundredMs = m.simComm().WaitCommEventCalls() - whileTimeStands;
    // An answer that comes while the thread rests is read all the same.
    channel.Write(kRequest.data(), 3);
    u.AdvanceTime(200);
    channel.Close();
  });
  EXPECT_EQ(owner.Bytes(), std::vector<platform::WParam>{0x21});
  EXPECT_GE(whileTimeStands, 1);
  EXPECT_LE(whileTimeStands, 2);
  EXPECT_LE(overOneHundredMs, 2);
}

class PosixCommMachine : public platform::ForwardingMachine {
 public:
  using ForwardingMachine::ForwardingMachine;
  platform::CommPorts& comm() override { return ports; }
  uint32_t GetLastError() override { return ports.GetLastError(); }
  posix::PosixCommPorts ports;
};

// Real ttys deliver bytes at their own pace and with their own line
// discipline: the channel must still drop what came before the request, pass
// on each answer byte in order, and end when closed however much keeps coming.
TEST(PosixSerialChannelThreads, AnswersArriveInOrderAndCloseEndsWhileBytesKeepComing) {
  const int printer = posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(printer, 0);
  ASSERT_EQ(grantpt(printer), 0);
  ASSERT_EQ(unlockpt(printer), 0);
  sim::SimMachine m;
  PosixCommMachine machine{m};
  machine.ports.MapPort(7, ptsname(printer));
  OwnerWindow owner{m.ui()};
  SerialChannel channel{machine};

  owner.Run(m, [&](sim::UserActions&) {
    ASSERT_TRUE(channel.Open(owner.hwnd(), 7, 9600, 'N', 8, 1, 3, 512));
    ASSERT_EQ(write(printer, "\xEE\xEF", 2), 2);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    ASSERT_TRUE(channel.StartMonitoring());
    const uint8_t request[] = {0x10, 0x04, 0x01};
    channel.Write(request, 3);
    std::string received;
    for (char c; received.size() < 3;) {
      pollfd ready{printer, POLLIN, 0};
      ASSERT_EQ(poll(&ready, 1, 5000), 1);
      ASSERT_EQ(read(printer, &c, 1), 1);
      received += c;
    }
    EXPECT_EQ(received, "\x10\x04\x01");
    ASSERT_EQ(write(printer, "\x12\x00\x7F", 3), 3);
    m.simThreads().dispatcher().PumpUntilHeld([&] { return owner.Bytes().size() >= 3; }, 5000);
    m.simThreads().dispatcher().Pump();
    channel.Close();
    EXPECT_EQ(owner.Bytes(), (std::vector<platform::WParam>{0x12, 0x00, 0x7F}));
    for (const Notification& n : owner.received) EXPECT_EQ(n.lParam, 7);

    // A printer that never stops sending: each close ends the thread at once,
    // and the bytes read before reached the window in order.
    fcntl(printer, F_SETFL, O_NONBLOCK);  // so the writer sees the end
    std::atomic<bool> streaming = true;
    std::thread stream([&] {
      for (uint8_t next = 0; streaming;) {
        if (write(printer, &next, 1) == 1)
          ++next;
        else
          std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
    });
    for (int round = 0; round < 10; ++round) {
      owner.received.clear();
      // No ASSERT from here on: the writer must be stopped.
      EXPECT_TRUE(channel.Open(owner.hwnd(), 7, 115200, 'N', 8, 1, 3, 512));
      EXPECT_TRUE(channel.StartMonitoring());
      m.simThreads().dispatcher().PumpUntilHeld([&] { return owner.Bytes().size() >= 40; }, 5000);
      m.simThreads().dispatcher().Pump();
      const auto before = std::chrono::steady_clock::now();
      channel.Close();
      EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(2));
      const auto bytes = owner.Bytes();
      EXPECT_GE(bytes.size(), 40u);
      bool inOrder = true;
      for (size_t i = 1; i < bytes.size(); ++i) inOrder &= ((bytes[i - 1] + 1) & 0xFF) == bytes[i];
      EXPECT_TRUE(inOrder) << "round " << round;
    }
    streaming = false;
    stream.join();
  });
  close(printer);
}

}  // namespace
