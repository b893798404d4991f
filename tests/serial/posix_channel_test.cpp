// The serial channel on real ttys: the POSIX comm backend over one end of a
// socat pseudo-terminal pair, the printer simulator on the other end.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <thread>

#include "platform/posix/posix_comm.h"
#include "platform/sim/forwarding_machine.h"
#include "ports/serial_channel.h"
#include "serial_harness.h"

extern char** environ;

namespace serial_test {
namespace {

using Clock = std::chrono::steady_clock;
const uint8_t kReceiptRequest[] = {0x10, 0x04, 0x01};

// A child process with its standard output on a pipe.
class Child {
 public:
  explicit Child(const std::vector<std::string>& argv) {
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    std::vector<char*> args;
    for (const auto& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    if (posix_spawnp(&pid_, args[0], &actions, nullptr, args.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    out_ = out[0];
  }
  ~Child() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
    if (out_ >= 0) close(out_);
  }

  bool Started() const { return pid_ > 0; }
  // Waits up to `ms` for output containing `text`.
  bool WaitForOutput(const std::string& text, int ms) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
    while (output.find(text) == std::string::npos) {
      pollfd ready{out_, POLLIN, 0};
      if (Clock::now() > deadline) return false;
      if (poll(&ready, 1, 10) <= 0) continue;
      char buffer[256];
      const ssize_t got = read(out_, buffer, sizeof buffer);
      if (got <= 0) return false;
      output.append(buffer, static_cast<size_t>(got));
    }
    return true;
  }
  std::string output;

 private:
  pid_t pid_ = -1;
  int out_ = -1;
};

// The simulated machine with real comm ports.
class PosixCommMachine : public sim::ForwardingMachine {
 public:
  using ForwardingMachine::ForwardingMachine;
  platform::CommPorts& comm() override { return ports; }
  uint32_t GetLastError() override { return ports.GetLastError(); }
  posix::PosixCommPorts ports;
};

class PosixSerialChannelThreads : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() / ("serial-pty-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir_);
    socat_ = std::make_unique<Child>(
        std::vector<std::string>{"socat", "pty,raw,echo=0,link=" + (dir_ / "installer").string(),
                                 "pty,raw,echo=0,link=" + (dir_ / "printer").string()});
    ASSERT_TRUE(socat_->Started()) << "socat is needed for these tests";
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    while (!std::filesystem::exists(dir_ / "installer") ||
           !std::filesystem::exists(dir_ / "printer")) {
      ASSERT_LT(Clock::now(), deadline) << "socat made no pseudo-terminals";
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    machine_.ports.MapPort(7, (dir_ / "installer").string());
  }
  void TearDown() override {
    printer_.reset();
    socat_.reset();
    std::filesystem::remove_all(dir_);
  }

  void StartPrinter(std::vector<std::string> options) {
    options.insert(options.begin(), {SERIAL_PRINTER_SIM, "--tty", (dir_ / "printer").string()});
    printer_ = std::make_unique<Child>(options);
    ASSERT_TRUE(printer_->WaitForOutput("ready", 5000));
  }
  bool Open(int port = 7, int baud = 9600) {
    return channel_.Open(owner_.hwnd(), port, baud, 'N', 8, 1, 3, 512);
  }
  // Handles the channel's notifications until `count` bytes have come, or
  // the time is up.
  bool PumpUntilBytes(size_t count, uint32_t ms = 5000) {
    const bool reached = m_.simThreads().dispatcher().PumpUntilHeld(
        [&] { return owner_.Bytes().size() >= count; }, ms);
    m_.simThreads().dispatcher().Pump();
    return reached || owner_.Bytes().size() >= count;
  }

  std::filesystem::path dir_;
  std::unique_ptr<Child> socat_;
  std::unique_ptr<Child> printer_;
  sim::SimMachine m_;
  PosixCommMachine machine_{m_};
  OwnerWindow owner_{m_.ui()};
  SerialChannel channel_{machine_};
};

TEST_F(PosixSerialChannelThreads, TheAnswerComesBackByteByByteWithoutWhatCameBefore) {
  StartPrinter({"--baud", "9600", "--receipt-answer", "12 00 7f", "--delay-ms", "5"});
  owner_.Run(m_, [&](sim::UserActions&) {
    ASSERT_TRUE(Open());
    // Line noise that reaches the open port before anyone reads it.
    const int printer = open((dir_ / "printer").c_str(), O_WRONLY | O_NOCTTY);
    ASSERT_EQ(write(printer, "\xEE\xEF", 2), 2);
    close(printer);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    ASSERT_TRUE(channel_.StartMonitoring());
    channel_.Write(kReceiptRequest, 3);
    EXPECT_TRUE(PumpUntilBytes(3));
    PumpUntilBytes(4, 200);  // nothing else follows
    EXPECT_TRUE(channel_.Close());
  });

  EXPECT_TRUE(printer_->WaitForOutput("request 10 04 01", 2000)) << printer_->output;
  EXPECT_EQ(owner_.Bytes(), (std::vector<platform::WParam>{0x12, 0x00, 0x7F}));
  for (const Notification& n : owner_.received) EXPECT_EQ(n.lParam, 7);
}

TEST_F(PosixSerialChannelThreads, CloseWhileBytesKeepArrivingEndsEveryTime) {
  StartPrinter({"--stream", "--silent"});
  owner_.Run(m_, [&](sim::UserActions&) {
    for (int round = 0; round < 25; ++round) {
      SCOPED_TRACE(round);
      owner_.received.clear();
      ASSERT_TRUE(Open(7, 115200));
      ASSERT_TRUE(channel_.StartMonitoring());
      ASSERT_TRUE(PumpUntilBytes(40));
      const auto before = Clock::now();
      EXPECT_TRUE(channel_.Close());
      EXPECT_LT(Clock::now() - before, std::chrono::seconds(2));
      EXPECT_FALSE(channel_.IsOpen());
      // Every byte reached the window in the order it was sent.
      const auto bytes = owner_.Bytes();
      for (size_t i = 1; i < bytes.size(); ++i) ASSERT_EQ((bytes[i - 1] + 1) & 0xFF, bytes[i]);
    }
  });
}

// An unmapped port does not open, nor does a port that is open already.
TEST_F(PosixSerialChannelThreads, APortOpensOnceAtATime) {
  posix::PosixCommPorts& ports = machine_.ports;
  EXPECT_EQ(ports.CreateFileA("\\\\.\\COM8", 0, 0, 3, 0), 0u);
  EXPECT_EQ(ports.GetLastError(), 2u);
  for (int round = 0; round < 2; ++round) {
    const platform::CommHandle first = ports.CreateFileA("\\\\.\\COM7", 0, 0, 3, 0);
    ASSERT_NE(first, 0u);
    EXPECT_EQ(ports.CreateFileA("\\\\.\\COM7", 0, 0, 3, 0), 0u);
    EXPECT_EQ(ports.GetLastError(), 5u);
    EXPECT_TRUE(ports.CloseHandle(first));
  }
}

// A port on which nothing answers, probed as the search does: the channel
// waits without spinning.
TEST_F(PosixSerialChannelThreads, ProbingASilentPortCostsLittleCpu) {
  double share = 1.0;
  owner_.Run(m_, [&](sim::UserActions&) {
    timespec cpuStart{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpuStart);
    const auto wallStart = Clock::now();
    for (int round = 0; round < 3; ++round) {
      ASSERT_TRUE(Open(7, 19200));
      ASSERT_TRUE(channel_.StartMonitoring());
      channel_.Write(kReceiptRequest, 3);
      std::this_thread::sleep_for(std::chrono::milliseconds(400));
      channel_.Close();
    }
    timespec cpuEnd{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpuEnd);
    const double cpu = static_cast<double>(cpuEnd.tv_sec - cpuStart.tv_sec) +
                       static_cast<double>(cpuEnd.tv_nsec - cpuStart.tv_nsec) / 1e9;
    share = cpu / std::chrono::duration<double>(Clock::now() - wallStart).count();
  });
  EXPECT_TRUE(owner_.Bytes().empty());
  // A spinning wait would take a whole core; sanitizer builds cost more.
  EXPECT_LT(share, 0.10);
}

}  // namespace
}  // namespace serial_test
