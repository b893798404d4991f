#include "platform/posix/posix_comm.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <vector>

#include "platform/comm_constants.h"
#include "platform/win_constants.h"

namespace posix {

namespace {

thread_local uint32_t tlsLastError = 0;

void SetLastError(uint32_t error) { tlsLastError = error; }

bool Fail(uint32_t error) {
  SetLastError(error);
  return false;
}

struct BaudEntry {
  uint32_t rate;
  speed_t speed;
};

constexpr BaudEntry kBauds[] = {
    {110, B110},       {300, B300},       {600, B600},       {1200, B1200},     {2400, B2400},
    {4800, B4800},     {9600, B9600},     {19200, B19200},   {38400, B38400},   {57600, B57600},
    {115200, B115200}, {230400, B230400}, {460800, B460800}, {921600, B921600},
};

bool SpeedFor(uint32_t rate, speed_t& speed) {
  for (const BaudEntry& entry : kBauds) {
    if (entry.rate == rate) {
      speed = entry.speed;
      return true;
    }
  }
  return false;
}

uint32_t RateFor(speed_t speed) {
  for (const BaudEntry& entry : kBauds) {
    if (entry.speed == speed) return entry.rate;
  }
  return 0;
}

// Milliseconds left until `deadline`, or -1 (no limit) when there is none.
int RemainingMs(bool limited, std::chrono::steady_clock::time_point deadline) {
  if (!limited) return -1;
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        deadline - std::chrono::steady_clock::now())
                        .count();
  return left > 0 ? static_cast<int>(left) : 0;
}

}  // namespace

struct PosixCommPorts::Event {
  explicit Event(bool manual) : manualReset(manual), fd(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}
  ~Event() {
    if (fd >= 0) close(fd);
  }
  const bool manualReset;
  const int fd;
  std::mutex mutex;
  bool signaled = false;  // guarded by mutex; the eventfd only wakes poll
};

struct PosixCommPorts::Port {
  explicit Port(int descriptor) : fd(descriptor) {}
  // The descriptor outlives the handle while a waiter still polls it.
  ~Port() { close(fd); }

  enum class Pending { None, CommEvent, Read };

  const int fd;
  std::string path;
  std::mutex mutex;  // guards everything below
  uint32_t mask = 0;
  platform::CommTimeouts timeouts;
  platform::Dcb dcb;
  Pending pending = Pending::None;
  platform::Overlapped* overlapped = nullptr;
  uint32_t* eventOut = nullptr;
  uint8_t* readBuffer = nullptr;
  uint32_t readCount = 0;
  uint32_t transferred = 0;
  bool hungUp = false;
};

PosixCommPorts::PosixCommPorts() = default;
PosixCommPorts::~PosixCommPorts() = default;

void PosixCommPorts::MapPort(int number, const std::string& devicePath) {
  std::lock_guard<std::mutex> lock(mutex_);
  devices_[number] = devicePath;
}

uint32_t PosixCommPorts::ErrorFromErrno(int error) {
  switch (error) {
    case ENOENT:
    case ENXIO:
      return win::ERROR_FILE_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EBUSY:
      return win::ERROR_ACCESS_DENIED;
    case EBADF:
      return win::ERROR_INVALID_HANDLE;
    case EINVAL:
      return win::ERROR_INVALID_PARAMETER;
    case ENOTTY:
      return win::ERROR_NOT_SUPPORTED;
    default:
      return win::ERROR_GEN_FAILURE;
  }
}

std::shared_ptr<PosixCommPorts::Event> PosixCommPorts::FindEvent(platform::EventHandle handle) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto found = events_.find(handle);
  return found == events_.end() ? nullptr : found->second;
}

std::shared_ptr<PosixCommPorts::Port> PosixCommPorts::FindPort(platform::CommHandle handle) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto found = ports_.find(handle);
  return found == ports_.end() ? nullptr : found->second;
}

