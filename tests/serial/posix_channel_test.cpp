// The serial channel on real ttys: the POSIX comm backend over one end of a
// socat pseudo-terminal pair, the printer simulator on the other end.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/posix/posix_comm.h"
#include "platform/sim/forwarding_machine.h"
#include "platform/sim/sim_machine.h"
#include "ports/serial_channel.h"
#include "resources/resource.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

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
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  bool Started() const { return pid_ > 0; }
  // Waits up to `ms` for a line of output containing `text`.
  bool WaitForOutput(const std::string& text, int ms) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
    while (output_.find(text) == std::string::npos) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      if (left <= 0) return false;
      pollfd ready{out_, POLLIN, 0};
      if (poll(&ready, 1, static_cast<int>(left)) <= 0) continue;
      char buffer[256];
      const ssize_t got = read(out_, buffer, sizeof buffer);
      if (got <= 0) return false;
      output_.append(buffer, static_cast<size_t>(got));
    }
    return true;
  }
  const std::string& output() const { return output_; }

 private:
  pid_t pid_ = -1;
  int out_ = -1;
  std::string output_;
};

// The simulated machine with real comm ports.
class PosixCommMachine : public sim::ForwardingMachine {
 public:
  explicit PosixCommMachine(sim::SimMachine& m) : ForwardingMachine(m) {}
  posix::PosixCommPorts& ports() { return ports_; }

  platform::CommPorts& comm() override { return ports_; }
  uint32_t GetLastError() override { return ports_.GetLastError(); }

 private:
  posix::PosixCommPorts ports_;
};

class OwnerWindow : public platform::Dialog {
 public:
  using platform::Dialog::Dialog;
  std::vector<uint8_t> bytes;
  std::vector<platform::LParam> ports;

  bool OnMessage(uint32_t message, platform::WParam wParam, platform::LParam lParam,
                 platform::LResult& result) override {
    if (message != 0x407) return false;
    bytes.push_back(static_cast<uint8_t>(wParam));
    ports.push_back(lParam);
    result = 0;
    return true;
  }
  void OnClose() override { ui().EndDialog(hwnd(), 0); }
};

const uint8_t kReceiptRequest[] = {0x10, 0x04, 0x01};

class PosixSerialChannelThreads : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("serial-pty-" + std::to_string(getpid()) + "-" + std::to_string(++counter_));
    std::filesystem::create_directories(dir_);
    socat_ = std::make_unique<Child>(
        std::vector<std::string>{"socat", "pty,raw,echo=0,link=" + (dir_ / "installer").string(),
                                 "pty,raw,echo=0,link=" + (dir_ / "printer").string()});
    ASSERT_TRUE(socat_->Started()) << "socat is needed for these tests";
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    while (!(std::filesystem::exists(dir_ / "installer") &&
             std::filesystem::exists(dir_ / "printer"))) {
      ASSERT_LT(Clock::now(), deadline) << "socat made no pseudo-terminals";
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    machine_.ports().MapPort(7, (dir_ / "installer").string());
  }
  void TearDown() override {
    printer_.reset();
    socat_.reset();
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }

  void StartPrinter(std::vector<std::string> options) {
    std::vector<std::string> argv = {SERIAL_PRINTER_SIM, "--tty", (dir_ / "printer").string()};
    argv.insert(argv.end(), options.begin(), options.end());
    printer_ = std::make_unique<Child>(argv);
    ASSERT_TRUE(printer_->Started());
    ASSERT_TRUE(printer_->WaitForOutput("ready", 5000));
  }

  // Runs `body` on the owner window's thread.
  void WithOwner(const std::function<void()>& body) {
    m_.simUi().Script(IDD_SERIAL_PROMPT, [&](sim::UserActions& u) {
      body();
      u.CloseBox();
    });
    m_.ui().DialogBoxParamA(IDD_SERIAL_PROMPT, 0, owner_);
  }
  // Handles the channel's notifications until `count` bytes have come, or
  // the time is up.
  bool PumpUntilBytes(size_t count, uint32_t ms = 5000) {
    const bool reached = m_.simThreads().dispatcher().PumpUntilHeld(
        [&] { return owner_.bytes.size() >= count; }, ms);
    m_.simThreads().dispatcher().Pump();
    return reached || owner_.bytes.size() >= count;
  }

  static inline int counter_ = 0;
  std::filesystem::path dir_;
  std::unique_ptr<Child> socat_;
  std::unique_ptr<Child> printer_;
  sim::SimMachine m_;
  PosixCommMachine machine_{m_};
  OwnerWindow owner_{m_.ui()};
};

TEST_F(PosixSerialChannelThreads, RequestGoesOutAndTheAnswerComesBackByteByByte) {
  StartPrinter({"--baud", "9600", "--receipt-answer", "12 00 7f", "--delay-ms", "5"});
  WithOwner([&] {
    SerialChannel channel(machine_);
    ASSERT_TRUE(channel.Open(owner_.hwnd(), 7, 9600, 'N', 8, 1, 3, 512));
    ASSERT_TRUE(channel.StartMonitoring());
    channel.Write(kReceiptRequest, 3);
    EXPECT_TRUE(PumpUntilBytes(3));
    EXPECT_TRUE(channel.Close());
  });

  EXPECT_TRUE(printer_->WaitForOutput("request 10 04 01", 2000)) << printer_->output();
  EXPECT_EQ(owner_.bytes, (std::vector<uint8_t>{0x12, 0x00, 0x7F}));
  EXPECT_EQ(owner_.ports, (std::vector<platform::LParam>{7, 7, 7}));
}

