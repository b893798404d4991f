#include "platform/win32/win32_backends.h"

namespace platform::win32 {

namespace {
SC_HANDLE ToService(ServiceHandle handle) { return reinterpret_cast<SC_HANDLE>(handle); }

void Copy(const SERVICE_STATUS& from, ServiceStatus& to) {
  to.serviceType = from.dwServiceType;
  to.currentState = from.dwCurrentState;
  to.controlsAccepted = from.dwControlsAccepted;
  to.win32ExitCode = from.dwWin32ExitCode;
  to.checkPoint = from.dwCheckPoint;
  to.waitHint = from.dwWaitHint;
}
}  // namespace

ServiceHandle Win32ServiceManager::OpenSCManagerA(const std::string& database, uint32_t access) {
  return reinterpret_cast<ServiceHandle>(
      ::OpenSCManagerA(nullptr, database.empty() ? nullptr : database.c_str(), access));
}

ServiceHandle Win32ServiceManager::OpenServiceA(ServiceHandle manager,
                                                const std::string& serviceName, uint32_t access) {
  return reinterpret_cast<ServiceHandle>(
      ::OpenServiceA(ToService(manager), serviceName.c_str(), access));
}

bool Win32ServiceManager::QueryServiceStatus(ServiceHandle service, ServiceStatus& status) {
  SERVICE_STATUS raw{};
  BOOL ok = ::QueryServiceStatus(ToService(service), &raw);
  if (ok) Copy(raw, status);
  return ok != FALSE;
}

bool Win32ServiceManager::ControlService(ServiceHandle service, uint32_t control,
                                         ServiceStatus& status) {
  SERVICE_STATUS raw{};
  BOOL ok = ::ControlService(ToService(service), control, &raw);
  Copy(raw, status);
  return ok != FALSE;
}

bool Win32ServiceManager::StartServiceA(ServiceHandle service) {
  return ::StartServiceA(ToService(service), 0, nullptr) != FALSE;
}

bool Win32ServiceManager::CloseServiceHandle(ServiceHandle handle) {
  return ::CloseServiceHandle(ToService(handle)) != FALSE;
}

}  // namespace platform::win32
