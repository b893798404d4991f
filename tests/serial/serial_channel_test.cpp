#include "ports/serial_channel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/comm_constants.h"
#include "platform/sim/sim_machine.h"
#include "platform/win_constants.h"
#include "resources/resource.h"
#include "shell/port_kind.h"

namespace {

const std::vector<uint8_t> kRequest = {0x10, 0x04, 0x01};

struct Notification {
  uint32_t message;
  platform::WParam wParam;
  platform::LParam lParam;
  bool operator==(const Notification&) const = default;
};

// A window that records what the channel sends it.
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
};

class SerialChannelThreads : public ::testing::Test {
 protected:
  sim::SimMachine m;
  OwnerWindow owner{m.ui()};

  // Runs `body` on the owner window's thread, then lets the window close.
  void WithOwner(const std::function<void(sim::UserActions&)>& body) {
    m.simUi().Script(IDD_SERIAL_PROMPT, [&](sim::UserActions& u) {
      body(u);
      u.CloseBox();
    });
    m.ui().DialogBoxParamA(IDD_SERIAL_PROMPT, 0, owner);
  }
  bool OpenPort(SerialChannel& channel, int port, int baud = 9600) {
    return channel.Open(owner.hwnd(), port, baud, 'N', 8, 1, 3, 512);
  }
  // Opens the port, sends one status request and closes the port once
  // `ms` of virtual time have passed. Returns the errors the channel kept.
  std::vector<std::string> RequestAndClose(int port, uint64_t ms) {
    std::vector<std::string> errors;
    WithOwner([&](sim::UserActions& u) {
      SerialChannel channel(m);
      ASSERT_TRUE(OpenPort(channel, port));
      ASSERT_TRUE(channel.StartMonitoring());
      channel.Write(kRequest.data(), 3);
      u.AdvanceTime(ms);
      channel.Close();
      errors = channel.TakeErrors();
    });
    return errors;
  }
  // The received-byte notifications' bytes, in order.
  std::vector<platform::WParam> ReceivedBytes() const {
    std::vector<platform::WParam> bytes;
    for (const auto& n : owner.received) {
      if (n.message == 0x407) bytes.push_back(n.wParam);
    }
    return bytes;
  }
};

TEST_F(SerialChannelThreads, ConfiguresThePortAndReportsEachAnswerByteInOrder) {
  m.simComm().AttachPrinter(3, {.answer = {0x12, 0x34}, .delayMs = 40});
  WithOwner([&](sim::UserActions& u) {
    SerialChannel channel(m);
    ASSERT_TRUE(OpenPort(channel, 3));
    ASSERT_TRUE(channel.StartMonitoring());
    channel.Write(kRequest.data(), 3);
    u.AdvanceTime(100);
    EXPECT_TRUE(channel.Close());
    EXPECT_FALSE(channel.IsOpen());
  });

  const sim::SimDeviceRecord device = m.simComm().Device(3);
  EXPECT_EQ(device.writes, std::vector<std::vector<uint8_t>>{kRequest});
  EXPECT_EQ(device.dcb.BaudRate, 9600u);
  EXPECT_EQ(device.dcb.ByteSize, 8);
  EXPECT_EQ(device.dcb.Parity, win::NOPARITY);
  EXPECT_EQ(device.dcb.StopBits, win::ONESTOPBIT);
  EXPECT_EQ(device.dcb.EvtChar, 'q');
  EXPECT_EQ(device.dcb.fRtsControl, win::RTS_CONTROL_ENABLE);
  EXPECT_EQ(device.mask, 3u);
  EXPECT_EQ(device.inQueue, 2048u);
  EXPECT_EQ(device.outQueue, 2048u);
  EXPECT_EQ(device.timeouts.ReadIntervalTimeout, 1000u);
  EXPECT_EQ(device.timeouts.WriteTotalTimeoutConstant, 1000u);
  EXPECT_FALSE(device.open);
  // Each byte on its own; then the comm event's RXFLAG notification, which
  // follows the mask set at opening, not the event that occurred.
  EXPECT_EQ(owner.received,
            (std::vector<Notification>{{0x407, 0x12, 3}, {0x407, 0x34, 3}, {0x408, 0, 3}}));
  EXPECT_EQ(m.simComm().OpenHandles(), 0);
}

