// The serial channel on a real tty: the POSIX comm backend on the slave end
// of a pseudo-terminal, the test playing the printer on the master end.
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

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
// discipline: the channel must still drop what came before the request and
// pass on each answer byte in order.
TEST(PosixSerialChannelThreads, AnswersArriveInOrderWithoutWhatCameBefore) {
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
  });
  close(printer);
  EXPECT_EQ(owner.Bytes(), (std::vector<platform::WParam>{0x12, 0x00, 0x7F}));
  for (const Notification& n : owner.received) EXPECT_EQ(n.lParam, 7);
}

}  // namespace
}  // namespace serial_test
