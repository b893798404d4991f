// The Win32 implementations of the platform interfaces, one class per
// interface. Only the files of this folder include windows.h.
#pragma once

#include <windows.h>
// After windows.h, which it needs.
#include <accctrl.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/machine.h"
#include "platform/win32/win32_comm.h"

namespace platform::win32 {

inline HWND ToHwnd(WindowId id) { return reinterpret_cast<HWND>(id); }
inline WindowId FromHwnd(HWND hwnd) { return reinterpret_cast<WindowId>(hwnd); }
inline HANDLE ToHandle(std::uintptr_t value) { return reinterpret_cast<HANDLE>(value); }
inline std::uintptr_t FromHandle(HANDLE handle) { return reinterpret_cast<std::uintptr_t>(handle); }

// A string that Win32 may read through a non-const pointer (several ANSI
// signatures lack the const); null when empty where the call treats null as
// "none".
class MutableString {
 public:
  explicit MutableString(const std::string& text) : buffer_(text.begin(), text.end()) {
    buffer_.push_back('\0');
  }
  char* get() { return buffer_.data(); }
  char* getOrNull() { return buffer_.size() == 1 ? nullptr : buffer_.data(); }

 private:
  std::vector<char> buffer_;
};

// A library of the system folder, by its full path; null when it did not
// load. Kept loaded for the life of the process.
HMODULE LoadSystemLibrary(const char* fileName);

// A block the system allocated for the caller, released with LocalFree.
template <typename T>
class LocalBlock {
 public:
  LocalBlock() = default;
  ~LocalBlock() {
    if (block_ != nullptr) ::LocalFree(block_);
  }
  LocalBlock(const LocalBlock&) = delete;
  LocalBlock& operator=(const LocalBlock&) = delete;
  T* receive() { return &block_; }
  T get() const { return block_; }

 private:
  T block_ = nullptr;
};

// A SID from its string form ("S-1-5-32-544"), freed with LocalFree; null
// when the text is no SID.
PSID AllocateSidFromString(const std::string& text);
// The string form of a SID; empty for an invalid one.
std::string SidToString(PSID sid);
// The owner of an open object, as a SID string; empty when the object
// records none (a file on a FAT volume) or it cannot be read.
std::string OwnerOf(HANDLE object, SE_OBJECT_TYPE type);
// A SID of the process's token, as a string: its user (TokenUser) or the
// owner it gives the objects it creates (TokenOwner); empty when unreadable.
std::string ProcessTokenSid(TOKEN_INFORMATION_CLASS which);

class Win32Registry : public Registry {
 public:
  uint32_t RegOpenKeyExA(KeyHandle parent, const std::string& subKey, uint32_t access,
                         KeyHandle& result) override;
  uint32_t RegCreateKeyExA(KeyHandle parent, const std::string& subKey, uint32_t options,
                           uint32_t access, bool inheritHandle, KeyHandle& result,
                           uint32_t* disposition) override;
  uint32_t RegSetValueExA(KeyHandle key, const std::string& valueName, uint32_t type,
                          const void* data, uint32_t size) override;
  uint32_t RegQueryValueExA(KeyHandle key, const std::string& valueName, uint32_t* type, void* data,
                            uint32_t* size) override;
  uint32_t RegEnumValueA(KeyHandle key, uint32_t index, char* name, uint32_t* nameSize,
                         uint32_t* type, void* data, uint32_t* dataSize) override;
  uint32_t RegCloseKey(KeyHandle key) override;
  uint32_t SHDeleteKeyA(KeyHandle key, const std::string& subKey) override;
  ~Win32Registry() override;

