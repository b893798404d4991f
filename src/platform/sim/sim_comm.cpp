#include "platform/sim/sim_comm.h"

#include <algorithm>
#include <cstring>
#include <deque>

#include "platform/comm_constants.h"
#include "platform/sim/last_error.h"
#include "platform/win_constants.h"

namespace sim {

struct SimComm::DeviceState {
  uint32_t openError = 0;
  bool hasPrinter = false;
  SimPrinter printer;
  SimDeviceRecord record;
  uint64_t openSerial = 0;  // the opening currently holding it; 0 when closed
  bool emptyCommEvents = false;
  int emptyReads = 0;  // reads still to complete with no byte
};

struct SimComm::Port {
  enum class Pending { None, CommEvent, Read };

  int number = 0;
  uint64_t openSerial = 0;
  uint32_t mask = 0;
  platform::CommTimeouts timeouts;
  platform::Dcb dcb;
  std::deque<uint8_t> input;
  Pending pending = Pending::None;
  platform::Overlapped* overlapped = nullptr;
  uint32_t* eventOut = nullptr;
  uint8_t* readBuffer = nullptr;
  uint32_t readCount = 0;
  uint32_t transferred = 0;
};

struct SimComm::EventState {
  bool manualReset = true;
  bool signaled = false;
};

struct SimComm::Waiter {
  std::vector<platform::EventHandle> events;
  bool woken = false;
  bool timedOut = false;
};

namespace {

bool Fail(uint32_t error) {
  SetLastError(error);
  return false;
}

}  // namespace

template <typename Fn>
auto SimComm::Locked(Fn&& fn) const {
  using Result = decltype(fn());
  if constexpr (std::is_void_v<Result>) {
    dispatcher_.Notify([&] { fn(); });
  } else {
    Result result{};
    dispatcher_.Notify([&] { result = fn(); });
    return result;
  }
}

SimComm::SimComm(SimClock& clock, Dispatcher& dispatcher, Faults& faults)
    : clock_(clock), dispatcher_(dispatcher), faults_(faults) {}

SimComm::~SimComm() = default;

bool SimComm::Check(const char* call) {
  if (auto error = faults_.Check(call)) {
    SetLastError(*error);
    return false;
  }
  return true;
}

void SimComm::AddDevice(int number, uint32_t openError) {
  Locked([&] {
    auto& device = devices_[number];
    if (!device) device = std::make_unique<DeviceState>();
    device->openError = openError;
  });
}

void SimComm::CompleteCommWaitsEmpty(int number) {
  Locked([&] {
    auto& device = devices_[number];
    if (!device) device = std::make_unique<DeviceState>();
    device->emptyCommEvents = true;
  });
}

void SimComm::CompleteNextReadEmpty(int number) {
  Locked([&] {
    auto& device = devices_[number];
    if (!device) device = std::make_unique<DeviceState>();
    device->emptyReads += 1;
  });
}

bool SimComm::ReusesPendingLocked(const Port& port, const platform::Overlapped* overlapped) {
  return overlapped != nullptr && port.pending != Port::Pending::None &&
         port.overlapped == overlapped;
}

void SimComm::AttachPrinter(int number, const SimPrinter& printer) {
  Locked([&] {
    auto& device = devices_[number];
    if (!device) device = std::make_unique<DeviceState>();
    device->hasPrinter = true;
    device->printer = printer;
    device->printer.delayMs = std::max<uint32_t>(1, printer.delayMs);
  });
}

void SimComm::Arrive(int number, const std::vector<uint8_t>& bytes) {
  const uint64_t serial = Locked([&]() -> uint64_t {
    auto device = devices_.find(number);
    return device == devices_.end() ? 0 : device->second->openSerial;
  });
  if (serial != 0) Deliver(number, serial, bytes);
}

void SimComm::Deliver(int number, uint64_t openSerial, const std::vector<uint8_t>& bytes) {
  Locked([&] {
    for (auto& [handle, port] : ports_) {
      if (port->number != number || port->openSerial != openSerial) continue;
      port->input.insert(port->input.end(), bytes.begin(), bytes.end());
      CompletePendingLocked(*port);
    }
  });
  // The reader has left its wait; let it read and report before time goes on.
  AwaitWokenWaiters();
  dispatcher_.WaitIdle();
}

SimDeviceRecord SimComm::Device(int number) const {
  return Locked([&] {
    auto device = devices_.find(number);
    if (device == devices_.end()) return SimDeviceRecord();
    SimDeviceRecord record = device->second->record;
    record.open = device->second->openSerial != 0;
    return record;
  });
}

std::vector<int> SimComm::OpenOrder() const {
  return Locked([&] { return openOrder_; });
}

int SimComm::OpenHandles() const {
  return Locked([&] { return static_cast<int>(ports_.size() + events_.size()); });
}

int SimComm::WaitCommEventCalls() const {
  return Locked([&] { return waitCommEventCalls_; });
}

SimComm::Port* SimComm::PortLocked(platform::CommHandle handle) {
  auto port = ports_.find(handle);
  return port == ports_.end() ? nullptr : port->second.get();
}

void SimComm::SignalLocked(platform::EventHandle handle) {
  auto event = events_.find(handle);
  if (event == events_.end()) return;
  event->second->signaled = true;
  for (Waiter* waiter : waiters_) {
    if (std::find(waiter->events.begin(), waiter->events.end(), handle) != waiter->events.end()) {
      waiter->woken = true;
    }
  }
}

void SimComm::CompletePendingLocked(Port& port) {
  if (port.input.empty() || port.pending == Port::Pending::None) return;
  if (port.pending == Port::Pending::CommEvent) {
    if (!(port.mask & win::EV_RXCHAR)) return;
    if (port.eventOut != nullptr) *port.eventOut = win::EV_RXCHAR;
    port.transferred = 0;
  } else {
    uint32_t count = 0;
    while (count < port.readCount && !port.input.empty()) {
      port.readBuffer[count++] = port.input.front();
      port.input.pop_front();
    }
    port.transferred = count;
    auto device = devices_.find(port.number);
    if (device != devices_.end()) device->second->record.delivered += count;
  }
  port.pending = Port::Pending::None;
  if (port.overlapped != nullptr) SignalLocked(port.overlapped->hEvent);
}

void SimComm::AwaitWokenWaiters() {
  dispatcher_.WaitUntil([this] {
    return std::none_of(waiters_.begin(), waiters_.end(), [](Waiter* w) { return w->woken; });
  });
}

platform::CommHandle SimComm::CreateFileA(const std::string& name, uint32_t, uint32_t, uint32_t,
                                          uint32_t) {
  if (!Check("CreateFileA")) return 0;
  const int number = platform::CommDeviceNumber(name);
  uint32_t error = 0;
  const platform::CommHandle handle = Locked([&]() -> platform::CommHandle {
    auto device = devices_.find(number);
    if (number < 0 || device == devices_.end()) {
      error = win::ERROR_FILE_NOT_FOUND;
      return 0;
    }
    DeviceState& found = *device->second;
    if (found.openError != 0 || found.openSerial != 0) {
      // A comm port opens once, without sharing.
      error = found.openError != 0 ? found.openError : win::ERROR_ACCESS_DENIED;
      return 0;
    }
    auto port = std::make_unique<Port>();
    port->number = number;
    port->openSerial = nextOpenSerial_++;
    port->dcb = found.record.dcb;
    if (port->dcb.BaudRate == 0) port->dcb.BaudRate = 9600;
    found.openSerial = port->openSerial;
    found.record.opens += 1;
    openOrder_.push_back(number);
    const platform::CommHandle made = nextHandle_++;
    ports_[made] = std::move(port);
    return made;
  });
  if (handle == 0) SetLastError(error);
  return handle;
}

bool SimComm::CloseHandle(std::uintptr_t handle) {
  if (!Check("CloseHandle")) return false;
  const bool closed = Locked([&] {
    auto port = ports_.find(handle);
    if (port != ports_.end()) {
      auto device = devices_.find(port->second->number);
      if (device != devices_.end() && device->second->openSerial == port->second->openSerial) {
        device->second->openSerial = 0;
      }
      ports_.erase(port);
      return true;
    }
    return events_.erase(handle) != 0;
  });
  return closed ? true : Fail(win::ERROR_INVALID_HANDLE);
}

bool SimComm::SetupComm(platform::CommHandle handle, uint32_t inQueue, uint32_t outQueue) {
  if (!Check("SetupComm")) return false;
  const bool found = Locked([&] {
    Port* port = PortLocked(handle);
    if (port == nullptr) return false;
    auto& record = devices_[port->number]->record;
    record.inQueue = inQueue;
    record.outQueue = outQueue;
    return true;
  });
  return found ? true : Fail(win::ERROR_INVALID_HANDLE);
}

bool SimComm::SetCommTimeouts(platform::CommHandle handle, const platform::CommTimeouts& timeouts) {
  if (!Check("SetCommTimeouts")) return false;
  const bool found = Locked([&] {
    Port* port = PortLocked(handle);
    if (port == nullptr) return false;
    port->timeouts = timeouts;
    devices_[port->number]->record.timeouts = timeouts;
    return true;
  });
  return found ? true : Fail(win::ERROR_INVALID_HANDLE);
}

bool SimComm::SetCommMask(platform::CommHandle handle, uint32_t eventMask) {
  if (!Check("SetCommMask")) return false;
  const bool found = Locked([&] {
    Port* port = PortLocked(handle);
    if (port == nullptr) return false;
    port->mask = eventMask;
    devices_[port->number]->record.mask = eventMask;
    return true;
  });
  return found ? true : Fail(win::ERROR_INVALID_HANDLE);
}

bool SimComm::GetCommMask(platform::CommHandle handle, uint32_t& eventMask) {
  if (!Check("GetCommMask")) return false;
  uint32_t mask = 0;
  const bool found = Locked([&] {
    Port* port = PortLocked(handle);
    if (port == nullptr) return false;
    mask = port->mask;
    return true;
  });
  if (!found) return Fail(win::ERROR_INVALID_HANDLE);
  eventMask = mask;
  return true;
}

bool SimComm::GetCommState(platform::CommHandle handle, platform::Dcb& dcb) {
  if (!Check("GetCommState")) return false;
  platform::Dcb state;
  const bool found = Locked([&] {
    Port* port = PortLocked(handle);
    if (port == nullptr) return false;
    state = port->dcb;
    return true;
  });
  if (!found) return Fail(win::ERROR_INVALID_HANDLE);
  dcb = state;
  return true;
}

bool SimComm::BuildCommDCBA(const std::string& definition, platform::Dcb& dcb) {
  if (!Check("BuildCommDCBA")) return false;
  return platform::ParseCommDefinition(definition, dcb) ? true : Fail(win::ERROR_INVALID_PARAMETER);
}

bool SimComm::SetCommState(platform::CommHandle handle, const platform::Dcb& dcb) {
  if (!Check("SetCommState")) return false;
  if (dcb.BaudRate == 0 || dcb.ByteSize < 5 || dcb.ByteSize > 8) {
    return Fail(win::ERROR_INVALID_PARAMETER);
  }
  const bool found = Locked([&] {
    Port* port = PortLocked(handle);
    if (port == nullptr) return false;
    port->dcb = dcb;
    devices_[port->number]->record.dcb = dcb;
    return true;
  });
  return found ? true : Fail(win::ERROR_INVALID_HANDLE);
}

bool SimComm::PurgeComm(platform::CommHandle handle, uint32_t flags) {
  if (!Check("PurgeComm")) return false;
  const bool found = Locked([&] {
    Port* port = PortLocked(handle);
    if (port == nullptr) return false;
    auto& record = devices_[port->number]->record;
    record.purges += 1;
    if (flags & win::PURGE_RXCLEAR) {
      record.discarded += static_cast<uint32_t>(port->input.size());
      port->input.clear();
    }
    if ((flags & win::PURGE_RXABORT) && port->pending == Port::Pending::Read) {
      port->pending = Port::Pending::None;
      port->transferred = 0;
      if (port->overlapped != nullptr) SignalLocked(port->overlapped->hEvent);
    }
    return true;
  });
  if (!found) return Fail(win::ERROR_INVALID_HANDLE);
  AwaitWokenWaiters();
  return true;
}

bool SimComm::ClearCommError(platform::CommHandle handle, uint32_t* errors,
                             platform::ComStat* stat) {
  if (!Check("ClearCommError")) return false;
  uint32_t input = 0;
  const bool found = Locked([&] {
    Port* port = PortLocked(handle);
    if (port == nullptr) return false;
    input = static_cast<uint32_t>(port->input.size());
    return true;
  });
  if (!found) return Fail(win::ERROR_INVALID_HANDLE);
  if (errors != nullptr) *errors = 0;
  if (stat != nullptr) {
    stat->cbInQue = input;
    stat->cbOutQue = 0;
  }
  return true;
}

bool SimComm::WaitCommEvent(platform::CommHandle handle, uint32_t* eventMask,
                            platform::Overlapped* overlapped) {
  if (!Check("WaitCommEvent")) return false;
  if (overlapped == nullptr) return Fail(win::ERROR_INVALID_PARAMETER);
  enum { kMissing, kReused, kDone, kPending } outcome = kMissing;
  Locked([&] {
    ++waitCommEventCalls_;
    Port* port = PortLocked(handle);
    if (port == nullptr) return;
    if (ReusesPendingLocked(*port, overlapped)) {
      outcome = kReused;
      return;
    }
    auto event = events_.find(overlapped->hEvent);
    if (event != events_.end()) event->second->signaled = false;
    auto device = devices_.find(port->number);
    if (device != devices_.end() && device->second->emptyCommEvents) {
      // Pending, and already complete with no event.
      port->pending = Port::Pending::None;
      if (eventMask != nullptr) *eventMask = 0;
      SignalLocked(overlapped->hEvent);
      outcome = kPending;
      return;
    }
    if ((port->mask & win::EV_RXCHAR) && !port->input.empty()) {
      port->pending = Port::Pending::None;
      if (eventMask != nullptr) *eventMask = win::EV_RXCHAR;
      SignalLocked(overlapped->hEvent);
      outcome = kDone;
      return;
    }
    port->pending = Port::Pending::CommEvent;
    port->overlapped = overlapped;
    port->eventOut = eventMask;
    outcome = kPending;
  });
  if (outcome == kMissing) return Fail(win::ERROR_INVALID_HANDLE);
  if (outcome == kReused) return Fail(win::ERROR_INVALID_PARAMETER);
  if (outcome == kPending) return Fail(win::ERROR_IO_PENDING);
  return true;
}

bool SimComm::ReadFile(platform::CommHandle handle, void* buffer, uint32_t count, uint32_t* done,
                       platform::Overlapped* overlapped) {
  if (!Check("ReadFile")) return false;
  if (done != nullptr) *done = 0;
  enum { kMissing, kReused, kDone, kPending } outcome = kMissing;
  uint32_t got = 0;
  Locked([&] {
    Port* port = PortLocked(handle);
    if (port == nullptr) return;
    if (ReusesPendingLocked(*port, overlapped)) {
      outcome = kReused;
      return;
    }
    if (overlapped != nullptr) {
      auto event = events_.find(overlapped->hEvent);
      if (event != events_.end()) event->second->signaled = false;
    }
    int& emptyReads = devices_[port->number]->emptyReads;
    if (emptyReads > 0) {
      // Timed out: complete, with nothing read.
      --emptyReads;
      port->transferred = 0;
      if (overlapped != nullptr) SignalLocked(overlapped->hEvent);
      outcome = kDone;
      return;
    }
    if (!port->input.empty() || count == 0) {
      auto* bytes = static_cast<uint8_t*>(buffer);
      while (got < count && !port->input.empty()) {
        bytes[got++] = port->input.front();
        port->input.pop_front();
      }
      port->transferred = got;
      devices_[port->number]->record.delivered += got;
      if (overlapped != nullptr) SignalLocked(overlapped->hEvent);
      outcome = kDone;
      return;
    }
    port->pending = Port::Pending::Read;
    port->overlapped = overlapped;
    port->readBuffer = static_cast<uint8_t*>(buffer);
    port->readCount = count;
    port->transferred = 0;
    outcome = kPending;
  });
  if (outcome == kMissing) return Fail(win::ERROR_INVALID_HANDLE);
  if (outcome == kReused) return Fail(win::ERROR_INVALID_PARAMETER);
  if (outcome == kPending) {
    if (overlapped != nullptr) return Fail(win::ERROR_IO_PENDING);
    uint32_t transferred = 0;
    const bool ok = GetOverlappedResult(handle, nullptr, &transferred, true);
    if (done != nullptr) *done = transferred;
    return ok;
  }
  if (done != nullptr) *done = got;
  return true;
}

bool SimComm::WriteFile(platform::CommHandle handle, const void* buffer, uint32_t count,
                        uint32_t* done, platform::Overlapped* overlapped) {
  if (!Check("WriteFile")) return false;
  const auto* bytes = static_cast<const uint8_t*>(buffer);
  const std::vector<uint8_t> written(bytes, bytes + count);
  bool found = false;
  bool answer = false;
  int number = 0;
  uint64_t serial = 0;
  bool reused = false;
  SimPrinter printer;
  Locked([&] {
    Port* port = PortLocked(handle);
    if (port == nullptr) return;
    found = true;
    if (ReusesPendingLocked(*port, overlapped)) {
      reused = true;
      return;
    }
    if (overlapped != nullptr) {
      auto event = events_.find(overlapped->hEvent);
      if (event != events_.end()) event->second->signaled = false;
    }
    DeviceState& device = *devices_[port->number];
    device.record.writes.push_back(written);
    port->transferred = count;
    if (overlapped != nullptr) SignalLocked(overlapped->hEvent);
    if (!device.hasPrinter) return;
    printer = device.printer;
    const bool rateMatches = printer.baudRate == 0 || printer.baudRate == port->dcb.BaudRate;
    const bool known = printer.requests.empty() ||
                       std::find(printer.requests.begin(), printer.requests.end(), written) !=
                           printer.requests.end();
    answer = rateMatches && known && !printer.answer.empty();
    number = port->number;
    serial = port->openSerial;
  });
  if (!found) return Fail(win::ERROR_INVALID_HANDLE);
  if (reused) return Fail(win::ERROR_INVALID_PARAMETER);
  if (done != nullptr) *done = count;
  if (answer) {
    // The answer reaches the port while the clock passes its moment, whoever
    // moves the clock; a port closed by then loses it.
    clock_.At(clock_.NowMs() + printer.delayMs,
              [this, number, serial, reply = printer.answer] { Deliver(number, serial, reply); });
  }
  return true;
}

bool SimComm::GetOverlappedResult(platform::CommHandle handle, platform::Overlapped* overlapped,
                                  uint32_t* transferred, bool wait) {
  if (!Check("GetOverlappedResult")) return false;
  auto pendingLocked = [&](bool& missing) {
    Port* port = PortLocked(handle);
    missing = port == nullptr;
    return port != nullptr && port->pending != Port::Pending::None &&
           (overlapped == nullptr || port->overlapped == overlapped);
  };
  bool missing = false;
  bool pending = Locked([&] { return pendingLocked(missing); });
  if (missing) return Fail(win::ERROR_INVALID_HANDLE);
  if (pending && !wait) return Fail(win::ERROR_IO_INCOMPLETE);
  if (pending) {
    dispatcher_.WaitUntil([&] {
      bool gone = false;
      return !pendingLocked(gone) || gone;
    });
  }
  uint32_t count = 0;
  const bool found = Locked([&] {
    Port* port = PortLocked(handle);
    if (port == nullptr) return false;
    count = port->transferred;
    return true;
  });
  if (!found) return Fail(win::ERROR_OPERATION_ABORTED);
  if (transferred != nullptr) *transferred = count;
  return true;
}

platform::EventHandle SimComm::CreateEventA(bool manualReset, bool initialState) {
  if (!Check("CreateEventA")) return 0;
  return Locked([&] {
    auto event = std::make_unique<EventState>();
    event->manualReset = manualReset;
    event->signaled = initialState;
    const platform::EventHandle handle = nextHandle_++;
    events_[handle] = std::move(event);
    return handle;
  });
}

void SimComm::BeforeSetEvent(std::function<void()> hook) {
  Locked([&] { beforeSetEvent_ = std::move(hook); });
}

bool SimComm::SetEvent(platform::EventHandle handle) {
  if (!Check("SetEvent")) return false;
  const std::function<void()> hook = Locked([&] { return beforeSetEvent_; });
  if (hook) hook();
  const bool found = Locked([&] {
    if (events_.count(handle) == 0) return false;
    SignalLocked(handle);
    return true;
  });
  if (!found) return Fail(win::ERROR_INVALID_HANDLE);
  // The woken thread counts as running before this returns, so the window
  // system cannot take the machine for idle in between.
  AwaitWokenWaiters();
  return true;
}

bool SimComm::ResetEvent(platform::EventHandle handle) {
  if (!Check("ResetEvent")) return false;
  const bool found = Locked([&] {
    auto event = events_.find(handle);
    if (event == events_.end()) return false;
    event->second->signaled = false;
    return true;
  });
  return found ? true : Fail(win::ERROR_INVALID_HANDLE);
}

uint32_t SimComm::WaitForMultipleObjects(std::span<const platform::EventHandle> handles,
                                         uint32_t timeoutMs) {
  const auto count = static_cast<uint32_t>(handles.size());
  if (!Check("WaitForMultipleObjects")) return win::WAIT_FAILED;
  // Lock held: the first signalled event (consumed when auto-reset), or -1.
  auto takeLocked = [&]() -> int {
    for (uint32_t i = 0; i < count; ++i) {
      auto event = events_.find(handles[i]);
      if (event != events_.end() && event->second->signaled) {
        if (!event->second->manualReset) event->second->signaled = false;
        return static_cast<int>(i);
      }
    }
    return -1;
  };
  bool valid = true;
  int index = Locked([&] {
    for (uint32_t i = 0; i < count; ++i) valid = valid && events_.count(handles[i]) != 0;
    return valid ? takeLocked() : -1;
  });
  if (!valid) {
    SetLastError(win::ERROR_INVALID_HANDLE);
    return win::WAIT_FAILED;
  }
  if (index >= 0) return win::WAIT_OBJECT_0 + static_cast<uint32_t>(index);
  if (timeoutMs == 0) return win::WAIT_TIMEOUT;

  auto waiter = std::make_shared<Waiter>();
  waiter->events.assign(handles.begin(), handles.end());
  Locked([&] { waiters_.insert(waiter.get()); });
  if (timeoutMs != win::INFINITE) {
    std::weak_ptr<Waiter> weak = waiter;
    clock_.At(clock_.NowMs() + timeoutMs, [this, weak] {
      bool woke = false;
      Locked([&] {
        auto w = weak.lock();
        if (w && waiters_.count(w.get()) != 0) {
          w->timedOut = true;
          w->woken = true;
          woke = true;
        }
      });
      // As for an answer: the woken thread does its work before time goes on.
      if (woke) {
        AwaitWokenWaiters();
        dispatcher_.WaitIdle();
      }
    });
  }
  // Counts as idle while it waits: the window system may move the clock on.
  dispatcher_.WaitUntil([&] {
    for (uint32_t i = 0; i < count; ++i) {
      auto event = events_.find(handles[i]);
      if (event == events_.end() || event->second->signaled) return true;
    }
    return waiter->timedOut;
  });
  uint32_t result = win::WAIT_TIMEOUT;
  Locked([&] {
    waiters_.erase(waiter.get());
    bool vanished = false;
    for (uint32_t i = 0; i < count; ++i) vanished = vanished || events_.count(handles[i]) == 0;
    const int taken = takeLocked();
    if (taken >= 0) {
      result = win::WAIT_OBJECT_0 + static_cast<uint32_t>(taken);
    } else if (vanished) {
      result = win::WAIT_FAILED;
    }
  });
  if (result == win::WAIT_FAILED) SetLastError(win::ERROR_INVALID_HANDLE);
  return result;
}

uint32_t SimComm::GetLastError() { return LastError(); }

std::string SimComm::FormatMessageA(uint32_t errorCode) {
  return platform::CommErrorMessage(errorCode);
}

}  // namespace sim