platform::CommHandle PosixCommPorts::CreateFileA(const std::string& name, uint32_t, uint32_t,
                                                 uint32_t, uint32_t) {
  const int number = platform::CommDeviceNumber(name);
  std::string path;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    auto device = devices_.find(number);
    if (number < 0 || device == devices_.end()) {
      SetLastError(win::ERROR_FILE_NOT_FOUND);
      return 0;
    }
    path = device->second;
  }
  const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    SetLastError(ErrorFromErrno(errno));
    return 0;
  }
  if (!isatty(fd)) {
    close(fd);
    SetLastError(win::ERROR_FILE_NOT_FOUND);
    return 0;
  }
  // A comm port is opened without sharing: a second opening is refused, as
  // Windows refuses it (TIOCEXCL keeps other programs out, except root's).
  ioctl(fd, TIOCEXCL);
  auto port = std::make_shared<Port>(fd);
  port->path = path;
  std::lock_guard<std::mutex> lock(mutex_);
  for (const auto& [handle, open] : ports_) {
    if (open->path == path) {
      SetLastError(win::ERROR_ACCESS_DENIED);
      return 0;  // the new descriptor closes with `port`
    }
  }
  const std::uintptr_t handle = nextHandle_++;
  ports_[handle] = port;
  return handle;
}

bool PosixCommPorts::CloseHandle(std::uintptr_t handle) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (ports_.erase(handle) == 0 && events_.erase(handle) == 0) {
    return Fail(win::ERROR_INVALID_HANDLE);
  }
  return true;
}

bool PosixCommPorts::SetupComm(platform::CommHandle handle, uint32_t, uint32_t) {
  return FindPort(handle) ? true : Fail(win::ERROR_INVALID_HANDLE);
}

bool PosixCommPorts::SetCommTimeouts(platform::CommHandle handle,
                                     const platform::CommTimeouts& timeouts) {
  auto port = FindPort(handle);
  if (!port) return Fail(win::ERROR_INVALID_HANDLE);
  std::lock_guard<std::mutex> lock(port->mutex);
  port->timeouts = timeouts;
  return true;
}

bool PosixCommPorts::SetCommMask(platform::CommHandle handle, uint32_t eventMask) {
  auto port = FindPort(handle);
  if (!port) return Fail(win::ERROR_INVALID_HANDLE);
  std::lock_guard<std::mutex> lock(port->mutex);
  port->mask = eventMask;
  return true;
}

bool PosixCommPorts::GetCommMask(platform::CommHandle handle, uint32_t& eventMask) {
  auto port = FindPort(handle);
  if (!port) return Fail(win::ERROR_INVALID_HANDLE);
  std::lock_guard<std::mutex> lock(port->mutex);
  eventMask = port->mask;
  return true;
}

bool PosixCommPorts::GetCommState(platform::CommHandle handle, platform::Dcb& dcb) {
  auto port = FindPort(handle);
  if (!port) return Fail(win::ERROR_INVALID_HANDLE);
  termios tio{};
  if (tcgetattr(port->fd, &tio) != 0) return Fail(ErrorFromErrno(errno));
  std::lock_guard<std::mutex> lock(port->mutex);
  dcb = port->dcb;
  dcb.BaudRate = RateFor(cfgetospeed(&tio));
  switch (tio.c_cflag & CSIZE) {
    case CS5:
      dcb.ByteSize = 5;
      break;
    case CS6:
      dcb.ByteSize = 6;
      break;
    case CS7:
      dcb.ByteSize = 7;
      break;
    default:
      dcb.ByteSize = 8;
      break;
  }
  if (!(tio.c_cflag & PARENB)) {
    dcb.Parity = win::NOPARITY;
  } else if (tio.c_cflag & CMSPAR) {
    dcb.Parity = (tio.c_cflag & PARODD) ? win::MARKPARITY : win::SPACEPARITY;
  } else {
    dcb.Parity = (tio.c_cflag & PARODD) ? win::ODDPARITY : win::EVENPARITY;
  }
  dcb.StopBits = (tio.c_cflag & CSTOPB) ? win::TWOSTOPBITS : win::ONESTOPBIT;
  dcb.fOutxCtsFlow = (tio.c_cflag & CRTSCTS) ? 1 : 0;
  return true;
}

