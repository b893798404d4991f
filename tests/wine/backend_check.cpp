// Checks of the Win32 backend against a real (Wine) Windows: each platform
// interface is exercised through CreateWin32Machine, the way the installer
// uses it. Prints one line per check and exits with the number of failed
// checks. Expects the faulting archive library as "7-zip32.dll" beside it.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/machine.h"
#include "platform/win32/win32_machine.h"
#include "platform/win_constants.h"
#include "resources/resource.h"

namespace {

int failures = 0;

bool Check(bool ok, const std::string& what) {
  std::printf("%s %s\n", ok ? "ok  " : "FAIL", what.c_str());
  if (!ok) ++failures;
  return ok;
}

std::string Shown(const std::string& text) { return "\"" + text + "\""; }
template <typename T>
std::string Shown(const T& number) {
  return std::to_string(static_cast<long long>(number));
}

template <typename T, typename U>
void CheckEq(const T& expected, const U& actual, const std::string& what) {
  if (!Check(expected == static_cast<T>(actual), what)) {
    std::printf("     expected %s, got %s\n", Shown(expected).c_str(),
                Shown(static_cast<T>(actual)).c_str());
  }
}

using platform::KeyHandle;
using platform::kHkeyCurrentUser;
using platform::kHkeyLocalMachine;

void CheckRegistry(platform::Machine& m) {
  platform::Registry& r = m.registry();
  KeyHandle key = 0;
  uint32_t disposition = 0;
  CheckEq(0u,
          r.RegCreateKeyExA(kHkeyCurrentUser, "Software\\BackendCheck\\Inner", 0,
                            win::KEY_ALL_ACCESS, false, key, &disposition),
          "RegCreateKeyExA creates a nested key");
  CheckEq(win::REG_CREATED_NEW_KEY, disposition, "disposition says created");
  const char text[] = "COM5:";
  r.RegSetValueExA(key, "Zeta", win::REG_SZ, text, sizeof(text));
  uint32_t number = 9600;
  r.RegSetValueExA(key, "Alpha", win::REG_DWORD, &number, sizeof(number));

  uint32_t type = 0, size = 0;
  CheckEq(0u, r.RegQueryValueExA(key, "zeta", &type, nullptr, &size),
          "size query of a value, name case ignored");
  CheckEq(static_cast<uint32_t>(sizeof(text)), size, "string size counts its zero byte");
  char small[3] = {};
  uint32_t smallSize = sizeof(small);
  CheckEq(win::ERROR_MORE_DATA, r.RegQueryValueExA(key, "Zeta", nullptr, small, &smallSize),
          "too small a buffer gives ERROR_MORE_DATA");
  std::vector<std::string> names;
  for (uint32_t i = 0;; ++i) {
    char name[64];
    uint32_t nameSize = sizeof(name);
    uint32_t status = r.RegEnumValueA(key, i, name, &nameSize, nullptr, nullptr, nullptr);
    if (status == win::ERROR_NO_MORE_ITEMS) break;
    if (status != 0 || i > 10) {
      Check(false, "RegEnumValueA ends with ERROR_NO_MORE_ITEMS");
      break;
    }
    names.emplace_back(name, nameSize);
  }
  CheckEq(2, static_cast<int>(names.size()), "two values enumerated");
  r.RegCloseKey(key);

  CheckEq(0u, r.SHDeleteKeyA(kHkeyCurrentUser, "Software\\BackendCheck"),
          "SHDeleteKeyA removes a key with sub-keys");
  KeyHandle gone = 0;
  CheckEq(win::ERROR_FILE_NOT_FOUND,
          r.RegOpenKeyExA(kHkeyCurrentUser, "Software\\BackendCheck\\Inner", win::KEY_READ, gone),
          "the sub-key went with it");
  CheckEq(static_cast<KeyHandle>(0), gone, "a failed open gives no handle");
}

void CheckSpooler(platform::Machine& m) {
  // Wine's local monitor lists the value names of this key as ports.
  KeyHandle ports = 0;
  m.registry().RegCreateKeyExA(kHkeyLocalMachine,
                               "Software\\Microsoft\\Windows NT\\CurrentVersion\\Ports", 0,
                               win::KEY_ALL_ACCESS, false, ports, nullptr);
  m.registry().RegSetValueExA(ports, "USB007", win::REG_SZ, "", 1);
  m.registry().RegCloseKey(ports);

  std::vector<platform::PortInfo2> list;
  Check(m.spooler().EnumPortsA(list), "EnumPortsA succeeds");
  bool found = false;
  for (const auto& port : list) found = found || port.portName == "USB007";
  Check(found, "EnumPortsA lists a port added to the Ports key");
  Check(list.size() >= 2 && !list[0].description.empty(), "ports carry their description");

  std::string directory;
  bool gotDirectory = m.spooler().GetPrinterDriverDirectoryA("Windows NT x86", directory);
  Check(
      gotDirectory && directory.size() > 7 && directory.substr(directory.size() - 7) == "\\w32x86",
      "driver directory of Windows NT x86 ends in \\w32x86 (" + directory + ")");

  std::vector<platform::PrinterInfo2> printers;
  Check(
      m.spooler().EnumPrintersA(win::PRINTER_ENUM_LOCAL | win::PRINTER_ENUM_CONNECTIONS, printers),
      "EnumPrintersA succeeds, also with no printer");

  platform::PrinterHandle printer = 0;
  CheckEq(0, m.spooler().OpenPrinterA("No Such Printer", printer, {"RAW", win::PRINTER_ALL_ACCESS}),
          "OpenPrinterA of an unknown printer fails");
  Check(!m.spooler().DeleteMonitorA("", "No Such Monitor") &&
            m.GetLastError() == win::ERROR_UNKNOWN_PRINT_MONITOR,
        "DeleteMonitorA of an unknown monitor leaves 3000 as last error");
}

void CheckServicesAndSecurity(platform::Machine& m) {
  platform::ServiceManager& s = m.services();
  platform::ServiceHandle manager = s.OpenSCManagerA("ServicesActive", win::SC_MANAGER_ALL_ACCESS);
  Check(manager != 0, "OpenSCManagerA");
  platform::ServiceHandle spooler = s.OpenServiceA(manager, "Spooler", win::SERVICE_ALL_ACCESS);
  Check(spooler != 0, "OpenServiceA Spooler");
  platform::ServiceStatus status;
  Check(s.QueryServiceStatus(spooler, status) && status.currentState >= win::SERVICE_STOPPED &&
            status.currentState <= win::SERVICE_PAUSED,
        "QueryServiceStatus gives a service state");
  s.CloseServiceHandle(spooler);
  s.CloseServiceHandle(manager);

  platform::Security& sec = m.security();
  platform::TokenHandle token = 0;
  uint64_t luid = 0;
  Check(sec.OpenProcessToken(win::TOKEN_ADJUST_PRIVILEGES | win::TOKEN_QUERY, token),
        "OpenProcessToken");
  Check(sec.LookupPrivilegeValueA("SeLoadDriverPrivilege", luid) && luid != 0,
        "LookupPrivilegeValueA SeLoadDriverPrivilege");
  Check(sec.AdjustTokenPrivileges(token, luid, win::SE_PRIVILEGE_ENABLED), "AdjustTokenPrivileges");
  sec.CloseHandle(token);

  KeyHandle key = 0;
  m.registry().RegCreateKeyExA(kHkeyLocalMachine, "Software\\BackendCheckAcl", 0,
                               win::KEY_ALL_ACCESS, false, key, nullptr);
  m.registry().RegCloseKey(key);
  std::unique_ptr<platform::Acl> old, made;
  const std::string object = "MACHINE\\Software\\BackendCheckAcl";
  CheckEq(0u, sec.GetNamedSecurityInfoA(object, old), "GetNamedSecurityInfoA of a key");
  CheckEq(0u,
          sec.SetEntriesInAclA({"Administrators", win::KEY_ALL_ACCESS, win::SET_ACCESS,
                                win::SUB_CONTAINERS_AND_OBJECTS_INHERIT},
                               old.get(), made),
          "SetEntriesInAclA for Administrators");
  if (made) CheckEq(0u, sec.SetNamedSecurityInfoA(object, *made), "SetNamedSecurityInfoA");
  Check(made != nullptr, "SetEntriesInAclA made a list");
  m.registry().SHDeleteKeyA(kHkeyLocalMachine, "Software\\BackendCheckAcl");
}

void CheckFilesAndSystem(platform::Machine& m) {
  platform::FileSystem& f = m.files();
  f.CreateDirectoryA("C:\\BackendCheck");
  Check(f.GetFileAttributesA("C:\\BackendCheck") != win::INVALID_FILE_ATTRIBUTES &&
            (f.GetFileAttributesA("C:\\BackendCheck") & win::FILE_ATTRIBUTE_DIRECTORY) != 0,
        "CreateDirectoryA makes a folder");
  FILE* ini = std::fopen("C:\\BackendCheck\\list.cfg", "wb");
  if (ini != nullptr) {
    std::fputs("[First]\r\nPrintName1=Alpha 80\r\n[Second]\r\nPrintName1=Beta\r\n", ini);
    std::fclose(ini);
  }
  char sections[64] = {};
  uint32_t length =
      f.GetPrivateProfileSectionNamesA(sections, sizeof(sections), "C:\\BackendCheck\\list.cfg");
  CheckEq(std::string("First\0Second\0", 13), std::string(sections, length),
          "section names, each ended by a zero byte");
  char value[128] = {};
  f.GetPrivateProfileStringA("First", "PrintName1", "", value, sizeof(value),
                             "C:\\BackendCheck\\list.cfg");
  CheckEq(std::string("Alpha 80"), std::string(value), "GetPrivateProfileStringA");
  Check(f.CopyFileA("C:\\BackendCheck\\list.cfg", "C:\\BackendCheck\\copy.cfg", true) &&
            !f.CopyFileA("C:\\BackendCheck\\list.cfg", "C:\\BackendCheck\\copy.cfg", true),
        "CopyFileA refuses to overwrite when asked to");
  platform::FindData found;
  platform::FindHandle find = f.FindFirstFileA("C:\\BackendCheck\\*.cfg", found);
  int count = 0;
  if (find != 0) {
    do ++count;
    while (f.FindNextFileA(find, found));
    f.FindClose(find);
  }
  CheckEq(2, count, "FindFirstFileA/FindNextFileA find both files");
  CheckEq(static_cast<platform::FindHandle>(0), f.FindFirstFileA("C:\\BackendCheck\\*.none", found),
          "FindFirstFileA with no match gives no handle");
  f.DeleteFileA("C:\\BackendCheck\\list.cfg");
  f.DeleteFileA("C:\\BackendCheck\\copy.cfg");
  Check(f.RemoveDirectoryA("C:\\BackendCheck"), "RemoveDirectoryA of the emptied folder");

  std::string directory = "unchanged";
  uint32_t needed = f.GetCurrentDirectoryA(directory, 2);
  Check(needed > 2 && directory == "unchanged",
        "GetCurrentDirectoryA with a short buffer gives the size needed and writes nothing");
  uint32_t windowsLength = f.GetWindowsDirectoryA(directory, 260);
  Check(windowsLength > 0 && windowsLength == directory.size(),
        "GetWindowsDirectoryA (" + directory + ")");

  platform::OsVersionInfo version;
  version.size = 156;
  bool gotVersion = m.system().GetVersionExA(version);
  Check(gotVersion && version.platformId == win::VER_PLATFORM_WIN32_NT && version.majorVersion >= 6,
        "GetVersionExA reports NT " + std::to_string(version.majorVersion) + "." +
            std::to_string(version.minorVersion));
  Check(m.system().HasIsWow64Process(), "IsWow64Process is found in kernel32");
  bool wow64 = true;
  Check(m.system().IsWow64Process(wow64), "IsWow64Process answers");
  CheckEq(std::string("backend_check"), m.system().ApplicationTitle(),
          "application title is the file name without extension");
  uint32_t before = m.clock().GetTickCount();
  m.clock().Sleep(200);
  uint32_t slept = m.clock().GetTickCount() - before;
  Check(slept >= 150 && slept < 5000,
        "Sleep(200) takes 200 ms by GetTickCount (" + std::to_string(slept) + ")");
}

void CheckArchive(platform::Machine& m) {
  platform::ArchiveDll& a = m.archive();
  Check(!a.LoadLibraryA("no-such-archiver.dll") && !a.IsLoaded(), "a missing library: not loaded");
  Check(a.LoadLibraryA("7-zip32.dll") && a.IsLoaded(), "the archive library loads by bare name");
  Check(a.SetOwnerWindowEx(0), "SevenZipSetOwnerWindowEx is found and called");
  char output[64] = {};
  int first = a.SevenZip(0, "x -y \"a.Drv\" -o\"C:\\\" -hide", output, sizeof(output));
  Check(first != 0, "a call that faults counts as failure and the process lives on");
  int second = a.SevenZip(0, "x", output, sizeof(output));
  Check(second != 0, "a second faulting call is caught as well");
  Check(a.KillOwnerWindowEx(0), "SevenZipKillOwnerWindowEx is found and called");
  a.FreeLibrary();
  Check(!a.IsLoaded(), "FreeLibrary unloads");
}

// A dialog of the installer's main template, driven through the window
// system the way the installer drives its windows; its timer checks what
// the set-up wrote.
class ProbeDialog : public platform::Dialog {
 public:
  ProbeDialog(platform::Machine& m, uint32_t message) : Dialog(m.ui()), m_(m), message_(message) {}