 private:
  // The shell's library is loaded at the first deletion of a tree, not with
  // the program: the start-up never deletes one, and every start would pay
  // for loading it and what it needs.
  std::mutex shellLock_;
  HMODULE shell_ = nullptr;
  LSTATUS(WINAPI* deleteTree_)(HKEY, LPCSTR) = nullptr;
};

class Win32Spooler : public Spooler {
 public:
  bool EnumPortsA(std::vector<PortInfo2>& ports) override;
  int AddPortA(WindowId owner, const std::string& monitorName) override;
  bool ConfigurePortA(WindowId owner, const std::string& portName) override;
  bool DeletePortA(WindowId owner, const std::string& portName) override;
  bool EnumPrintersA(uint32_t flags, std::vector<PrinterInfo2>& printers) override;
  int OpenPrinterA(const std::string& printerName, PrinterHandle& printer,
                   const PrinterDefaults& defaults) override;
  bool SetPrinterA(PrinterHandle printer, uint32_t level, uint32_t command) override;
  bool DeletePrinter(PrinterHandle printer) override;
  bool ClosePrinter(PrinterHandle printer) override;
  PrinterHandle AddPrinterA(const PrinterInfo2& info) override;
  bool GetPrinterDriverDirectoryA(const std::string& environment, std::string& directory) override;
  bool AddPrinterDriverExA(const DriverInfo3& info, uint32_t fileCopyFlags) override;
  bool DeletePrinterDriverA(const std::string& environment, const std::string& driverName) override;
  bool AddMonitorA(const MonitorInfo2& info) override;
  bool DeleteMonitorA(const std::string& environment, const std::string& monitorName) override;
};

class Win32ServiceManager : public ServiceManager {
 public:
  ServiceHandle OpenSCManagerA(const std::string& database, uint32_t access) override;
  ServiceHandle OpenServiceA(ServiceHandle manager, const std::string& serviceName,
                             uint32_t access) override;
  bool QueryServiceStatus(ServiceHandle service, ServiceStatus& status) override;
  bool ControlService(ServiceHandle service, uint32_t control, ServiceStatus& status) override;
  bool StartServiceA(ServiceHandle service) override;
  bool CloseServiceHandle(ServiceHandle handle) override;
};

class Win32Security : public Security {
 public:
  bool OpenProcessToken(uint32_t desiredAccess, TokenHandle& token) override;
  bool LookupPrivilegeValueA(const std::string& privilegeName, uint64_t& luid) override;
  bool AdjustTokenPrivileges(TokenHandle token, uint64_t luid, uint32_t attributes) override;
  bool CloseHandle(TokenHandle token) override;
  bool GetProcessUserSid(std::string& sid) override;
  uint32_t GetNamedSecurityInfoA(const std::string& objectName,
                                 std::unique_ptr<Acl>& dacl) override;
  uint32_t SetEntriesInAclA(const ExplicitAccess& entry, const Acl* oldAcl,
                            std::unique_ptr<Acl>& newAcl) override;
  uint32_t SetNamedSecurityInfoA(const std::string& objectName, const Acl& dacl) override;
};

class Win32FileSystem : public FileSystem {
 public:
  bool CopyFileA(const std::string& source, const std::string& target, bool failIfExists) override;
  bool DeleteFileA(const std::string& path) override;
  bool MoveFileExA(const std::string& existing, const std::string& newName,
                   uint32_t flags) override;
  bool CreateDirectoryA(const std::string& path) override;
  bool RemoveDirectoryA(const std::string& path) override;
  FindHandle FindFirstFileA(const std::string& pattern, FindData& data) override;
  bool FindNextFileA(FindHandle find, FindData& data) override;
  bool FindClose(FindHandle find) override;
  uint32_t GetFileAttributesA(const std::string& path) override;
  uint32_t GetEntryOwnerA(const std::string& path, EntryOwner& entry) override;
  bool CreateSecuredDirectoryA(const std::string& path, const FolderSecurity& security) override;
  uint32_t GetCurrentDirectoryA(std::string& directory, uint32_t maxLength) override;
  uint32_t GetSystemDirectoryA(std::string& directory, uint32_t maxLength) override;
  uint32_t GetWindowsDirectoryA(std::string& directory, uint32_t maxLength) override;
  uint32_t GetPrivateProfileSectionNamesA(char* buffer, uint32_t size,
                                          const std::string& fileName) override;
  uint32_t GetPrivateProfileStringA(const std::string& section, const std::string& key,
                                    const char* defaultValue, char* buffer, uint32_t size,
                                    const std::string& fileName) override;
};

class Win32SystemInfo : public SystemInfo {
 public:
  bool GetVersionExA(OsVersionInfo& info) override;
  bool HasIsWow64Process() override;
  bool IsWow64Process(bool& wow64) override;
  std::string ApplicationTitle() override;
};

class Win32Clock : public Clock {
 public:
  void Sleep(uint32_t milliseconds) override;
  uint32_t GetTickCount() override;
};

class Win32Threads : public Threads {
 public:
  std::unique_ptr<Thread> StartThread(std::function<void()> body) override;
};

class Win32WindowSystem : public WindowSystem {
 public:
  uint32_t RegisterWindowMessageA(const std::string& name) override;
  std::intptr_t DialogBoxParamA(int templateId, WindowId parent, Dialog& dialog) override;
  void EndDialog(WindowId dialog, std::intptr_t result) override;
  std::intptr_t RunMessageWindow(Dialog& dialog) override;
  int MessageBoxA(WindowId owner, const std::string& text, const std::string& caption,
                  uint32_t type) override;
  LResult SendMessageA(WindowId window, uint32_t message, WParam wParam, LParam lParam) override;
  bool PostMessageA(WindowId window, uint32_t message, WParam wParam, LParam lParam) override;
  void SetTimer(WindowId window, std::uintptr_t timerId, uint32_t elapseMs) override;
  void KillTimer(WindowId window, std::uintptr_t timerId) override;

