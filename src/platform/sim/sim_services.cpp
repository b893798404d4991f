#include "platform/sim/sim_services.h"

#include "platform/sim/faults.h"
#include "platform/sim/last_error.h"
#include "platform/sim/names.h"
#include "platform/win_constants.h"

namespace sim {

namespace {

constexpr uint32_t kServiceControlInterrogate = 4;

bool Fail(uint32_t code) {
  SetLastError(code);
  return false;
}

void RunAll(const std::vector<std::function<void()>>& calls) {
  for (const auto& call : calls) {
    if (call) call();
  }
}

}  // namespace

SimServices::SimServices(Faults& faults, std::function<uint64_t()> nowMs)
    : faults_(faults), nowMs_(std::move(nowMs)) {
  AddService("Spooler", win::SERVICE_RUNNING);
}

SimServices::Service* SimServices::FindLocked(const std::string& name) {
  auto it = services_.find(UpperCase(name));
  return it == services_.end() ? nullptr : &it->second;
}

SimServices::Service* SimServices::FromHandleLocked(platform::ServiceHandle handle) {
  auto it = handles_.find(handle);
  if (it == handles_.end() || it->second.manager) return nullptr;
  return FindLocked(it->second.service);
}

std::vector<std::function<void()>> SimServices::Change(Service& service, uint32_t state) {
  std::vector<std::function<void()>> calls;
  const uint32_t before = service.state;
  service.state = state;
  service.since = nowMs_ ? nowMs_() : 0;
  service.checkPoint = 0;
  if (before == win::SERVICE_RUNNING && state != win::SERVICE_RUNNING) {
    calls.push_back(service.onLeftRunning);
  }
  if (before != win::SERVICE_RUNNING && state == win::SERVICE_RUNNING) {
    calls.push_back(service.onRunning);
  }
  return calls;
}

std::vector<std::function<void()>> SimServices::Advance(Service& service) {
  const uint64_t now = nowMs_ ? nowMs_() : 0;
  if (service.state == win::SERVICE_START_PENDING && now >= service.since + service.startMs) {
    return Change(service, win::SERVICE_RUNNING);
  }
  if (service.state == win::SERVICE_STOP_PENDING && !service.hangsOnStop &&
      now >= service.since + service.stopMs) {
    return Change(service, win::SERVICE_STOPPED);
  }
  return {};
}

void SimServices::Fill(const Service& service, platform::ServiceStatus& status) const {
  status.serviceType = kServiceWin32OwnProcess;
  status.currentState = service.state;
  status.controlsAccepted = service.state == win::SERVICE_RUNNING ? kServiceAcceptStop : 0;
  status.win32ExitCode = 0;
  const bool pending =
      service.state == win::SERVICE_START_PENDING || service.state == win::SERVICE_STOP_PENDING;
  status.checkPoint = pending ? service.checkPoint : 0;
  status.waitHint = !pending                                      ? 0
                    : service.state == win::SERVICE_START_PENDING ? service.startMs
                                                                  : service.stopMs;
}

platform::ServiceHandle SimServices::OpenSCManagerA(const std::string& database,
                                                    uint32_t /*access*/) {
  if (auto fault = faults_.Check("OpenSCManagerA")) {
    SetLastError(*fault);
    return 0;
  }
  if (!database.empty() && UpperCase(database) != "SERVICESACTIVE") {
    SetLastError(kErrorDatabaseDoesNotExist);
    return 0;
  }
  std::lock_guard lock(mutex_);
  const platform::ServiceHandle handle = nextHandle_;
  nextHandle_ += 4;
  handles_[handle] = Handle{true, ""};
  return handle;
}

platform::ServiceHandle SimServices::OpenServiceA(platform::ServiceHandle manager,
                                                  const std::string& serviceName,
                                                  uint32_t /*access*/) {
  if (auto fault = faults_.Check("OpenServiceA")) {
    SetLastError(*fault);
    return 0;
  }
  std::lock_guard lock(mutex_);
  auto it = handles_.find(manager);
  if (it == handles_.end() || !it->second.manager) {
    SetLastError(win::ERROR_INVALID_HANDLE);
    return 0;
  }
  if (!FindLocked(serviceName)) {
    SetLastError(win::ERROR_SERVICE_DOES_NOT_EXIST);
    return 0;
  }
  const platform::ServiceHandle handle = nextHandle_;
  nextHandle_ += 4;
  handles_[handle] = Handle{false, UpperCase(serviceName)};
  return handle;
}

bool SimServices::QueryServiceStatus(platform::ServiceHandle handle,
                                     platform::ServiceStatus& status) {
  if (auto fault = faults_.Check("QueryServiceStatus")) return Fail(*fault);
  std::vector<std::function<void()>> calls;
  {
    std::lock_guard lock(mutex_);
    Service* service = FromHandleLocked(handle);
    if (!service) return Fail(win::ERROR_INVALID_HANDLE);
    calls = Advance(*service);
    if (service->state == win::SERVICE_START_PENDING ||
        service->state == win::SERVICE_STOP_PENDING) {
      ++service->checkPoint;
    }
    Fill(*service, status);
  }
  RunAll(calls);
  return true;
}

bool SimServices::ControlService(platform::ServiceHandle handle, uint32_t control,
                                 platform::ServiceStatus& status) {
  if (auto fault = faults_.Check("ControlService")) return Fail(*fault);
  std::vector<std::function<void()>> calls;
  uint32_t error = win::ERROR_SUCCESS;
  {
    std::lock_guard lock(mutex_);
    Service* service = FromHandleLocked(handle);
    if (!service) return Fail(win::ERROR_INVALID_HANDLE);
    calls = Advance(*service);
    if (control == win::SERVICE_CONTROL_STOP) {
      if (service->state == win::SERVICE_STOPPED) {
        error = win::ERROR_SERVICE_NOT_ACTIVE;
      } else if (service->state != win::SERVICE_RUNNING) {
        error = win::ERROR_SERVICE_CANNOT_ACCEPT_CTRL;
      } else {
        auto more = Change(*service, win::SERVICE_STOP_PENDING);
        calls.insert(calls.end(), more.begin(), more.end());
        ++service->stops;
        if (service->stopMs == 0 && !service->hangsOnStop) {
          more = Change(*service, win::SERVICE_STOPPED);
          calls.insert(calls.end(), more.begin(), more.end());
        }
      }
    } else if (control != kServiceControlInterrogate) {
      error = kErrorInvalidServiceControl;
    }
    if (error == win::ERROR_SUCCESS) Fill(*service, status);
  }
  // Listeners run unlocked: they may call back into the service manager.
  RunAll(calls);
  return error == win::ERROR_SUCCESS ? true : Fail(error);
}

bool SimServices::StartServiceA(platform::ServiceHandle handle) {
  if (auto fault = faults_.Check("StartServiceA")) return Fail(*fault);
  std::vector<std::function<void()>> calls;
  uint32_t error = win::ERROR_SUCCESS;
  {
    std::lock_guard lock(mutex_);
    Service* service = FromHandleLocked(handle);
    if (!service) return Fail(win::ERROR_INVALID_HANDLE);
    calls = Advance(*service);
    if (service->state != win::SERVICE_STOPPED) {
      error = win::ERROR_SERVICE_ALREADY_RUNNING;
    } else {
      auto more = Change(*service, win::SERVICE_START_PENDING);
      calls.insert(calls.end(), more.begin(), more.end());
      ++service->starts;
      if (service->startMs == 0) {
        more = Change(*service, win::SERVICE_RUNNING);
        calls.insert(calls.end(), more.begin(), more.end());
      }
    }
  }
  RunAll(calls);
  return error == win::ERROR_SUCCESS ? true : Fail(error);
}

bool SimServices::CloseServiceHandle(platform::ServiceHandle handle) {
  if (auto fault = faults_.Check("CloseServiceHandle")) return Fail(*fault);
  std::lock_guard lock(mutex_);
  if (handles_.erase(handle) == 0) return Fail(win::ERROR_INVALID_HANDLE);
  return true;
}

void SimServices::AddService(const std::string& name, uint32_t state) {
  std::lock_guard lock(mutex_);
  Service service;
  service.name = name;
  service.state = state;
  services_[UpperCase(name)] = std::move(service);
}

void SimServices::SetState(const std::string& name, uint32_t state) {
  std::vector<std::function<void()>> calls;
  {
    std::lock_guard lock(mutex_);
    Service* service = FindLocked(name);
    if (!service) return;
    calls = Change(*service, state);
  }
  RunAll(calls);
}

uint32_t SimServices::State(const std::string& name) {
  std::vector<std::function<void()>> calls;
  uint32_t state = 0;
  {
    std::lock_guard lock(mutex_);
    Service* service = FindLocked(name);
    if (!service) return 0;
    calls = Advance(*service);
    state = service->state;
  }
  RunAll(calls);
  return state;
}

void SimServices::SetTransitionTimes(const std::string& name, uint32_t startMs, uint32_t stopMs) {
  std::lock_guard lock(mutex_);
  if (Service* service = FindLocked(name)) {
    service->startMs = startMs;
    service->stopMs = stopMs;
  }
}

void SimServices::SetHangsOnStop(const std::string& name, bool hangs) {
  std::lock_guard lock(mutex_);
  if (Service* service = FindLocked(name)) service->hangsOnStop = hangs;
}

int SimServices::Starts(const std::string& name) const {
  std::lock_guard lock(mutex_);
  auto it = services_.find(UpperCase(name));
  return it == services_.end() ? 0 : it->second.starts;
}

int SimServices::Stops(const std::string& name) const {
  std::lock_guard lock(mutex_);
  auto it = services_.find(UpperCase(name));
  return it == services_.end() ? 0 : it->second.stops;
}

size_t SimServices::OpenHandleCount() const {
  std::lock_guard lock(mutex_);
  return handles_.size();
}

void SimServices::SetListeners(const std::string& name, std::function<void()> onLeftRunning,
                               std::function<void()> onRunning) {
  std::lock_guard lock(mutex_);
  if (Service* service = FindLocked(name)) {
    service->onLeftRunning = std::move(onLeftRunning);
    service->onRunning = std::move(onRunning);
  }
}

}  // namespace sim