  bool OnInitDialog() override {
    platform::WindowSystem& u = ui();
    Check(!u.IsDlgItemEnabled(hwnd(), IDC_INSTALL),
          "Install starts disabled, as the template says");
    u.ListInsertColumn(hwnd(), IDC_PORT_LIST, 0, "Port", win::LVCFMT_LEFT, 110);
    u.ListInsertColumn(hwnd(), IDC_PORT_LIST, 1, "Description", win::LVCFMT_LEFT, 450);
    u.ListInsertItem(hwnd(), IDC_PORT_LIST, 0, "Serial port");
    u.ListInsertItem(hwnd(), IDC_PORT_LIST, 1, "USB port");
    u.ListSetItemText(hwnd(), IDC_PORT_LIST, 1, 1, "automatic");
    u.ListSetItemState(hwnd(), IDC_PORT_LIST, 1, win::LVIS_SELECTED,
                       win::LVIS_SELECTED | win::LVIS_FOCUSED);
    uint32_t style = u.ListGetExtendedStyle(hwnd(), IDC_PORT_LIST);
    u.ListSetExtendedStyle(
        hwnd(), IDC_PORT_LIST,
        (style & ~win::LVS_EX_TRACKSELECT) | win::LVS_EX_GRIDLINES | win::LVS_EX_FULLROWSELECT);
    u.ComboAddString(hwnd(), IDC_DRIVER_NAME, "Alpha 80");
    u.ComboAddString(hwnd(), IDC_DRIVER_NAME, "Beta 58");
    u.ComboSetCurSel(hwnd(), IDC_DRIVER_NAME, 1);
    u.SetProgressPos(hwnd(), IDC_PROGRESS, 40);
    u.CheckDlgButton(hwnd(), IDC_SET_DEFAULT, true);
    // The worker talks to the window from its own thread, with synchronous
    // sends, while this thread waits for it.
    platform::LResult sent = 0;
    std::unique_ptr<platform::Thread> worker = m_.threads().StartThread([&] {
      sent = ui().SendMessageA(hwnd(), message_, 0, 0);
      ui().SetDlgItemTextA(hwnd(), IDC_STATUS, "from the worker");
      ui().EnableDlgItem(hwnd(), IDC_INSTALL, true);
    });
    if (worker) worker->Wait();
    CheckEq(platform::LResult{77}, sent,
            "a send from a worker reaches OnMessage while the window's thread waits");
    u.SetTimer(hwnd(), 1, 20);
    return true;
  }