bool PosixCommPorts::BuildCommDCBA(const std::string& definition, platform::Dcb& dcb) {
  return platform::ParseCommDefinition(definition, dcb) ? true : Fail(win::ERROR_INVALID_PARAMETER);
}

bool PosixCommPorts::SetCommState(platform::CommHandle handle, const platform::Dcb& dcb) {
  auto port = FindPort(handle);
  if (!port) return Fail(win::ERROR_INVALID_HANDLE);
  speed_t speed = B0;
  if (!SpeedFor(dcb.BaudRate, speed) || dcb.ByteSize < 5 || dcb.ByteSize > 8 ||
      dcb.Parity > win::SPACEPARITY || dcb.StopBits > win::TWOSTOPBITS) {
    return Fail(win::ERROR_INVALID_PARAMETER);
  }
  termios tio{};
  if (tcgetattr(port->fd, &tio) != 0) return Fail(ErrorFromErrno(errno));
  cfmakeraw(&tio);
  tio.c_cflag |= CLOCAL | CREAD;
  tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
  static const tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
  tio.c_cflag |= kSizes[dcb.ByteSize - 5];
  switch (dcb.Parity) {
    case win::ODDPARITY:
      tio.c_cflag |= PARENB | PARODD;
      break;
    case win::EVENPARITY:
      tio.c_cflag |= PARENB;
      break;
    case win::MARKPARITY:
      tio.c_cflag |= PARENB | CMSPAR | PARODD;
      break;
    case win::SPACEPARITY:
      tio.c_cflag |= PARENB | CMSPAR;
      break;
    default:
      break;
  }
  if (dcb.StopBits != win::ONESTOPBIT) tio.c_cflag |= CSTOPB;
  if (dcb.fOutxCtsFlow) tio.c_cflag |= CRTSCTS;
  tio.c_cc[VMIN] = 0;
  tio.c_cc[VTIME] = 0;
  cfsetispeed(&tio, speed);
  cfsetospeed(&tio, speed);
  if (tcsetattr(port->fd, TCSANOW, &tio) != 0) return Fail(ErrorFromErrno(errno));
  std::lock_guard<std::mutex> lock(port->mutex);
  port->dcb = dcb;
  return true;
}

bool PosixCommPorts::PurgeComm(platform::CommHandle handle, uint32_t flags) {
  auto port = FindPort(handle);
  if (!port) return Fail(win::ERROR_INVALID_HANDLE);
  const bool input = flags & win::PURGE_RXCLEAR;
  const bool output = flags & win::PURGE_TXCLEAR;
  if (input || output) tcflush(port->fd, input && output ? TCIOFLUSH : input ? TCIFLUSH : TCOFLUSH);
  if (flags & win::PURGE_RXABORT) {
    std::unique_lock<std::mutex> lock(port->mutex);
    if (port->pending == Port::Pending::Read) {
      port->pending = Port::Pending::None;
      port->transferred = 0;
      platform::Overlapped* overlapped = port->overlapped;
      lock.unlock();
      if (auto event = FindEvent(overlapped->hEvent)) Signal(*event);
    }
  }
  return true;
}

bool PosixCommPorts::ClearCommError(platform::CommHandle handle, uint32_t* errors,
                                    platform::ComStat* stat) {
  auto port = FindPort(handle);
  if (!port) return Fail(win::ERROR_INVALID_HANDLE);
  int input = 0;
  int output = 0;
  if (ioctl(port->fd, FIONREAD, &input) != 0) input = 0;
  if (ioctl(port->fd, TIOCOUTQ, &output) != 0) output = 0;
  if (errors != nullptr) *errors = 0;
  if (stat != nullptr) {
    stat->cbInQue = static_cast<uint32_t>(input > 0 ? input : 0);
    stat->cbOutQue = static_cast<uint32_t>(output > 0 ? output : 0);
  }
  return true;
}

