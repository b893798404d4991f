#include "ports/serial_channel.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/comm.h"
#include "platform/comm_constants.h"
#include "platform/win_constants.h"
#include "ports/port_kind.h"

namespace {

constexpr uint32_t kPurgeAll =
    win::PURGE_TXABORT | win::PURGE_RXABORT | win::PURGE_TXCLEAR | win::PURGE_RXCLEAR;
constexpr uint32_t kDriverQueueBytes = 2048;
constexpr uint32_t kTimeoutMs = 1000;
constexpr char kEventChar = 'q';

constexpr uint32_t kShutdownIndex = 0;
constexpr uint32_t kCommEventIndex = 1;
constexpr uint32_t kWriteIndex = 2;
// After a comm event that reported nothing: how long the thread rests at
// most, and how often it looks at the input count meanwhile.
constexpr uint32_t kEmptyEventPauseMs = 100;
constexpr uint32_t kEmptyEventPollMs = 10;

}  // namespace

std::string SerialErrorText(const std::string& operation, const std::string& systemText,
                            int32_t portNumber) {
  // Built to the size it needs: a long system text cannot overrun it.
  return "WARNING:  " + operation + " Failed with the following error: \n" + systemText +
         "\nPort: " + std::to_string(portNumber) + "\n";
}

struct SerialChannel::State {
  explicit State(platform::CommPorts& ports) : comm(ports) {}

  platform::CommPorts& comm;
  uint32_t writeCount = 1;
  // Written by the monitoring thread when it ends, read by the owner's thread.
  std::atomic<platform::CommHandle> commHandle{0};
  std::unique_ptr<platform::Thread> monitorThread;
  std::atomic<int32_t> threadAlive{0};
  platform::EventHandle writeEvent = 0;
  platform::EventHandle shutdownEvent = 0;
  platform::EventHandle waitEvents[3] = {0, 0, 0};
  // The comm-event wait and the reads share `overlapped` (a read only starts
  // once the wait has completed); the write has its own, since it starts
  // while the wait is pending and Windows forbids reusing an OVERLAPPED
  // before its operation ends.
  platform::Overlapped overlapped;
  platform::Overlapped writeOverlapped;
  // Where a pending WaitCommEvent stores the event: it may complete after
  // the loop iteration that armed it.
  uint32_t commEvent = 0;
  platform::CommTimeouts timeouts;
  platform::Dcb dcb;
  platform::WindowId owner = 0;
  int32_t portNumber = 0;
  std::vector<uint8_t> writeBuffer;
  uint32_t eventMask = 0;
  uint32_t writeBufferSize = 0;
  // Under ioLock: texts not yet taken by the owner, and whether this opening
  // has reported one.
  std::vector<std::string> errors;
  bool errorReported = false;
  // Held around configuration, error queries, reads, purges and writes on
  // the port, and around writeBuffer; never while a notification is sent or
  // an error box is shown.
  std::mutex ioLock;
};

SerialChannel::SerialChannel(platform::Machine& machine)
    : machine_(machine), state_(std::make_unique<State>(machine.comm())) {}

SerialChannel::~SerialChannel() {
  StopMonitoring();
  const platform::CommHandle port = state_->commHandle.exchange(0);
  if (port != 0) state_->comm.CloseHandle(port);
  CloseEvents(nullptr);
}

void SerialChannel::StopMonitoring() {
  State& s = *state_;
  if (!s.monitorThread) return;
  if (s.shutdownEvent != 0) s.comm.SetEvent(s.shutdownEvent);
  s.monitorThread->Wait();
  s.monitorThread.reset();
}

void SerialChannel::CloseEvents(bool* writeEventClosed) {
  State& s = *state_;
  if (s.shutdownEvent != 0) s.comm.CloseHandle(s.shutdownEvent);
  s.shutdownEvent = 0;
  if (s.overlapped.hEvent != 0) s.comm.CloseHandle(s.overlapped.hEvent);
  s.overlapped.hEvent = 0;
  if (s.writeOverlapped.hEvent != 0) s.comm.CloseHandle(s.writeOverlapped.hEvent);
  s.writeOverlapped.hEvent = 0;
  bool closed = false;
  if (s.writeEvent != 0) closed = s.comm.CloseHandle(s.writeEvent);
  s.writeEvent = 0;
  std::fill(std::begin(s.waitEvents), std::end(s.waitEvents), 0);
  if (writeEventClosed != nullptr) *writeEventClosed = closed;
}