TEST_F(PosixSerialChannelThreads, BytesWaitingBeforeTheRequestAreDiscarded) {
  StartPrinter({"--receipt-answer", "41", "--delay-ms", "5"});
  WithOwner([&] {
    SerialChannel channel(machine_);
    ASSERT_TRUE(channel.Open(owner_.hwnd(), 7, 9600, 'N', 8, 1, 3, 512));
    // Line noise that reaches the open port before anyone reads it.
    const int printer = open((dir_ / "printer").c_str(), O_WRONLY | O_NOCTTY);
    ASSERT_GE(printer, 0);
    const uint8_t noise[] = {0xEE, 0xEF};
    ASSERT_EQ(write(printer, noise, sizeof noise), 2);
    close(printer);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    ASSERT_TRUE(channel.StartMonitoring());
    channel.Write(kReceiptRequest, 3);
    EXPECT_TRUE(PumpUntilBytes(1));
    // Nothing else follows the answer.
    PumpUntilBytes(2, 200);
    channel.Close();
  });

  EXPECT_EQ(owner_.bytes, std::vector<uint8_t>{0x41});
}

TEST_F(PosixSerialChannelThreads, CloseWhileBytesKeepArrivingEndsEveryTime) {
  StartPrinter({"--stream", "--silent"});
  WithOwner([&] {
    SerialChannel channel(machine_);
    for (int round = 0; round < 25; ++round) {
      owner_.bytes.clear();
      ASSERT_TRUE(channel.Open(owner_.hwnd(), 7, 115200, 'N', 8, 1, 3, 512));
      ASSERT_TRUE(channel.StartMonitoring());
      ASSERT_TRUE(PumpUntilBytes(40)) << "round " << round;
      const auto before = Clock::now();
      EXPECT_TRUE(channel.Close());
      EXPECT_LT(Clock::now() - before, std::chrono::seconds(2)) << "round " << round;
      EXPECT_FALSE(channel.IsOpen());
      // Every byte reached the window in the order it was sent.
      for (size_t i = 1; i < owner_.bytes.size(); ++i) {
        ASSERT_EQ(static_cast<uint8_t>(owner_.bytes[i - 1] + 1), owner_.bytes[i])
            << "round " << round << " byte " << i;
      }
    }
  });
}

TEST_F(PosixSerialChannelThreads, AnUnmappedPortDoesNotOpen) {
  WithOwner([&] {
    SerialChannel channel(machine_);
    EXPECT_FALSE(channel.Open(owner_.hwnd(), 8, 9600, 'N', 8, 1, 3, 512));
    EXPECT_FALSE(channel.IsOpen());
    EXPECT_EQ(machine_.ports().GetLastError(), 2u);
  });
}

TEST_F(PosixSerialChannelThreads, APortOpensOnceAtATime) {
  posix::PosixCommPorts& ports = machine_.ports();
  const platform::CommHandle first = ports.CreateFileA("\\\\.\\COM7", 0, 0, 3, 0);
  ASSERT_NE(first, 0u);
  EXPECT_EQ(ports.CreateFileA("\\\\.\\COM7", 0, 0, 3, 0), 0u);
  EXPECT_EQ(ports.GetLastError(), 5u);
  EXPECT_TRUE(ports.CloseHandle(first));
  const platform::CommHandle again = ports.CreateFileA("\\\\.\\COM7", 0, 0, 3, 0);
  EXPECT_NE(again, 0u);
  EXPECT_TRUE(ports.CloseHandle(again));
}

// Eight ports on which nothing answers, each probed for one interval of
// 700 ms as the search does: the channel waits without spinning.
TEST_F(PosixSerialChannelThreads, ProbingEightSilentPortsCostsLittleCpu) {
  std::vector<std::unique_ptr<Child>> pairs;
  for (int n = 1; n <= 8; ++n) {
    const std::string end = (dir_ / ("silent" + std::to_string(n))).string();
    pairs.push_back(std::make_unique<Child>(std::vector<std::string>{
        "socat", "pty,raw,echo=0,link=" + end, "pty,raw,echo=0,link=" + end + "-far"}));
    machine_.ports().MapPort(10 + n, end);
  }
  const auto deadline = Clock::now() + std::chrono::seconds(5);
  for (int n = 1; n <= 8; ++n) {
    while (!std::filesystem::exists(dir_ / ("silent" + std::to_string(n)))) {
      ASSERT_LT(Clock::now(), deadline);
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }
  double share = 1.0;
  WithOwner([&] {
    SerialChannel channel(machine_);
    timespec cpuStart{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpuStart);
    const auto wallStart = Clock::now();
    for (int n = 1; n <= 8; ++n) {
      if (channel.IsOpen()) channel.Close();
      ASSERT_TRUE(channel.Open(owner_.hwnd(), 10 + n, 19200, 'N', 8, 1, 3, 512));
      ASSERT_TRUE(channel.StartMonitoring());
      channel.Write(kReceiptRequest, 3);
      std::this_thread::sleep_for(std::chrono::milliseconds(700));
    }
    channel.Close();
    timespec cpuEnd{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpuEnd);
    const double cpu = static_cast<double>(cpuEnd.tv_sec - cpuStart.tv_sec) +
                       static_cast<double>(cpuEnd.tv_nsec - cpuStart.tv_nsec) / 1e9;
    const double wall = std::chrono::duration<double>(Clock::now() - wallStart).count();
    share = cpu / wall;
    std::printf("[ figure   ] probing 8 silent ports: %.3f s CPU in %.3f s, %.2f %% of a core\n",
                cpu, wall, 100.0 * share);
  });
  EXPECT_TRUE(owner_.bytes.empty());
  // A spinning wait would take a whole core; sanitizer builds cost more.
  EXPECT_LT(share, 0.10);
}

}  // namespace