bool PosixCommPorts::Signal(Event& event) {
  std::lock_guard<std::mutex> lock(event.mutex);
  if (!event.signaled) {
    event.signaled = true;
    const uint64_t one = 1;
    if (write(event.fd, &one, sizeof one) < 0) {
      // The flag is what counts; the eventfd only wakes a poll.
    }
  }
  return true;
}

bool PosixCommPorts::SetEvent(platform::EventHandle handle) {
  auto event = FindEvent(handle);
  if (!event) return Fail(win::ERROR_INVALID_HANDLE);
  return Signal(*event);
}

bool PosixCommPorts::ResetEvent(platform::EventHandle handle) {
  auto event = FindEvent(handle);
  if (!event) return Fail(win::ERROR_INVALID_HANDLE);
  std::lock_guard<std::mutex> lock(event->mutex);
  event->signaled = false;
  uint64_t drained = 0;
  while (read(event->fd, &drained, sizeof drained) > 0) {
  }
  return true;
}

platform::EventHandle PosixCommPorts::CreateEventA(bool manualReset, bool initialState) {
  auto event = std::make_shared<Event>(manualReset);
  if (event->fd < 0) {
    SetLastError(ErrorFromErrno(errno));
    return 0;
  }
  if (initialState) Signal(*event);
  std::lock_guard<std::mutex> lock(mutex_);
  const std::uintptr_t handle = nextHandle_++;
  events_[handle] = event;
  return handle;
}

bool PosixCommPorts::WaitCommEvent(platform::CommHandle handle, uint32_t* eventMask,
                                   platform::Overlapped* overlapped) {
  auto port = FindPort(handle);
  if (!port) return Fail(win::ERROR_INVALID_HANDLE);
  if (overlapped == nullptr) return Fail(win::ERROR_INVALID_PARAMETER);
  auto event = FindEvent(overlapped->hEvent);
  if (event) ResetEvent(overlapped->hEvent);
  int input = 0;
  if (ioctl(port->fd, FIONREAD, &input) != 0) input = 0;
  std::unique_lock<std::mutex> lock(port->mutex);
  if ((port->mask & win::EV_RXCHAR) && input > 0) {
    port->pending = Port::Pending::None;
    if (eventMask != nullptr) *eventMask = win::EV_RXCHAR;
    lock.unlock();
    if (event) Signal(*event);
    return true;
  }
  port->pending = Port::Pending::CommEvent;
  port->overlapped = overlapped;
  port->eventOut = eventMask;
  return Fail(win::ERROR_IO_PENDING);
}

bool PosixCommPorts::ReadFile(platform::CommHandle handle, void* buffer, uint32_t count,
                              uint32_t* done, platform::Overlapped* overlapped) {
  auto port = FindPort(handle);
  if (!port) return Fail(win::ERROR_INVALID_HANDLE);
  std::shared_ptr<Event> event = overlapped ? FindEvent(overlapped->hEvent) : nullptr;
  if (event) ResetEvent(overlapped->hEvent);
  if (done != nullptr) *done = 0;
  int input = 0;
  if (ioctl(port->fd, FIONREAD, &input) != 0) input = 0;
  if (input > 0 || count == 0) {
    ssize_t got = 0;
    if (count > 0) {
      got = read(port->fd, buffer, count < static_cast<uint32_t>(input) ? count : input);
      if (got < 0) return Fail(ErrorFromErrno(errno));
    }
    std::unique_lock<std::mutex> lock(port->mutex);
    port->transferred = static_cast<uint32_t>(got);
    lock.unlock();
    if (done != nullptr) *done = static_cast<uint32_t>(got);
    if (event) Signal(*event);
    return true;
  }
  {
    std::lock_guard<std::mutex> lock(port->mutex);
    port->pending = Port::Pending::Read;
    port->overlapped = overlapped;
    port->readBuffer = static_cast<uint8_t*>(buffer);
    port->readCount = count;
    port->transferred = 0;
  }
  if (overlapped != nullptr) return Fail(win::ERROR_IO_PENDING);
  uint32_t transferred = 0;
  const bool ok = GetOverlappedResult(handle, nullptr, &transferred, true);
  if (done != nullptr) *done = transferred;
  return ok;
}

