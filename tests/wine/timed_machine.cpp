// The machine of the installer's measuring build (driver_setup_steps.exe):
// the Win32 machine with a clock on the platform calls. Every call through
// the registry, spooler, service, security, file, system and archive
// interfaces, and every wait, adds its time to the platform total (waits to
// their own total as well); calls through the window system (but the modal
// loop itself) add theirs to a window total, apart, since the program's
// status lines and progress steps are its own. step_times.cpp reports the
// totals. Calls through the thread and comm interfaces are not counted.
#include "timed_machine.h"

#include <atomic>

#include "platform/win32/win32_backends.h"
// After windows.h, which it needs.
#include <commctrl.h>

namespace {

std::atomic<long long> platformTicks{0};
std::atomic<long long> waitTicks{0};
std::atomic<long long> windowTicks{0};

long long Ticks() {
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  return counter.QuadPart;
}

double TicksToMilliseconds(long long ticks) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(ticks) / static_cast<double>(frequency.QuadPart);
}

// Adds the time of its own life to the platform total.
class PlatformCall {
 public:
  PlatformCall() : start_(Ticks()) {}
  ~PlatformCall() { platformTicks += Ticks() - start_; }
  PlatformCall(const PlatformCall&) = delete;
  PlatformCall& operator=(const PlatformCall&) = delete;

 private:
  long long start_;
};

// Adds the time of its own life to the window-system total, unless it runs
// inside another window-system call (a send whose handler drives controls).
class WindowCall {
 public:
  WindowCall() : start_(Ticks()), outermost_(depth_++ == 0) {}
  ~WindowCall() {
    --depth_;
    if (outermost_) windowTicks += Ticks() - start_;
  }
  WindowCall(const WindowCall&) = delete;
  WindowCall& operator=(const WindowCall&) = delete;

 private:
  static thread_local int depth_;
  long long start_;
  bool outermost_;
};
thread_local int WindowCall::depth_ = 0;

using namespace platform;
using namespace platform::win32;

class TimedRegistry : public Win32Registry {
 public:
  uint32_t RegOpenKeyExA(KeyHandle parent, const std::string& subKey, uint32_t access,
                         KeyHandle& result) override {
    PlatformCall timed;
    return Win32Registry::RegOpenKeyExA(parent, subKey, access, result);
  }
  uint32_t RegCreateKeyExA(KeyHandle parent, const std::string& subKey, uint32_t options,
                           uint32_t access, bool inheritHandle, KeyHandle& result,
                           uint32_t* disposition) override {
    PlatformCall timed;
    return Win32Registry::RegCreateKeyExA(parent, subKey, options, access, inheritHandle, result,
                                          disposition);
  }
  uint32_t RegSetValueExA(KeyHandle key, const std::string& valueName, uint32_t type,
                          const void* data, uint32_t size) override {
    PlatformCall timed;
    return Win32Registry::RegSetValueExA(key, valueName, type, data, size);
  }
  uint32_t RegQueryValueExA(KeyHandle key, const std::string& valueName, uint32_t* type, void* data,
                            uint32_t* size) override {
    PlatformCall timed;
    return Win32Registry::RegQueryValueExA(key, valueName, type, data, size);
  }
  uint32_t RegEnumValueA(KeyHandle key, uint32_t index, char* name, uint32_t* nameSize,
                         uint32_t* type, void* data, uint32_t* dataSize) override {
    PlatformCall timed;
    return Win32Registry::RegEnumValueA(key, index, name, nameSize, type, data, dataSize);
  }
  uint32_t RegCloseKey(KeyHandle key) override {
    PlatformCall timed;
    return Win32Registry::RegCloseKey(key);
  }
  uint32_t SHDeleteKeyA(KeyHandle key, const std::string& subKey) override {
    PlatformCall timed;
    return Win32Registry::SHDeleteKeyA(key, subKey);
  }
};

