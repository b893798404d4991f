// The serial channel on a real tty: the POSIX comm backend on the slave end
// of a pseudo-terminal, the test playing the printer on the master end.
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <ctime>
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

double CpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

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
  EXPECT_EQ(machine.ports.CreateFileA("\\\\.\\COM8", 0, 0, 3, 0), 0u);  // not mapped
  EXPECT_EQ(machine.ports.GetLastError(), 2u);
  const auto pumpUntilBytes = [&](size_t count) {
    return m.simThreads().dispatcher().PumpUntilHeld([&] { return owner.Bytes().size() >= count; },
                                                     5000) ||
           owner.Bytes().size() >= count;
  };

  owner.Run(m, [&](sim::UserActions&) {
    ASSERT_TRUE(channel.Open(owner.hwnd(), 7, 9600, 'N', 8, 1, 3, 512));
    EXPECT_EQ(machine.ports.CreateFileA("\\\\.\\COM7", 0, 0, 3, 0), 0u);  // open already
    EXPECT_EQ(machine.ports.GetLastError(), 5u);
    // Line noise that reaches the port before the request is not the answer.
    ASSERT_EQ(write(printer, "\xEE\xEF", 2), 2);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    ASSERT_TRUE(channel.StartMonitoring());
    // A silent port is waited on, not spun on: a spinning wait takes a
    // whole core, and sanitizer builds cost more.
    const double cpuBefore = CpuSeconds();
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    EXPECT_LT(CpuSeconds() - cpuBefore, 0.04);
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
    EXPECT_TRUE(pumpUntilBytes(3));
    EXPECT_TRUE(channel.Close());
    EXPECT_EQ(owner.Bytes(), (std::vector<platform::WParam>{0x12, 0x00, 0x7F}));
    for (const Notification& n : owner.received) EXPECT_EQ(n.lParam, 7);

    // A printer that never stops sending: every close ends the thread at
    // once, and every byte read reached the window in order.
    // Non-blocking, so the writer sees the end even while the port is shut.
    fcntl(printer, F_SETFL, O_NONBLOCK);
    std::atomic<bool> streaming = true;
    std::thread stream([&] {
      for (uint8_t next = 0; streaming;) {
        if (write(printer, &next, 1) == 1) {
          ++next;
        } else {
          std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
      }
    });
    for (int round = 0; round < 10; ++round) {
      owner.received.clear();
      ASSERT_TRUE(channel.Open(owner.hwnd(), 7, 115200, 'N', 8, 1, 3, 512));
      ASSERT_TRUE(channel.StartMonitoring());
      ASSERT_TRUE(pumpUntilBytes(40));
      const auto before = std::chrono::steady_clock::now();
      EXPECT_TRUE(channel.Close());
      EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(2));
      const auto bytes = owner.Bytes();
      for (size_t i = 1; i < bytes.size(); ++i) ASSERT_EQ((bytes[i - 1] + 1) & 0xFF, bytes[i]);
    }
    streaming = false;
    stream.join();
  });
  close(printer);
}

}  // namespace
}  // namespace serial_test