  void OnTimer(std::uintptr_t id) override {
    platform::WindowSystem& u = ui();
    const platform::WindowId w = hwnd();
    u.KillTimer(w, id);
    timerId = id;
    CheckEq(2, u.ListGetColumnCount(w, IDC_PORT_LIST), "two columns inserted");
    CheckEq(2, u.ListGetItemCount(w, IDC_PORT_LIST), "two rows inserted");
    CheckEq(std::string("automatic"), u.ListGetItemText(w, IDC_PORT_LIST, 1, 1),
            "sub-item text read back");
    CheckEq(win::LVIS_SELECTED,
            u.ListGetItemState(w, IDC_PORT_LIST, 1, win::LVIS_SELECTED | win::LVIS_FOCUSED),
            "row selected, not focused");
    const uint32_t styles =
        win::LVS_EX_GRIDLINES | win::LVS_EX_FULLROWSELECT | win::LVS_EX_TRACKSELECT;
    CheckEq(win::LVS_EX_GRIDLINES | win::LVS_EX_FULLROWSELECT,
            u.ListGetExtendedStyle(w, IDC_PORT_LIST) & styles,
            "extended list style written and read back");
    u.ListDeleteColumn(w, IDC_PORT_LIST, 0);
    CheckEq(1, u.ListGetColumnCount(w, IDC_PORT_LIST), "one column left after deleting column 0");
    u.ListDeleteAllItems(w, IDC_PORT_LIST);
    CheckEq(0, u.ListGetItemCount(w, IDC_PORT_LIST), "no rows after deleting all");
    CheckEq(2, u.ComboGetCount(w, IDC_DRIVER_NAME), "two combo items");
    CheckEq(1, u.ComboGetCurSel(w, IDC_DRIVER_NAME), "combo selection");
    CheckEq(std::string("Beta 58"), u.ComboGetItemText(w, IDC_DRIVER_NAME, 1), "combo item text");
    CheckEq(40, u.GetProgressPos(w, IDC_PROGRESS), "progress position");
    Check(u.IsDlgButtonChecked(w, IDC_SET_DEFAULT), "check box checked");
    CheckEq(std::string("from the worker"), u.GetDlgItemTextA(w, IDC_STATUS),
            "control text set from the worker");
    Check(u.IsDlgItemEnabled(w, IDC_INSTALL), "button enabled from the worker");
    CheckEq(std::string("&Cancel"), u.GetDlgItemTextA(w, IDC_CANCEL),
            "template text of the Cancel button");
    // The close box's message, as the system would send it.
    u.SendMessageA(w, 0x0010 /* WM_CLOSE */, 0, 0);
  }

