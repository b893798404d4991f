// The simulated service control manager. It knows the "Spooler" service
// (running on a fresh machine) and any service a test adds. Start and stop
// take a configurable time in the machine's virtual milliseconds: a started
// service is START_PENDING until that time has passed, a stopped one
// STOP_PENDING; the state moves on when it is next looked at. A service can
// be made to hang in STOP_PENDING for ever.
//
// Listeners hear a service leave RUNNING and reach RUNNING; the machine uses
// them to stop and restart the simulated spooler.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/services.h"

namespace sim {

class Faults;

inline constexpr uint32_t kErrorInvalidServiceControl = 1052;
inline constexpr uint32_t kErrorDatabaseDoesNotExist = 1065;
inline constexpr uint32_t kServiceAcceptStop = 1;
inline constexpr uint32_t kServiceWin32OwnProcess = 0x10;

class SimServices : public platform::ServiceManager {
 public:
  // `nowMs` reads the machine's virtual time.
  SimServices(Faults& faults, std::function<uint64_t()> nowMs);

  // --- platform::ServiceManager ---
  // "ServicesActive" or the empty name; anything else ERROR_DATABASE_DOES_NOT_EXIST.
  platform::ServiceHandle OpenSCManagerA(const std::string& database, uint32_t access) override;
  // Unknown service: ERROR_SERVICE_DOES_NOT_EXIST.
  platform::ServiceHandle OpenServiceA(platform::ServiceHandle manager,
                                       const std::string& serviceName, uint32_t access) override;
  bool QueryServiceStatus(platform::ServiceHandle service,
                          platform::ServiceStatus& status) override;
  // SERVICE_CONTROL_STOP: a stopped service gives ERROR_SERVICE_NOT_ACTIVE, a
  // pending one ERROR_SERVICE_CANNOT_ACCEPT_CTRL.
  bool ControlService(platform::ServiceHandle service, uint32_t control,
                      platform::ServiceStatus& status) override;
  // A service that is not stopped gives ERROR_SERVICE_ALREADY_RUNNING.
  bool StartServiceA(platform::ServiceHandle service) override;
  bool CloseServiceHandle(platform::ServiceHandle handle) override;

  // --- Seeding and inspection (no faults) ---
  void AddService(const std::string& name, uint32_t state = 4 /* SERVICE_RUNNING */);
  // Sets the state at once (listeners are told, as for a real change).
  void SetState(const std::string& name, uint32_t state);
  // The current state after any transition that is due; 0 for an unknown service.
  uint32_t State(const std::string& name);
  // Virtual milliseconds spent in START_PENDING and STOP_PENDING.
  void SetTransitionTimes(const std::string& name, uint32_t startMs, uint32_t stopMs);
  // A service that never leaves STOP_PENDING once asked to stop.
  void SetHangsOnStop(const std::string& name, bool hangs = true);
  // Successful StartServiceA and SERVICE_CONTROL_STOP calls.
  int Starts(const std::string& name) const;
  int Stops(const std::string& name) const;
  size_t OpenHandleCount() const;
  void SetListeners(const std::string& name, std::function<void()> onLeftRunning,
                    std::function<void()> onRunning);

 private:
  struct Service {
    std::string name;
    uint32_t state = 4;
    uint64_t since = 0;  // when the pending state began
    uint32_t startMs = 40;
    uint32_t stopMs = 20;
    bool hangsOnStop = false;
    uint32_t checkPoint = 0;
    int starts = 0;
    int stops = 0;
    std::function<void()> onLeftRunning;
    std::function<void()> onRunning;
  };
  struct Handle {
    bool manager = false;
    std::string service;  // upper case
  };

  // Moves pending states on; returns the listeners to call once unlocked.
  std::vector<std::function<void()>> Advance(Service& service);
  std::vector<std::function<void()>> Change(Service& service, uint32_t state);
  Service* FindLocked(const std::string& name);
  Service* FromHandleLocked(platform::ServiceHandle handle);
  void Fill(const Service& service, platform::ServiceStatus& status) const;

  Faults& faults_;
  std::function<uint64_t()> nowMs_;
  mutable std::mutex mutex_;
  std::map<std::string, Service> services_;  // by upper-case name
  std::map<platform::ServiceHandle, Handle> handles_;
  platform::ServiceHandle nextHandle_ = 0x3000;
};

}  // namespace sim
