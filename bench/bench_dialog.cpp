// The start-up benchmark's yardsticks, built from this file twice with the
// installer's resources:
//  - bench_dialog.exe, the bare dialog: the installer's main dialog that
//    enables Install as soon as it is initialised;
//  - bench_limit.exe (BENCH_LIMIT), "Limit Dialog": first makes from a worker
//    thread, in the installer's order, the platform calls and waits its
//    start-up must make, and nothing else: the spooler, port and package
//    calls, and the window writes a person must see (the port-type list, the
//    status line before the unpacking, the driver names with the first one
//    chosen, the chosen port type, the system line), those in the fewest
//    sends to the window's thread that keep the status line ahead of the
//    unpacking. After enabling Install (outside
//    the time measured from outside) it appends the milliseconds of each call
//    group to limit-steps.txt, as the measuring build (timed_machine.cpp)
//    writes its start-up steps.
#include <windows.h>
// After windows.h, which they need.
#include <commctrl.h>
#include <process.h>
#include <winspool.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench_clock.h"

namespace {

constexpr int kMainDialog = 102;
constexpr int kInstall = 1012;
HANDLE worker = nullptr;

#ifdef BENCH_LIMIT
constexpr int kDriverName = 1001, kPrinterName = 1002, kPortList = 1005, kStatus = 1011;
// Private message: lParam is a function to run on the window's thread.
constexpr UINT kRunHere = WM_APP + 1;
using Work = void (*)(HWND, void*);
struct Job {
  Work work;
  void* argument;
};
void OnWindowThread(HWND dialog, Work work, void* argument) {
  Job job{work, argument};
  SendMessageA(dialog, kRunHere, 0, reinterpret_cast<LPARAM>(&job));
}

// The port-type list as the window shows it from the start.
void FillPortTypes(HWND dialog) {
  HWND list = GetDlgItem(dialog, kPortList);
  ListView_SetExtendedListViewStyle(list, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
  const char* headers[] = {"Port", "Description"};
  const int widths[] = {110, 450};
  for (int i = 0; i < 2; ++i) {
    LVCOLUMNA column{};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = LVCFMT_LEFT;
    column.cx = widths[i];
    column.pszText = const_cast<char*>(headers[i]);
    column.iSubItem = i;
    SendMessageA(list, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
  }
  const char* rows[][2] = {
      {"Serial port", "The program will select a available serial port during instalation"},
      {"USB port", "The program will select a available USB port automatically"},
      {"Parallel port", "The program will prompt you to select a parallel port before install"},
      {"TCP/IP port", "The program will prompt you to create a TCP/IP port or configure"}};
  for (int row = 0; row < 4; ++row) {
    LVITEMA item{};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.pszText = const_cast<char*>(rows[row][0]);
    SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    item.iSubItem = 1;
    item.pszText = const_cast<char*>(rows[row][1]);
    SendMessageA(list, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
  }
}

// What the window shows once the start-up is done.
struct Shown {
  std::vector<std::string> names;
  int portRow;
  std::string system;
};
void ShowResults(HWND dialog, void* argument) {
  const Shown& shown = *static_cast<const Shown*>(argument);
  HWND combo = GetDlgItem(dialog, kDriverName);
  for (const std::string& name : shown.names) {
    SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
  }
  SendMessageA(combo, CB_SETCURSEL, 0, 0);
  SetDlgItemTextA(dialog, kPrinterName, shown.names.empty() ? "" : shown.names[0].c_str());
  LVITEMA state{};
  state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  state.state = LVIS_SELECTED;
  SendMessageA(GetDlgItem(dialog, kPortList), LVM_SETITEMSTATE, shown.portRow,
               reinterpret_cast<LPARAM>(&state));
  SetDlgItemTextA(dialog, kStatus, shown.system.c_str());
}
#endif

#ifdef BENCH_LIMIT
// The spooler service: queried, and when stopped started and polled every
// 5 ms.
void Spooler() {
  SC_HANDLE manager = OpenSCManagerA(nullptr, "ServicesActive", SC_MANAGER_ALL_ACCESS);
  SC_HANDLE query = OpenServiceA(manager, "Spooler", SERVICE_ALL_ACCESS);
  SERVICE_STATUS status{};
  if (QueryServiceStatus(query, &status) && status.dwCurrentState == SERVICE_STOPPED) {
    SC_HANDLE control = OpenServiceA(manager, "Spooler", SERVICE_ALL_ACCESS);
    StartServiceA(control, 0, nullptr);
    for (int i = 0; status.dwCurrentState != SERVICE_RUNNING && i < 1000; ++i, Sleep(5)) {
      QueryServiceStatus(query, &status);
    }
    CloseServiceHandle(control);
  }
  CloseServiceHandle(query);
  CloseServiceHandle(manager);
}

// The serial device map, then the spooler's ports; the port-type row the
// window preselects (USB, serial, parallel, TCP/IP: the first kind present).
int Ports() {
  HKEY key = nullptr;
  RegOpenKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key);
  char name[128], data[128];
  for (DWORD i = 0, n = sizeof name, d = sizeof data;
       key && RegEnumValueA(key, i, name, &n, nullptr, nullptr, reinterpret_cast<BYTE*>(data),
                            &d) != ERROR_NO_MORE_ITEMS;
       ++i, n = sizeof name, d = sizeof data) {
  }
  const bool serial = key != nullptr;
  if (key) RegCloseKey(key);
  DWORD needed = 0, count = 0;
  EnumPortsA(nullptr, 2, nullptr, 0, &needed, &count);
  std::vector<BYTE> buffer(needed + 1);
  EnumPortsA(nullptr, 2, buffer.data(), needed, &needed, &count);
  const auto* ports = reinterpret_cast<const PORT_INFO_2A*>(buffer.data());
  bool usb = false, parallel = false;
  for (DWORD i = 0; i < count; ++i) {
    usb = usb || std::strncmp(ports[i].pPortName, "USB", 3) == 0;
    parallel = parallel || std::strncmp(ports[i].pPortName, "LPT", 3) == 0;
  }
  return usb ? 1 : serial ? 0 : parallel ? 2 : 3;
}

BOOL CALLBACK KeepGoing(HWND, UINT, UINT, LPVOID) { return TRUE; }

// The package, with the installer's pauses: the library loaded, 10 ms, the
// owner registered, 100 ms, unpacked into C:\, the registration ended,
// 10 ms, the library unloaded. The library's result (-1: not called).
int Package(HWND owner) {
  char directory[MAX_PATH + 1] = {};
  GetCurrentDirectoryA(MAX_PATH, directory);
  const std::string archive = std::string(directory) + "\\DriverData.Drv";
  HMODULE library = LoadLibraryA("7-zip32.dll");
  Sleep(10);
  if (library == nullptr) return -1;
  auto find = [&](const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(library, name));
  };
  auto setOwner =
      reinterpret_cast<BOOL(WINAPI*)(HWND, decltype(&KeepGoing))>(find("SevenZipSetOwnerWindowEx"));
  auto sevenZip = reinterpret_cast<int(WINAPI*)(HWND, LPCSTR, LPSTR, DWORD)>(find("SevenZip"));
  auto killOwner = reinterpret_cast<BOOL(WINAPI*)(HWND)>(find("SevenZipKillOwnerWindowEx"));
  int result = -1;
  if (setOwner && sevenZip && killOwner &&
      GetFileAttributesA(archive.c_str()) != INVALID_FILE_ATTRIBUTES) {
    std::vector<char> output(16385, '\0');
    setOwner(owner, &KeepGoing);
    Sleep(100);
    result = sevenZip(owner, ("x -y \"" + archive + "\" -o\"C:\\\" -hide").c_str(), output.data(),
                      16384);
    killOwner(owner);
    Sleep(10);
  }
  FreeLibrary(library);
  return result;
}

// The driver-name list's sections and their PrintName keys.
std::vector<std::string> DriverNames() {
  const char* file = "C:\\DriverName.cfg";
  char sections[3000] = {}, value[128];
  GetPrivateProfileSectionNamesA(sections, sizeof sections, file);
  std::vector<std::string> names;
  for (const char* section = sections; *section; section += std::string(section).size() + 1) {
    for (int n = 1;
         n <= 50 && GetPrivateProfileStringA(section, ("PrintName" + std::to_string(n)).c_str(),
                                             nullptr, value, sizeof value, file);
         ++n) {
      names.emplace_back(value);
    }
  }
  return names;
}

std::string Version() {
  // Looked up, as the installer does: older systems lack it.
  auto isWow64 = reinterpret_cast<BOOL(WINAPI*)(HANDLE, PBOOL)>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32"), "IsWow64Process")));
  BOOL wow64 = FALSE;
  if (isWow64 != nullptr) isWow64(GetCurrentProcess(), &wow64);
  OSVERSIONINFOEXA info{};
  info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&info));
#pragma GCC diagnostic pop
  return std::string("Current Systems is Microsoft Windows ") +
         std::to_string(info.dwMajorVersion) + (wow64 ? "  64 bit" : "  32 bit");
}

