// The serial channel on a real tty: the POSIX comm backend on the slave end
// of a pseudo-terminal, the test playing the printer on the master end.
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/posix/posix_comm.h"
#include "platform/sim/forwarding_machine.h"
#include "ports/serial_channel.h"
#include "serial_harness.h"

namespace serial_test {
namespace {

class PosixCommMachine : public sim::ForwardingMachine {
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
}  // namespace serial_test