bool SerialChannel::Open(platform::WindowId owner, int32_t portNumber, int32_t baudRate,
                         char parity, int32_t dataBits, int32_t stopBits, uint32_t eventMask,
                         uint32_t writeBufferSize) {
  State& s = *state_;
  StopMonitoring();

  // Fresh events for each opening; the old ones are closed, not leaked.
  CloseEvents(nullptr);
  s.overlapped = platform::Overlapped();
  s.overlapped.hEvent = s.comm.CreateEventA(true, false);
  s.writeOverlapped = platform::Overlapped();
  s.writeOverlapped.hEvent = s.comm.CreateEventA(true, false);
  s.writeEvent = s.comm.CreateEventA(true, false);
  s.shutdownEvent = s.comm.CreateEventA(true, false);
  s.waitEvents[kShutdownIndex] = s.shutdownEvent;
  s.waitEvents[kCommEventIndex] = s.overlapped.hEvent;
  s.waitEvents[kWriteIndex] = s.writeEvent;

  std::lock_guard<std::mutex> lock(s.ioLock);
  s.owner = owner;
  s.writeBuffer.assign(writeBufferSize, 0);
  s.portNumber = portNumber;
  s.writeBufferSize = writeBufferSize;
  s.eventMask = eventMask;
  s.errorReported = false;

  const platform::CommHandle previous = s.commHandle.exchange(0);
  if (previous != 0) s.comm.CloseHandle(previous);

  // Without its events the monitoring loop could neither be stopped nor
  // wait: such a channel must not open.
  if (s.overlapped.hEvent == 0 || s.writeOverlapped.hEvent == 0 || s.writeEvent == 0 ||
      s.shutdownEvent == 0) {
    return false;
  }

  const std::string device = "\\\\.\\COM" + std::to_string(portNumber);
  char settings[64];
  std::snprintf(settings, sizeof settings, "baud=%d parity=%c data=%d stop=%d",
                static_cast<int>(baudRate), parity, static_cast<int>(dataBits),
                static_cast<int>(stopBits));

  platform::CommPorts& comm = s.comm;
  const platform::CommHandle port =
      comm.CreateFileA(device, win::GENERIC_READ | win::GENERIC_WRITE, 0, win::OPEN_EXISTING,
                       win::FILE_FLAG_OVERLAPPED);
  if (port == 0) return false;

  s.timeouts.ReadIntervalTimeout = kTimeoutMs;
  s.timeouts.ReadTotalTimeoutMultiplier = kTimeoutMs;
  s.timeouts.ReadTotalTimeoutConstant = kTimeoutMs;
  s.timeouts.WriteTotalTimeoutMultiplier = kTimeoutMs;
  s.timeouts.WriteTotalTimeoutConstant = kTimeoutMs;

  bool configured = comm.SetupComm(port, kDriverQueueBytes, kDriverQueueBytes) &&
                    comm.SetCommTimeouts(port, s.timeouts) && comm.SetCommMask(port, eventMask) &&
                    comm.GetCommState(port, s.dcb);
  if (configured) {
    s.dcb.EvtChar = kEventChar;
    s.dcb.fRtsControl = win::RTS_CONTROL_ENABLE;
    configured = comm.BuildCommDCBA(settings, s.dcb) && comm.SetCommState(port, s.dcb);
  }
  if (!configured) {
    comm.CloseHandle(port);
    return false;
  }
  comm.PurgeComm(port, kPurgeAll);
  s.commHandle.store(port);
  return true;
}

bool SerialChannel::StartMonitoring() {
  State& s = *state_;
  // One thread per port: a second one would race the first for every event.
  if (s.monitorThread && !s.monitorThread->Finished()) return true;
  s.monitorThread.reset();
  if (s.commHandle.load() == 0) return false;
  s.comm.ResetEvent(s.shutdownEvent);
  s.monitorThread = machine_.threads().StartThread([this] { MonitorLoop(); });
  return s.monitorThread != nullptr;
}