bool PosixCommPorts::WriteFile(platform::CommHandle handle, const void* buffer, uint32_t count,
                               uint32_t* done, platform::Overlapped* overlapped) {
  auto port = FindPort(handle);
  if (!port) return Fail(win::ERROR_INVALID_HANDLE);
  std::shared_ptr<Event> event = overlapped ? FindEvent(overlapped->hEvent) : nullptr;
  if (event) ResetEvent(overlapped->hEvent);
  platform::CommTimeouts timeouts;
  {
    std::lock_guard<std::mutex> lock(port->mutex);
    timeouts = port->timeouts;
  }
  const uint64_t totalMs =
      uint64_t{timeouts.WriteTotalTimeoutMultiplier} * count + timeouts.WriteTotalTimeoutConstant;
  const bool limited = totalMs != 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(totalMs);
  const auto* bytes = static_cast<const uint8_t*>(buffer);
  uint32_t written = 0;
  while (written < count) {
    const ssize_t put = write(port->fd, bytes + written, count - written);
    if (put > 0) {
      written += static_cast<uint32_t>(put);
      continue;
    }
    if (put < 0 && errno != EAGAIN && errno != EINTR) return Fail(ErrorFromErrno(errno));
    const int left = RemainingMs(limited, deadline);
    if (left == 0) break;  // the write time-out: done with what went out
    pollfd ready{port->fd, POLLOUT, 0};
    poll(&ready, 1, left);
  }
  {
    std::lock_guard<std::mutex> lock(port->mutex);
    port->transferred = written;
  }
  if (done != nullptr) *done = written;
  if (event) Signal(*event);
  return true;
}

bool PosixCommPorts::CompletePending(Port& port, bool mayBlock, uint32_t blockMs) {
  const bool limited = !mayBlock || blockMs != win::INFINITE;
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(mayBlock ? blockMs : 0);
  for (;;) {
    pollfd ready{port.fd, POLLIN, 0};
    const int result = poll(&ready, 1, RemainingMs(limited, deadline));
    std::unique_lock<std::mutex> lock(port.mutex);
    if (port.pending == Port::Pending::None) return true;
    if (result > 0 && (ready.revents & POLLIN)) {
      port.hungUp = false;
      platform::Overlapped* overlapped = port.overlapped;
      if (port.pending == Port::Pending::CommEvent) {
        if (port.eventOut != nullptr) *port.eventOut = win::EV_RXCHAR;
        port.transferred = 0;
      } else {
        const ssize_t got = read(port.fd, port.readBuffer, port.readCount);
        port.transferred = got > 0 ? static_cast<uint32_t>(got) : 0;
      }
      port.pending = Port::Pending::None;
      lock.unlock();
      if (overlapped != nullptr)
        if (auto event = FindEvent(overlapped->hEvent)) Signal(*event);
      return true;
    }
    if (result < 0 && errno == EINTR) continue;
    // Hung up or in error without data: nothing will come for now.
    if (result > 0) port.hungUp = true;
    const int left = RemainingMs(limited, deadline);
    if (left == 0) {
      if (!mayBlock || port.pending != Port::Pending::Read) return false;
      // A read that timed out completes with what it has: nothing.
      port.pending = Port::Pending::None;
      port.transferred = 0;
      platform::Overlapped* overlapped = port.overlapped;
      lock.unlock();
      if (overlapped != nullptr)
        if (auto event = FindEvent(overlapped->hEvent)) Signal(*event);
      return true;
    }
    const bool hungUp = port.hungUp;
    lock.unlock();
    // poll reports a hung-up tty at once: look again later instead of spinning.
    if (hungUp) poll(nullptr, 0, left < 0 || left > 100 ? 100 : left);
  }
}