unsigned __stdcall Worker(void* argument) {
  auto dialog = static_cast<HWND>(argument);
  const double worker = SinceCreation(), first = Milliseconds(Ticks());
  double last = first;
  char line[512];
  int length = std::snprintf(line, sizeof line, "worker %.1f", worker);
  auto mark = [&](const char* group) {
    const double now = Milliseconds(Ticks());
    length += std::snprintf(line + length, sizeof line - length, " %s %.1f", group, now - last);
    last = now;
  };
  Spooler();
  mark("spooler");
  Shown shown{};
  shown.portRow = Ports();
  mark("ports");
  OnWindowThread(
      dialog, [](HWND d, void*) { SetDlgItemTextA(d, kStatus, "Reading driver file..."); },
      nullptr);
  const int unpacked = Package(dialog);
  mark("package");
  shown.names = DriverNames();
  mark("names");
  shown.system = Version();
  OnWindowThread(dialog, &ShowResults, &shown);
  mark("version");
  EnableWindow(GetDlgItem(dialog, kInstall), TRUE);
  mark("enabled");
  if (std::FILE* file = std::fopen("limit-steps.txt", "a")) {
    // Not times: so that a limit that unpacked nothing shows.
    std::fprintf(file, "%s total %.1f unpack-result %d names-read %zu\n", line,
                 worker + last - first, unpacked, shown.names.size());
    std::fclose(file);
  }
  return 0;
}
#endif

INT_PTR CALLBACK Procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
#ifdef BENCH_LIMIT
  if (message == kRunHere) {
    const Job& job = *reinterpret_cast<const Job*>(lParam);
    job.work(dialog, job.argument);
    return TRUE;
  }
#else
  (void)lParam;
#endif
  if (message == WM_CLOSE || (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL)) {
    EndDialog(dialog, 0);
    return TRUE;
  }
  if (message != WM_INITDIALOG) return FALSE;
#ifdef BENCH_LIMIT
  SetWindowTextA(dialog, "Limit Dialog");
  FillPortTypes(dialog);
  worker = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &Worker, dialog, 0, nullptr));
#else
  SetWindowTextA(dialog, "Bare Dialog");
  EnableWindow(GetDlgItem(dialog, kInstall), TRUE);
#endif
  return TRUE;
}

}  // namespace

int main() {
  INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX),
                                ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(kMainDialog), nullptr, &Procedure, 0);
  if (worker != nullptr) WaitForSingleObject(worker, INFINITE);
  return 0;
}