class TimedSpooler : public Win32Spooler {
 public:
  bool EnumPortsA(std::vector<PortInfo2>& ports) override {
    PlatformCall timed;
    return Win32Spooler::EnumPortsA(ports);
  }
  int AddPortA(WindowId owner, const std::string& monitorName) override {
    PlatformCall timed;
    return Win32Spooler::AddPortA(owner, monitorName);
  }
  bool ConfigurePortA(WindowId owner, const std::string& portName) override {
    PlatformCall timed;
    return Win32Spooler::ConfigurePortA(owner, portName);
  }
  bool DeletePortA(WindowId owner, const std::string& portName) override {
    PlatformCall timed;
    return Win32Spooler::DeletePortA(owner, portName);
  }
  bool EnumPrintersA(uint32_t flags, std::vector<PrinterInfo2>& printers) override {
    PlatformCall timed;
    return Win32Spooler::EnumPrintersA(flags, printers);
  }
  int OpenPrinterA(const std::string& printerName, PrinterHandle& printer,
                   const PrinterDefaults& defaults) override {
    PlatformCall timed;
    return Win32Spooler::OpenPrinterA(printerName, printer, defaults);
  }
  bool SetPrinterA(PrinterHandle printer, uint32_t level, uint32_t command) override {
    PlatformCall timed;
    return Win32Spooler::SetPrinterA(printer, level, command);
  }
  bool DeletePrinter(PrinterHandle printer) override {
    PlatformCall timed;
    return Win32Spooler::DeletePrinter(printer);
  }
  bool ClosePrinter(PrinterHandle printer) override {
    PlatformCall timed;
    return Win32Spooler::ClosePrinter(printer);
  }
  PrinterHandle AddPrinterA(const PrinterInfo2& info) override {
    PlatformCall timed;
    return Win32Spooler::AddPrinterA(info);
  }
  bool GetPrinterDriverDirectoryA(const std::string& environment, std::string& directory) override {
    PlatformCall timed;
    return Win32Spooler::GetPrinterDriverDirectoryA(environment, directory);
  }
  bool AddPrinterDriverExA(const DriverInfo3& info, uint32_t fileCopyFlags) override {
    PlatformCall timed;
    return Win32Spooler::AddPrinterDriverExA(info, fileCopyFlags);
  }
  bool DeletePrinterDriverA(const std::string& environment,
                            const std::string& driverName) override {
    PlatformCall timed;
    return Win32Spooler::DeletePrinterDriverA(environment, driverName);
  }
  bool AddMonitorA(const MonitorInfo2& info) override {
    PlatformCall timed;
    return Win32Spooler::AddMonitorA(info);
  }
  bool DeleteMonitorA(const std::string& environment, const std::string& monitorName) override {
    PlatformCall timed;
    return Win32Spooler::DeleteMonitorA(environment, monitorName);
  }
};

class TimedServiceManager : public Win32ServiceManager {
 public:
  ServiceHandle OpenSCManagerA(const std::string& database, uint32_t access) override {
    PlatformCall timed;
    return Win32ServiceManager::OpenSCManagerA(database, access);
  }
  ServiceHandle OpenServiceA(ServiceHandle manager, const std::string& serviceName,
                             uint32_t access) override {
    PlatformCall timed;
    return Win32ServiceManager::OpenServiceA(manager, serviceName, access);
  }
  bool QueryServiceStatus(ServiceHandle service, ServiceStatus& status) override {
    PlatformCall timed;
    return Win32ServiceManager::QueryServiceStatus(service, status);
  }
  bool ControlService(ServiceHandle service, uint32_t control, ServiceStatus& status) override {
    PlatformCall timed;
    return Win32ServiceManager::ControlService(service, control, status);
  }
  bool StartServiceA(ServiceHandle service) override {
    PlatformCall timed;
    return Win32ServiceManager::StartServiceA(service);
  }
  bool CloseServiceHandle(ServiceHandle handle) override {
    PlatformCall timed;
    return Win32ServiceManager::CloseServiceHandle(handle);
  }
};

class TimedSecurity : public Win32Security {
 public:
  bool OpenProcessToken(uint32_t desiredAccess, TokenHandle& token) override {
    PlatformCall timed;
    return Win32Security::OpenProcessToken(desiredAccess, token);
  }
  bool LookupPrivilegeValueA(const std::string& privilegeName, uint64_t& luid) override {
    PlatformCall timed;
    return Win32Security::LookupPrivilegeValueA(privilegeName, luid);
  }
  bool AdjustTokenPrivileges(TokenHandle token, uint64_t luid, uint32_t attributes) override {
    PlatformCall timed;
    return Win32Security::AdjustTokenPrivileges(token, luid, attributes);
  }
  bool CloseHandle(TokenHandle token) override {
    PlatformCall timed;
    return Win32Security::CloseHandle(token);
  }
  uint32_t GetNamedSecurityInfoA(const std::string& objectName,
                                 std::unique_ptr<Acl>& dacl) override {
    PlatformCall timed;
    return Win32Security::GetNamedSecurityInfoA(objectName, dacl);
  }
  uint32_t SetEntriesInAclA(const ExplicitAccess& entry, const Acl* oldAcl,
                            std::unique_ptr<Acl>& newAcl) override {
    PlatformCall timed;
    return Win32Security::SetEntriesInAclA(entry, oldAcl, newAcl);
  }
  uint32_t SetNamedSecurityInfoA(const std::string& objectName, const Acl& dacl) override {
    PlatformCall timed;
    return Win32Security::SetNamedSecurityInfoA(objectName, dacl);
  }
};