// Wine completes every comm wait on a pseudo-terminal at once with an empty
// event. The thread must rest between such events, not spin on the port.
TEST_F(SerialChannelThreads, EmptyCommEventsDoNotKeepTheThreadBusy) {
  m.simComm().AttachPrinter(4, {.answer = {0x21}, .delayMs = 50});
  m.simComm().CompleteCommWaitsEmpty(4);
  int whileTimeStands = 0;
  int overOneHundredMs = 0;
  WithOwner([&](sim::UserActions& u) {
    SerialChannel channel(m);
    ASSERT_TRUE(OpenPort(channel, 4));
    ASSERT_TRUE(channel.StartMonitoring());
    // Real time passes, virtual time stands: a resting thread stays put.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    whileTimeStands = m.simComm().WaitCommEventCalls();
    u.AdvanceTime(100);
    overOneHundredMs = m.simComm().WaitCommEventCalls() - whileTimeStands;
    // An answer that comes while the thread rests is read all the same.
    channel.Write(kRequest.data(), 3);
    u.AdvanceTime(200);
    EXPECT_TRUE(channel.Close());
  });
  EXPECT_EQ(ReceivedBytes(), std::vector<platform::WParam>{0x21});
  EXPECT_GE(whileTimeStands, 1);
  EXPECT_LE(whileTimeStands, 2);
  EXPECT_LE(overOneHundredMs, 2);
  EXPECT_EQ(m.simComm().OpenHandles(), 0);
}

TEST_F(SerialChannelThreads, BytesReceivedBeforeTheRequestAreDiscarded) {
  m.simComm().AttachPrinter(5, {.answer = {0x7E}, .delayMs = 10});
  WithOwner([&](sim::UserActions& u) {
    SerialChannel channel(m);
    ASSERT_TRUE(OpenPort(channel, 5));
    m.simComm().Arrive(5, {0x55, 0x56});
    ASSERT_TRUE(channel.StartMonitoring());
    channel.Write(kRequest.data(), 3);
    u.AdvanceTime(50);
    channel.Close();
  });

  EXPECT_EQ(m.simComm().Device(5).discarded, 2u);
  ASSERT_FALSE(owner.received.empty());
  EXPECT_EQ(owner.received.front(), (Notification{0x407, 0x7E, 5}));
  EXPECT_EQ(ReceivedBytes().size(), 1u);
}

TEST_F(SerialChannelThreads, AFailedReadIsReportedToTheOwnerOnceAndDeliversNoByte) {
  m.simComm().AttachPrinter(3, {.answer = {0x21}, .delayMs = 10});
  m.faults().Fail("ReadFile", win::ERROR_GEN_FAILURE, {.times = 2});
  const std::vector<std::string> errors = RequestAndClose(3, 300);

  // No box on the monitoring thread: the owner is told, and shows the text.
  EXPECT_TRUE(m.simUi().MessageBoxes().empty());
  EXPECT_EQ(errors, (std::vector<std::string>{
                        "WARNING:  ReadFile() Failed with the following error: \nA device "
                        "attached to the system is not functioning.\r\n\nPort: 3\n"}));
  const auto posted =
      std::count(owner.received.begin(), owner.received.end(), Notification{WM_SERIALERROR, 0, 3});
  EXPECT_EQ(posted, 1);
  // The byte that the read after the failures got, once.
  EXPECT_EQ(ReceivedBytes(), std::vector<platform::WParam>{0x21});
}

TEST_F(SerialChannelThreads, AReadThatCompletesWithNothingDeliversNoByte) {
  m.simComm().AttachPrinter(3, {.answer = {0x21}, .delayMs = 10});
  m.simComm().CompleteNextReadEmpty(3);
  RequestAndClose(3, 50);
  EXPECT_EQ(ReceivedBytes(), std::vector<platform::WParam>{0x21});
}