  void OnClose() override {
    closeSeen = true;
    ui().EndDialog(hwnd(), 0x1234);
  }

  void OnDestroy() override { destroySeen = true; }

  bool OnMessage(uint32_t message, platform::WParam, platform::LParam,
                 platform::LResult& result) override {
    if (message != message_) return false;
    result = 77;
    return true;
  }

  std::uintptr_t timerId = 0;
  bool closeSeen = false, destroySeen = false;

 private:
  platform::Machine& m_;
  uint32_t message_;
};

void CheckWindows(platform::Machine& m) {
  uint32_t message = m.ui().RegisterWindowMessageA("MyUpdateData");
  Check(message >= 0xC000, "RegisterWindowMessageA gives a registered message number");
  CheckEq(message, m.ui().RegisterWindowMessageA("MyUpdateData"), "the same name, the same number");
  ProbeDialog dialog(m, message);
  CheckEq(std::intptr_t{0x1234}, m.ui().DialogBoxParamA(IDD_MAIN, 0, dialog),
          "DialogBoxParamA returns EndDialog's value");
  CheckEq(std::uintptr_t{1}, dialog.timerId, "WM_TIMER reaches OnTimer with its id");
  Check(dialog.closeSeen, "WM_CLOSE reaches OnClose");
  Check(dialog.destroySeen, "WM_DESTROY reaches OnDestroy");
  CheckEq(platform::WindowId{0}, dialog.hwnd(), "the window is detached at the end");
}

}  // namespace

int main() {
  std::unique_ptr<platform::Machine> machine = CreateWin32Machine();
  CheckRegistry(*machine);
  CheckSpooler(*machine);
  CheckServicesAndSecurity(*machine);
  CheckFilesAndSystem(*machine);
  CheckArchive(*machine);
  CheckWindows(*machine);
  std::printf("%d failed\n", failures);
  return failures;
}