  void SetDlgItemTextA(WindowId dialog, int controlId, const std::string& text) override;
  std::string GetDlgItemTextA(WindowId dialog, int controlId) override;
  void EnableDlgItem(WindowId dialog, int controlId, bool enable) override;
  bool IsDlgItemEnabled(WindowId dialog, int controlId) override;
  void CheckDlgButton(WindowId dialog, int controlId, bool checked) override;
  bool IsDlgButtonChecked(WindowId dialog, int controlId) override;
  void SetProgressPos(WindowId dialog, int controlId, int position) override;
  int GetProgressPos(WindowId dialog, int controlId) override;

  void ComboResetContent(WindowId dialog, int controlId) override;
  int ComboAddString(WindowId dialog, int controlId, const std::string& text) override;
  void ComboSetCurSel(WindowId dialog, int controlId, int index) override;
  int ComboGetCurSel(WindowId dialog, int controlId) override;
  int ComboGetCount(WindowId dialog, int controlId) override;
  std::string ComboGetItemText(WindowId dialog, int controlId, int index) override;

  void ListDeleteAllItems(WindowId dialog, int controlId) override;
  int ListGetColumnCount(WindowId dialog, int controlId) override;
  void ListDeleteColumn(WindowId dialog, int controlId, int column) override;
  void ListInsertColumn(WindowId dialog, int controlId, int column, const std::string& heading,
                        int format, int widthPixels) override;
  void ListSetColumnWidth(WindowId dialog, int controlId, int column, int widthPixels) override;
  uint32_t ListGetExtendedStyle(WindowId dialog, int controlId) override;
  void ListSetExtendedStyle(WindowId dialog, int controlId, uint32_t style) override;
  int ListInsertItem(WindowId dialog, int controlId, int row, const std::string& text) override;
  void ListSetItemText(WindowId dialog, int controlId, int row, int column,
                       const std::string& text) override;
  std::string ListGetItemText(WindowId dialog, int controlId, int row, int column) override;
  int ListGetItemCount(WindowId dialog, int controlId) override;
  uint32_t ListGetItemState(WindowId dialog, int controlId, int row, uint32_t mask) override;
  void ListSetItemState(WindowId dialog, int controlId, int row, uint32_t state,
                        uint32_t mask) override;
};

class Win32ProcessServices : public ProcessServices {
 public:
  ~Win32ProcessServices() override;
  std::string TempDirectory() override;
  std::string LocalTimestamp() override;
  bool AppendToFile(const std::string& path, const std::string& bytes, LogFileRefusal& refusal,
                    std::string& owner) override;
  uint32_t ProcessId() override;
  std::string ProgramDirectory() override;
  bool AttachParentConsole() override;
  void WriteToConsole(const std::string& text) override;
  InstanceMutex CreateInstanceMutex(const std::string& name) override;
  bool IsElevated() override;
  bool WindowStationVisible() override;
  void SuppressSystemErrorBoxes() override;
  std::string ProgramVersion() override;
  uint32_t SessionId() override;
  std::string AccountName() override;
  bool IsLocalSystem() override;

 private:
  HANDLE console_ = nullptr;
  bool ownsConsoleHandle_ = false;
  std::string ownUser_;  // the process's user SID, read once
};

class Win32ArchiveDll : public ArchiveDll {
 public:
  ~Win32ArchiveDll() override;
  bool LoadLibraryA(const std::string& fileName) override;
  void FreeLibrary() override;
  bool IsLoaded() const override;
  bool SetOwnerWindowEx(WindowId owner) override;
  int SevenZip(WindowId owner, const std::string& command, char* output,
               uint32_t outputSize) override;
  bool KillOwnerWindowEx(WindowId owner) override;

 private:
  using SevenZipFn = int(WINAPI*)(HWND, LPCSTR, LPSTR, DWORD);
  using ProgressFn = BOOL(CALLBACK*)(HWND, UINT, UINT, LPVOID);
  using SetOwnerFn = BOOL(WINAPI*)(HWND, ProgressFn);
  using KillOwnerFn = BOOL(WINAPI*)(HWND);

  HMODULE module_ = nullptr;
  SevenZipFn sevenZip_ = nullptr;
  SetOwnerFn setOwner_ = nullptr;
  KillOwnerFn killOwner_ = nullptr;
};

// Runs `call` and reports whether it returned normally. A structured
// exception that nothing inside `call` handles (an access violation in an
// outside library, say) abandons the call and gives false instead of
// ending the process. Frames of the outside code above the fault are
// abandoned without their clean-up handlers running.
bool CallGuarded(void (*call)(void*), void* context, DWORD* exceptionCode);

class Win32Machine : public Machine {
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
  ProcessServices& process() override { return process_; }
  uint32_t GetLastError() override { return ::GetLastError(); }

 private:
  Win32Registry registry_;
  Win32Spooler spooler_;
  Win32ServiceManager services_;
  Win32Security security_;
  Win32FileSystem files_;
  Win32SystemInfo system_;
  Win32Clock clock_;
  Win32Threads threads_;
  Win32WindowSystem ui_;
  Win32ArchiveDll archive_;
  Win32CommPorts comm_;
  Win32ProcessServices process_;
};

}  // namespace platform::win32
