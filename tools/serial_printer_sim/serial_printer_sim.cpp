// serial_printer_sim: plays a thermal printer on a serial line, so that the
// installer's serial search (and a technician checking a cable) has
// something that answers.
//
//   serial_printer_sim --tty /dev/pts/7 [--baud 9600] [--receipt-answer 12]
//                      [--label-answer 00] [--delay-ms 20] [--silent]
//                      [--stream]
//
// It opens the tty raw at the given rate and reads everything. Each time
// the last three bytes read are a status request (10 04 01 for receipt
// printers, 1B 21 3F for label printers) it writes the configured answer
// after the delay, unless --silent. --stream writes bytes 00, 01, 02, ...
// without pause as well, for tests of a reader that must stop while data
// keeps coming. It prints "ready" once the tty is open and "request XX XX
// XX" for each request seen, and runs until it is terminated or the line
// hangs up.
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Options {
  std::string tty;
  unsigned baud = 9600;
  std::vector<uint8_t> receiptAnswer = {0x12};
  std::vector<uint8_t> labelAnswer = {0x00};
  unsigned delayMs = 20;
  bool silent = false;
  bool stream = false;
};

bool ParseHexBytes(const std::string& text, std::vector<uint8_t>& bytes) {
  bytes.clear();
  std::string cleaned;
  for (char c : text) cleaned += (c == ',' || c == ':') ? ' ' : c;
  std::istringstream words(cleaned);
  std::string word;
  while (words >> word) {
    char* end = nullptr;
    const unsigned long value = std::strtoul(word.c_str(), &end, 16);
    if (*end != '\0' || value > 0xFF) return false;
    bytes.push_back(static_cast<uint8_t>(value));
  }
  return true;
}

speed_t Speed(unsigned baud) {
  switch (baud) {
    case 300:
      return B300;
    case 1200:
      return B1200;
    case 2400:
      return B2400;
    case 4800:
      return B4800;
    case 9600:
      return B9600;
    case 19200:
      return B19200;
    case 38400:
      return B38400;
    case 57600:
      return B57600;
    case 115200:
      return B115200;
    default:
      return B0;
  }
}

int Usage() {
  std::fprintf(stderr,
               "usage: serial_printer_sim --tty PATH [--baud N] [--receipt-answer HEX..] "
               "[--label-answer HEX..] [--delay-ms N] [--silent] [--stream]\n");
  return 2;
}

bool WriteAll(int fd, const uint8_t* bytes, size_t count) {
  size_t done = 0;
  while (done < count) {
    const ssize_t put = write(fd, bytes + done, count - done);
    if (put > 0) {
      done += static_cast<size_t>(put);
    } else if (put < 0 && errno != EAGAIN && errno != EINTR) {
      return false;
    } else {
      pollfd ready{fd, POLLOUT, 0};
      poll(&ready, 1, 100);
    }
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--tty" && hasValue) {
      options.tty = argv[++i];
    } else if (arg == "--baud" && hasValue) {
      options.baud = static_cast<unsigned>(std::strtoul(argv[++i], nullptr, 10));
    } else if (arg == "--receipt-answer" && hasValue) {
      if (!ParseHexBytes(argv[++i], options.receiptAnswer)) return Usage();
    } else if (arg == "--label-answer" && hasValue) {
      if (!ParseHexBytes(argv[++i], options.labelAnswer)) return Usage();
    } else if (arg == "--delay-ms" && hasValue) {
      options.delayMs = static_cast<unsigned>(std::strtoul(argv[++i], nullptr, 10));
    } else if (arg == "--silent") {
      options.silent = true;
    } else if (arg == "--stream") {
      options.stream = true;
    } else {
      return Usage();
    }
  }
  if (options.tty.empty() || Speed(options.baud) == B0) return Usage();

  const int fd = open(options.tty.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    std::fprintf(stderr, "serial_printer_sim: %s: %s\n", options.tty.c_str(), std::strerror(errno));
    return 1;
  }
  termios tio{};
  if (tcgetattr(fd, &tio) == 0) {
    cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    cfsetispeed(&tio, Speed(options.baud));
    cfsetospeed(&tio, Speed(options.baud));
    tcsetattr(fd, TCSANOW, &tio);
  }
  std::printf("ready\n");
  std::fflush(stdout);

  uint8_t last[3] = {0, 0, 0};
  uint8_t counter = 0;
  for (;;) {
    pollfd ready{fd, static_cast<short>(POLLIN | (options.stream ? POLLOUT : 0)), 0};
    if (poll(&ready, 1, options.stream ? 5 : -1) < 0 && errno != EINTR) break;
    if ((ready.revents & (POLLHUP | POLLERR)) && !(ready.revents & POLLIN)) {
      // The other end is gone for now; look again shortly.
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (ready.revents & POLLIN) {
      uint8_t buffer[256];
      const ssize_t got = read(fd, buffer, sizeof buffer);
      for (ssize_t i = 0; i < got; ++i) {
        last[0] = last[1];
        last[1] = last[2];
        last[2] = buffer[i];
        const bool receipt = last[0] == 0x10 && last[1] == 0x04 && last[2] == 0x01;
        const bool label = last[0] == 0x1B && last[1] == 0x21 && last[2] == 0x3F;
        if (!receipt && !label) continue;
        std::printf("request %02X %02X %02X\n", last[0], last[1], last[2]);
        std::fflush(stdout);
        if (options.silent) continue;
        std::this_thread::sleep_for(std::chrono::milliseconds(options.delayMs));
        const auto& answer = receipt ? options.receiptAnswer : options.labelAnswer;
        if (!WriteAll(fd, answer.data(), answer.size())) return 1;
      }
    }
    if (options.stream && (ready.revents & POLLOUT)) {
      uint8_t chunk[16];
      for (uint8_t& byte : chunk) byte = counter++;
      if (!WriteAll(fd, chunk, sizeof chunk)) return 1;
    }
  }
  close(fd);
  return 0;
}