class TimedFileSystem : public Win32FileSystem {
 public:
  bool CopyFileA(const std::string& source, const std::string& target, bool failIfExists) override {
    PlatformCall timed;
    return Win32FileSystem::CopyFileA(source, target, failIfExists);
  }
  bool DeleteFileA(const std::string& path) override {
    PlatformCall timed;
    return Win32FileSystem::DeleteFileA(path);
  }
  bool CreateDirectoryA(const std::string& path) override {
    PlatformCall timed;
    return Win32FileSystem::CreateDirectoryA(path);
  }
  bool RemoveDirectoryA(const std::string& path) override {
    PlatformCall timed;
    return Win32FileSystem::RemoveDirectoryA(path);
  }
  FindHandle FindFirstFileA(const std::string& pattern, FindData& data) override {
    PlatformCall timed;
    return Win32FileSystem::FindFirstFileA(pattern, data);
  }
  bool FindNextFileA(FindHandle find, FindData& data) override {
    PlatformCall timed;
    return Win32FileSystem::FindNextFileA(find, data);
  }
  bool FindClose(FindHandle find) override {
    PlatformCall timed;
    return Win32FileSystem::FindClose(find);
  }
  uint32_t GetFileAttributesA(const std::string& path) override {
    PlatformCall timed;
    return Win32FileSystem::GetFileAttributesA(path);
  }
  uint32_t GetCurrentDirectoryA(std::string& directory, uint32_t maxLength) override {
    PlatformCall timed;
    return Win32FileSystem::GetCurrentDirectoryA(directory, maxLength);
  }
  uint32_t GetSystemDirectoryA(std::string& directory, uint32_t maxLength) override {
    PlatformCall timed;
    return Win32FileSystem::GetSystemDirectoryA(directory, maxLength);
  }
  uint32_t GetWindowsDirectoryA(std::string& directory, uint32_t maxLength) override {
    PlatformCall timed;
    return Win32FileSystem::GetWindowsDirectoryA(directory, maxLength);
  }
  uint32_t GetPrivateProfileSectionNamesA(char* buffer, uint32_t size,
                                          const std::string& fileName) override {
    PlatformCall timed;
    return Win32FileSystem::GetPrivateProfileSectionNamesA(buffer, size, fileName);
  }
  uint32_t GetPrivateProfileStringA(const std::string& section, const std::string& key,
                                    const char* defaultValue, char* buffer, uint32_t size,
                                    const std::string& fileName) override {
    PlatformCall timed;
    return Win32FileSystem::GetPrivateProfileStringA(section, key, defaultValue, buffer, size,
                                                     fileName);
  }
};

class TimedSystemInfo : public Win32SystemInfo {
 public:
  bool GetVersionExA(OsVersionInfo& info) override {
    PlatformCall timed;
    return Win32SystemInfo::GetVersionExA(info);
  }
  bool HasIsWow64Process() override {
    PlatformCall timed;
    return Win32SystemInfo::HasIsWow64Process();
  }
  bool IsWow64Process(bool& wow64) override {
    PlatformCall timed;
    return Win32SystemInfo::IsWow64Process(wow64);
  }
  std::string ApplicationTitle() override {
    PlatformCall timed;
    return Win32SystemInfo::ApplicationTitle();
  }
};

class TimedArchiveDll : public Win32ArchiveDll {
 public:
  bool LoadLibraryA(const std::string& fileName) override {
    PlatformCall timed;
    return Win32ArchiveDll::LoadLibraryA(fileName);
  }
  void FreeLibrary() override {
    PlatformCall timed;
    Win32ArchiveDll::FreeLibrary();
  }
  bool SetOwnerWindowEx(WindowId owner) override {
    PlatformCall timed;
    return Win32ArchiveDll::SetOwnerWindowEx(owner);
  }
  int SevenZip(WindowId owner, const std::string& command, char* output,
               uint32_t outputSize) override {
    PlatformCall timed;
    return Win32ArchiveDll::SevenZip(owner, command, output, outputSize);
  }
  bool KillOwnerWindowEx(WindowId owner) override {
    PlatformCall timed;
    return Win32ArchiveDll::KillOwnerWindowEx(owner);
  }
};