void SerialChannel::Write(const uint8_t* bytes, uint32_t count) {
  State& s = *state_;
  {
    std::lock_guard<std::mutex> lock(s.ioLock);
    // A request longer than the buffer is refused whole: a cut request would
    // reach the printer as a different command.
    if (count > s.writeBuffer.size()) return;
    std::memset(s.writeBuffer.data(), 0, std::min<size_t>(4, s.writeBuffer.size()));
    if (count > 0) std::memcpy(s.writeBuffer.data(), bytes, count);
    s.writeCount = count;
  }
  if (s.writeEvent != 0) s.comm.SetEvent(s.writeEvent);
}

bool SerialChannel::Close() {
  StopMonitoring();
  const platform::CommHandle port = state_->commHandle.exchange(0);
  if (port != 0) state_->comm.CloseHandle(port);
  bool writeEventClosed = false;
  CloseEvents(&writeEventClosed);
  return writeEventClosed;
}

bool SerialChannel::IsOpen() const { return state_->commHandle.load() != 0; }

std::vector<std::string> SerialChannel::TakeErrors() {
  std::lock_guard<std::mutex> lock(state_->ioLock);
  return std::exchange(state_->errors, {});
}

bool SerialChannel::ShutdownRequested() {
  State& s = *state_;
  const platform::EventHandle shutdown[] = {s.shutdownEvent};
  return s.comm.WaitForMultipleObjects(shutdown, 0) == win::WAIT_OBJECT_0;
}

bool SerialChannel::PauseAfterEmptyEvent() {
  // Windows completes a comm wait with no event only when the mask changes;
  // Wine does so on a pseudo-terminal again and again, data or not, and each
  // wait costs it a thread. So the thread watches the input count itself for
  // a while before it arms the wait again: input, a write request or the end
  // cut the pause short.
  State& s = *state_;
  const platform::EventHandle wake[2] = {s.shutdownEvent, s.writeEvent};
  for (uint32_t waited = 0; waited < kEmptyEventPauseMs; waited += kEmptyEventPollMs) {
    const uint32_t signalled = s.comm.WaitForMultipleObjects(wake, kEmptyEventPollMs);
    if (signalled == win::WAIT_OBJECT_0) return false;
    if (signalled == win::WAIT_OBJECT_0 + 1) {
      SendPending();
      return true;
    }
    platform::ComStat stat;
    uint32_t errors = 0;
    {
      std::lock_guard<std::mutex> lock(s.ioLock);
      s.comm.ClearCommError(s.commHandle.load(), &errors, &stat);
    }
    if (stat.cbInQue != 0) return true;
  }
  return true;
}

void SerialChannel::Notify(uint32_t message, platform::WParam wParam) {
  machine_.ui().SendMessageA(state_->owner, message, wParam,
                             static_cast<platform::LParam>(state_->portNumber));
}

void SerialChannel::MonitorLoop() {
  State& s = *state_;
  platform::CommPorts& comm = s.comm;
  s.threadAlive.store(1);
  const platform::CommHandle port = s.commHandle.load();
  if (port != 0) {
    std::lock_guard<std::mutex> lock(s.ioLock);
    comm.PurgeComm(port, kPurgeAll);
  }
  for (;;) {
    if (comm.WaitCommEvent(port, &s.commEvent, &s.overlapped)) {
      platform::ComStat stat;
      uint32_t errors = 0;
      comm.ClearCommError(port, &errors, &stat);
      // An event without data: arm the wait again after a pause.
      if (stat.cbInQue == 0) {
        if (!PauseAfterEmptyEvent()) break;
        continue;
      }
    } else {
      comm.GetLastError();  // normally ERROR_IO_PENDING; nothing to do with it
    }

    const uint32_t signalled = comm.WaitForMultipleObjects(s.waitEvents, win::INFINITE);
    if (signalled == win::WAIT_OBJECT_0 + kShutdownIndex) break;
    if (signalled == win::WAIT_OBJECT_0 + kCommEventIndex) {
      const uint32_t occurred = s.commEvent;
      // The mask set at opening, not the event that occurred: Wine completes
      // the wait on a pseudo-terminal with an empty event, and ReceiveChars
      // relies on the input count alone.
      uint32_t mask = 0;
      comm.GetCommMask(port, mask);
      if ((mask & win::EV_RXCHAR) && !ReceiveChars() && !PauseAfterFailure()) break;
      if (mask & win::EV_CTS) Notify(win::WM_USER + 2, 0);
      if (mask & win::EV_BREAK) Notify(win::WM_USER + 1, 0);
      if (mask & win::EV_ERR) Notify(win::WM_USER + 4, 0);
      if (mask & win::EV_RING) Notify(win::WM_USER + 5, 0);
      if (mask & win::EV_RXFLAG) Notify(win::WM_USER + 8, 0);
      if (occurred == 0 && !PauseAfterEmptyEvent()) break;
    } else if (signalled == win::WAIT_OBJECT_0 + kWriteIndex) {
      SendPending();
    }
  }
  const platform::CommHandle open = s.commHandle.exchange(0);
  if (open != 0) comm.CloseHandle(open);
  s.threadAlive.store(0);
}

