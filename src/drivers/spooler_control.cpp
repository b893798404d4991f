#include "drivers/spooler_control.h"

#include "platform/app_message_box.h"
#include "platform/win_constants.h"

namespace {

constexpr int kPollQueryLimit = 1000;
constexpr uint32_t kPollSleepMs = 5;

// Queries through `service` until `target` is reached or the query limit is
// used up. A failed query leaves the last known state as it was.
uint32_t PollForState(platform::Machine& machine, platform::ServiceHandle service, uint32_t state,
                      uint32_t target) {
  for (int queries = 0; state != target && queries < kPollQueryLimit; ++queries) {
    platform::ServiceStatus status;
    if (machine.services().QueryServiceStatus(service, status)) state = status.currentState;
    machine.clock().Sleep(kPollSleepMs);
  }
  return state;
}

// Through a second handle: stops the service first when `stopFirst`, then
// starts it and waits for it to run. 1 when it runs.
int32_t StartAndWait(platform::Machine& machine, platform::ServiceHandle manager,
                     platform::ServiceHandle query, const std::string& serviceName, uint32_t state,
                     bool stopFirst) {
  platform::ServiceManager& services = machine.services();
  const platform::ServiceHandle control =
      services.OpenServiceA(manager, serviceName, win::SERVICE_ALL_ACCESS);
  if (control == 0) return 0;
  if (stopFirst) {
    platform::ServiceStatus status;
    if (services.ControlService(control, win::SERVICE_CONTROL_STOP, status)) {
      state = status.currentState;
    }
    if (state != win::SERVICE_STOPPED) {
      state = PollForState(machine, query, state, win::SERVICE_STOPPED);
    }
  }
  // A service that will not stop is left alone rather than started twice.
  const bool stopped = state == win::SERVICE_STOPPED;
  if (stopped) {
    services.StartServiceA(control);
    state = PollForState(machine, query, state, win::SERVICE_RUNNING);
  }
  services.CloseServiceHandle(control);
  return stopped && state == win::SERVICE_RUNNING ? 1 : 0;
}

}  // namespace

int32_t SpoolerControl(platform::Machine& machine, platform::WindowId owner,
                       const std::string& serviceName, int32_t mode) {
  platform::ServiceManager& services = machine.services();
  const platform::ServiceHandle manager =
      services.OpenSCManagerA("ServicesActive", win::SC_MANAGER_ALL_ACCESS);
  const platform::ServiceHandle query =
      manager != 0 ? services.OpenServiceA(manager, serviceName, win::SERVICE_ALL_ACCESS) : 0;

  platform::ServiceStatus status;
  const bool known = query != 0 && services.QueryServiceStatus(query, status);
  int32_t result = 0;
  if (!known) {
    // Without a known state neither starting nor stopping is safe: the
    // service is left as it is and the result says it was not brought up.
    platform::AppMessageBox(machine, owner, "Service status is unknown",
                            win::MB_OK | win::MB_ICONINFORMATION);
  } else if (mode == EnsureRunning && status.currentState != win::SERVICE_STOPPED) {
    result = 1;
  } else {
    result = StartAndWait(machine, manager, query, serviceName, status.currentState,
                          status.currentState != win::SERVICE_STOPPED);
  }

  if (query != 0) services.CloseServiceHandle(query);
  if (manager != 0) services.CloseServiceHandle(manager);
  return result;
}