class TimedWindowSystem : public Win32WindowSystem {
 public:
  uint32_t RegisterWindowMessageA(const std::string& name) override {
    WindowCall timed;
    return Win32WindowSystem::RegisterWindowMessageA(name);
  }
  void EndDialog(WindowId dialog, std::intptr_t result) override {
    WindowCall timed;
    Win32WindowSystem::EndDialog(dialog, result);
  }
  int MessageBoxA(WindowId owner, const std::string& text, const std::string& caption,
                  uint32_t type) override {
    WindowCall timed;
    return Win32WindowSystem::MessageBoxA(owner, text, caption, type);
  }
  LResult SendMessageA(WindowId window, uint32_t message, WParam wParam, LParam lParam) override {
    WindowCall timed;
    return Win32WindowSystem::SendMessageA(window, message, wParam, lParam);
  }
  void SetTimer(WindowId window, std::uintptr_t timerId, uint32_t elapseMs) override {
    WindowCall timed;
    Win32WindowSystem::SetTimer(window, timerId, elapseMs);
  }
  void KillTimer(WindowId window, std::uintptr_t timerId) override {
    WindowCall timed;
    Win32WindowSystem::KillTimer(window, timerId);
  }
  void SetDlgItemTextA(WindowId dialog, int controlId, const std::string& text) override {
    WindowCall timed;
    Win32WindowSystem::SetDlgItemTextA(dialog, controlId, text);
  }
  std::string GetDlgItemTextA(WindowId dialog, int controlId) override {
    WindowCall timed;
    return Win32WindowSystem::GetDlgItemTextA(dialog, controlId);
  }
  void EnableDlgItem(WindowId dialog, int controlId, bool enable) override {
    WindowCall timed;
    Win32WindowSystem::EnableDlgItem(dialog, controlId, enable);
  }
  bool IsDlgItemEnabled(WindowId dialog, int controlId) override {
    WindowCall timed;
    return Win32WindowSystem::IsDlgItemEnabled(dialog, controlId);
  }
  void CheckDlgButton(WindowId dialog, int controlId, bool checked) override {
    WindowCall timed;
    Win32WindowSystem::CheckDlgButton(dialog, controlId, checked);
  }
  bool IsDlgButtonChecked(WindowId dialog, int controlId) override {
    WindowCall timed;
    return Win32WindowSystem::IsDlgButtonChecked(dialog, controlId);
  }
  void SetProgressPos(WindowId dialog, int controlId, int position) override {
    WindowCall timed;
    Win32WindowSystem::SetProgressPos(dialog, controlId, position);
  }
  int GetProgressPos(WindowId dialog, int controlId) override {
    WindowCall timed;
    return Win32WindowSystem::GetProgressPos(dialog, controlId);
  }
  void ComboResetContent(WindowId dialog, int controlId) override {
    WindowCall timed;
    Win32WindowSystem::ComboResetContent(dialog, controlId);
  }
  int ComboAddString(WindowId dialog, int controlId, const std::string& text) override {
    WindowCall timed;
    return Win32WindowSystem::ComboAddString(dialog, controlId, text);
  }
  void ComboSetCurSel(WindowId dialog, int controlId, int index) override {
    WindowCall timed;
    Win32WindowSystem::ComboSetCurSel(dialog, controlId, index);
  }
  int ComboGetCurSel(WindowId dialog, int controlId) override {
    WindowCall timed;
    return Win32WindowSystem::ComboGetCurSel(dialog, controlId);
  }
  int ComboGetCount(WindowId dialog, int controlId) override {
    WindowCall timed;
    return Win32WindowSystem::ComboGetCount(dialog, controlId);
  }
  std::string ComboGetItemText(WindowId dialog, int controlId, int index) override {
    WindowCall timed;
    return Win32WindowSystem::ComboGetItemText(dialog, controlId, index);
  }
  void ListDeleteAllItems(WindowId dialog, int controlId) override {
    WindowCall timed;
    Win32WindowSystem::ListDeleteAllItems(dialog, controlId);
  }
  int ListGetColumnCount(WindowId dialog, int controlId) override {
    WindowCall timed;
    return Win32WindowSystem::ListGetColumnCount(dialog, controlId);
  }
  void ListDeleteColumn(WindowId dialog, int controlId, int column) override {
    WindowCall timed;
    Win32WindowSystem::ListDeleteColumn(dialog, controlId, column);
  }
  void ListInsertColumn(WindowId dialog, int controlId, int column, const std::string& heading,
                        int format, int widthPixels) override {
    WindowCall timed;
    Win32WindowSystem::ListInsertColumn(dialog, controlId, column, heading, format, widthPixels);
  }
  void ListSetColumnWidth(WindowId dialog, int controlId, int column, int widthPixels) override {
    WindowCall timed;
    Win32WindowSystem::ListSetColumnWidth(dialog, controlId, column, widthPixels);
  }
  uint32_t ListGetExtendedStyle(WindowId dialog, int controlId) override {
    WindowCall timed;
    return Win32WindowSystem::ListGetExtendedStyle(dialog, controlId);
  }
  void ListSetExtendedStyle(WindowId dialog, int controlId, uint32_t style) override {
    WindowCall timed;
    Win32WindowSystem::ListSetExtendedStyle(dialog, controlId, style);
  }
  int ListInsertItem(WindowId dialog, int controlId, int row, const std::string& text) override {
    WindowCall timed;
    return Win32WindowSystem::ListInsertItem(dialog, controlId, row, text);
  }
  void ListSetItemText(WindowId dialog, int controlId, int row, int column,
                       const std::string& text) override {
    WindowCall timed;
    Win32WindowSystem::ListSetItemText(dialog, controlId, row, column, text);
  }
  std::string ListGetItemText(WindowId dialog, int controlId, int row, int column) override {
    WindowCall timed;
    return Win32WindowSystem::ListGetItemText(dialog, controlId, row, column);
  }
  int ListGetItemCount(WindowId dialog, int controlId) override {
    WindowCall timed;
    return Win32WindowSystem::ListGetItemCount(dialog, controlId);
  }
  uint32_t ListGetItemState(WindowId dialog, int controlId, int row, uint32_t mask) override {
    WindowCall timed;
    return Win32WindowSystem::ListGetItemState(dialog, controlId, row, mask);
  }
  void ListSetItemState(WindowId dialog, int controlId, int row, uint32_t state,
                        uint32_t mask) override {
    WindowCall timed;
    Win32WindowSystem::ListSetItemState(dialog, controlId, row, state, mask);
  }
};