bool SerialChannel::PauseAfterFailure() {
  State& s = *state_;
  const platform::EventHandle shutdown[] = {s.shutdownEvent};
  return s.comm.WaitForMultipleObjects(shutdown, kEmptyEventPauseMs) != win::WAIT_OBJECT_0;
}

bool SerialChannel::ReceiveChars() {
  State& s = *state_;
  platform::CommPorts& comm = s.comm;
  const platform::CommHandle port = s.commHandle.load();
  bool readReady = true;
  for (;;) {
    // A port that keeps receiving must not keep the thread from ending: the
    // bytes not read yet go with the port.
    if (ShutdownRequested()) return true;
    platform::ComStat stat;
    {
      std::lock_guard<std::mutex> lock(s.ioLock);
      uint32_t errors = 0;
      comm.ClearCommError(port, &errors, &stat);
    }
    if (stat.cbInQue == 0) return true;

    uint8_t byte = 0;
    uint32_t count = 0;
    const char* failed = nullptr;
    uint32_t failure = 0;
    {
      std::lock_guard<std::mutex> lock(s.ioLock);
      if (readReady) {
        if (!comm.ReadFile(port, &byte, 1, &count, &s.overlapped)) {
          failure = comm.GetLastError();
          if (failure == win::ERROR_IO_PENDING) {
            readReady = false;
          } else {
            failed = "ReadFile()";
          }
        }
      }
      if (!readReady) {
        readReady = true;
        if (!comm.GetOverlappedResult(port, &s.overlapped, &count, true)) {
          failure = comm.GetLastError();
          failed = "GetOverlappedResults() in ReadFile()";
        }
      }
    }
    if (failed != nullptr) {
      // A failed read delivers nothing: passing on a byte that never came
      // would make a faulty port look like an answering printer.
      ReportError(failed, failure);
      return false;
    }
    // A read that timed out completes with nothing: no byte, no answer.
    if (count == 0) return true;
    Notify(WM_SERIALDATA, byte);
  }
}

void SerialChannel::SendPending() {
  State& s = *state_;
  platform::CommPorts& comm = s.comm;
  comm.ResetEvent(s.writeEvent);
  const platform::CommHandle port = s.commHandle.load();
  const char* failed = nullptr;
  uint32_t failure = 0;
  {
    std::lock_guard<std::mutex> lock(s.ioLock);
    s.writeOverlapped.Offset = 0;
    s.writeOverlapped.OffsetHigh = 0;
    // Whatever came in before the request is not its answer.
    comm.PurgeComm(port, kPurgeAll);
    uint32_t written = 0;
    const uint32_t count =
        std::min<uint32_t>(s.writeCount, static_cast<uint32_t>(s.writeBuffer.size()));
    if (!comm.WriteFile(port, s.writeBuffer.data(), count, &written, &s.writeOverlapped)) {
      failure = comm.GetLastError();
      if (failure == win::ERROR_IO_PENDING) {
        comm.GetOverlappedResult(port, &s.writeOverlapped, &written, true);
      } else {
        failed = "WriteFile()";
      }
    }
  }
  if (failed != nullptr) ReportError(failed, failure);
}

void SerialChannel::ReportError(const char* operation, uint32_t errorCode) {
  State& s = *state_;
  const std::string text =
      SerialErrorText(operation, s.comm.FormatMessageA(errorCode), s.portNumber);
  {
    std::lock_guard<std::mutex> lock(s.ioLock);
    if (s.errorReported) return;
    s.errorReported = true;
    s.errors.push_back(text);
  }
  machine_.ui().PostMessageA(s.owner, WM_SERIALERROR, 0,
                             static_cast<platform::LParam>(s.portNumber));
}
