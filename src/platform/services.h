// The service control manager, one to one with the ANSI calls.
#pragma once

#include <cstdint>
#include <string>

#include "platform/handles.h"

namespace platform {

struct ServiceStatus {  // SERVICE_STATUS, the fields the installer reads
  uint32_t serviceType = 0;
  uint32_t currentState = 0;
  uint32_t controlsAccepted = 0;
  uint32_t win32ExitCode = 0;
  uint32_t checkPoint = 0;
  uint32_t waitHint = 0;
};

class ServiceManager {
 public:
  virtual ~ServiceManager() = default;

  // Local machine. Returns 0 on failure.
  virtual ServiceHandle OpenSCManagerA(const std::string& database, uint32_t access) = 0;
  virtual ServiceHandle OpenServiceA(ServiceHandle manager, const std::string& serviceName,
                                     uint32_t access) = 0;
  virtual bool QueryServiceStatus(ServiceHandle service, ServiceStatus& status) = 0;
  virtual bool ControlService(ServiceHandle service, uint32_t control, ServiceStatus& status) = 0;
  // No arguments.
  virtual bool StartServiceA(ServiceHandle service) = 0;
  virtual bool CloseServiceHandle(ServiceHandle handle) = 0;
};

}  // namespace platform