bool PosixCommPorts::GetOverlappedResult(platform::CommHandle handle,
                                         platform::Overlapped* overlapped, uint32_t* transferred,
                                         bool wait) {
  auto port = FindPort(handle);
  if (!port) return Fail(win::ERROR_INVALID_HANDLE);
  uint32_t blockMs = win::INFINITE;
  bool pending = false;
  {
    std::lock_guard<std::mutex> lock(port->mutex);
    pending = port->pending != Port::Pending::None &&
              (overlapped == nullptr || port->overlapped == overlapped);
    if (pending && port->pending == Port::Pending::Read) {
      const uint64_t total = uint64_t{port->timeouts.ReadTotalTimeoutMultiplier} * port->readCount +
                             port->timeouts.ReadTotalTimeoutConstant;
      if (total != 0 && total < win::INFINITE) blockMs = static_cast<uint32_t>(total);
    }
  }
  if (pending && !CompletePending(*port, wait, blockMs)) {
    return Fail(wait ? win::ERROR_OPERATION_ABORTED : win::ERROR_IO_INCOMPLETE);
  }
  std::lock_guard<std::mutex> lock(port->mutex);
  if (transferred != nullptr) *transferred = port->transferred;
  return true;
}

uint32_t PosixCommPorts::WaitForMultipleObjects(std::span<const platform::EventHandle> handles,
                                                uint32_t timeoutMs) {
  const auto count = static_cast<uint32_t>(handles.size());
  std::vector<std::shared_ptr<Event>> events;
  for (uint32_t i = 0; i < count; ++i) {
    auto event = FindEvent(handles[i]);
    if (!event) {
      SetLastError(win::ERROR_INVALID_HANDLE);
      return win::WAIT_FAILED;
    }
    events.push_back(event);
  }
  const bool limited = timeoutMs != win::INFINITE;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    for (uint32_t i = 0; i < count; ++i) {
      std::lock_guard<std::mutex> lock(events[i]->mutex);
      if (events[i]->signaled) {
        if (!events[i]->manualReset) {
          events[i]->signaled = false;
          uint64_t drained = 0;
          while (read(events[i]->fd, &drained, sizeof drained) > 0) {
          }
        }
        return win::WAIT_OBJECT_0 + i;
      }
    }
    int left = RemainingMs(limited, deadline);
    if (left == 0) return win::WAIT_TIMEOUT;

    // The ports whose pending operation completes one of these events.
    std::vector<std::shared_ptr<Port>> ports;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      for (auto& [handle, port] : ports_) {
        std::lock_guard<std::mutex> portLock(port->mutex);
        if (port->pending == Port::Pending::None || port->overlapped == nullptr) continue;
        if (port->pending == Port::Pending::CommEvent && !(port->mask & win::EV_RXCHAR)) continue;
        for (uint32_t i = 0; i < count; ++i) {
          if (port->overlapped->hEvent == handles[i]) {
            ports.push_back(port);
            break;
          }
        }
      }
    }
    std::vector<pollfd> fds;
    for (auto& event : events) fds.push_back({event->fd, POLLIN, 0});
    bool hungUpPort = false;
    for (auto& port : ports) {
      std::lock_guard<std::mutex> portLock(port->mutex);
      if (port->hungUp) {
        hungUpPort = true;  // looked at again after a short while below
      } else {
        fds.push_back({port->fd, POLLIN, 0});
      }
    }
    if (hungUpPort && (left < 0 || left > 100)) left = 100;
    const int result = poll(fds.data(), fds.size(), left);
    if (result < 0 && errno != EINTR) {
      SetLastError(ErrorFromErrno(errno));
      return win::WAIT_FAILED;
    }
    for (auto& port : ports) CompletePending(*port, false, 0);
  }
}

uint32_t PosixCommPorts::GetLastError() { return tlsLastError; }

std::string PosixCommPorts::FormatMessageA(uint32_t errorCode) {
  return platform::CommErrorMessage(errorCode);
}

}  // namespace posix