class TimedClock : public Win32Clock {
 public:
  void Sleep(uint32_t milliseconds) override {
    const long long start = Ticks();
    Win32Clock::Sleep(milliseconds);
    const long long spent = Ticks() - start;
    platformTicks += spent;
    waitTicks += spent;
  }
  uint32_t GetTickCount() override {
    PlatformCall timed;
    return Win32Clock::GetTickCount();
  }
};

class TimedMachine : public Machine {
 public:
  Registry& registry() override { return registry_; }
  Spooler& spooler() override { return spooler_; }
  ServiceManager& services() override { return services_; }
  Security& security() override { return security_; }
  FileSystem& files() override { return files_; }
  SystemInfo& system() override { return system_; }
  Clock& clock() override { return clock_; }
  Threads& threads() override { return threads_; }
  WindowSystem& ui() override { return ui_; }
  ArchiveDll& archive() override { return archive_; }
  CommPorts& comm() override { return comm_; }
  uint32_t GetLastError() override { return ::GetLastError(); }

 private:
  TimedRegistry registry_;
  TimedSpooler spooler_;
  TimedServiceManager services_;
  TimedSecurity security_;
  TimedFileSystem files_;
  TimedSystemInfo system_;
  TimedClock clock_;
  Win32Threads threads_;
  TimedWindowSystem ui_;
  TimedArchiveDll archive_;
  Win32CommPorts comm_;
};

}  // namespace

PlatformTotals CurrentPlatformTotals() {
  return PlatformTotals{TicksToMilliseconds(platformTicks.load()),
                        TicksToMilliseconds(waitTicks.load()),
                        TicksToMilliseconds(windowTicks.load())};
}

std::unique_ptr<platform::Machine> CreateTimedMachine() {
  INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX),
                                ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&controls);
  return std::make_unique<TimedMachine>();
}