TEST_F(SerialChannelThreads, AFailedWriteIsReported) {
  m.simComm().AttachPrinter(4, {.delayMs = 10});
  m.faults().Fail("WriteFile", win::ERROR_ACCESS_DENIED);
  const std::vector<std::string> errors = RequestAndClose(4, 50);

  EXPECT_EQ(errors, (std::vector<std::string>{"WARNING:  WriteFile() Failed with the following "
                                              "error: \nAccess is denied.\r\n\nPort: 4\n"}));
  EXPECT_EQ(ReceivedBytes(), std::vector<platform::WParam>{});
}

TEST_F(SerialChannelThreads, OpeningAMissingPortFailsWithoutAThread) {
  WithOwner([&](sim::UserActions&) {
    SerialChannel channel(m);
    const int threadsBefore = m.simThreads().Started();
    EXPECT_FALSE(OpenPort(channel, 9));
    EXPECT_FALSE(channel.IsOpen());
    EXPECT_FALSE(channel.StartMonitoring());
    EXPECT_EQ(m.simThreads().Started(), threadsBefore);
    EXPECT_TRUE(channel.Close());
    EXPECT_EQ(m.simComm().OpenHandles(), 0);
  });
}

TEST_F(SerialChannelThreads, CloseOnANeverOpenedChannelAndTwice) {
  m.simComm().AddDevice(2);
  WithOwner([&](sim::UserActions&) {
    SerialChannel channel(m);
    EXPECT_FALSE(channel.Close());
    ASSERT_TRUE(OpenPort(channel, 2));
    ASSERT_TRUE(channel.StartMonitoring());
    EXPECT_TRUE(channel.Close());
    EXPECT_FALSE(channel.Close());
    EXPECT_FALSE(m.simComm().Device(2).open);
  });
}

TEST_F(SerialChannelThreads, OpenWhileMonitoringEndsTheThreadFirst) {
  m.simComm().AddDevice(1);
  m.simComm().AttachPrinter(2, {.answer = {0x44}, .delayMs = 5});
  WithOwner([&](sim::UserActions& u) {
    SerialChannel channel(m);
    ASSERT_TRUE(OpenPort(channel, 1));
    ASSERT_TRUE(channel.StartMonitoring());
    ASSERT_TRUE(OpenPort(channel, 2));
    EXPECT_FALSE(m.simComm().Device(1).open);
    ASSERT_TRUE(channel.StartMonitoring());
    channel.Write(kRequest.data(), 3);
    u.AdvanceTime(20);
  });

  EXPECT_TRUE(m.simComm().Device(1).writes.empty());
  ASSERT_FALSE(owner.received.empty());
  EXPECT_EQ(owner.received.front(), (Notification{0x407, 0x44, 2}));
  EXPECT_EQ(m.simComm().OpenHandles(), 0);
}

TEST_F(SerialChannelThreads, ARequestLongerThanTheBufferIsNotSent) {
  m.simComm().AddDevice(1);
  WithOwner([&](sim::UserActions& u) {
    SerialChannel channel(m);
    ASSERT_TRUE(channel.Open(owner.hwnd(), 1, 9600, 'N', 8, 1, 3, 2));
    ASSERT_TRUE(channel.StartMonitoring());
    channel.Write(kRequest.data(), 3);
    u.AdvanceTime(20);
    const uint8_t two[] = {0xAA, 0xBB};
    channel.Write(two, 2);
    u.AdvanceTime(20);
  });

  EXPECT_EQ(m.simComm().Device(1).writes, (std::vector<std::vector<uint8_t>>{{0xAA, 0xBB}}));
}

TEST(SerialErrorText, KeepsALongSystemTextWhole) {
  const std::string system(600, 'x');
  const std::string text = SerialErrorText("ReadFile()", system, 12);
  EXPECT_EQ(text,
            "WARNING:  ReadFile() Failed with the following error: \n" + system + "\nPort: 12\n");
}

}  // namespace
