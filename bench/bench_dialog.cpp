// The start-up benchmark's yardsticks, built from this file twice with the
// installer's resources:
//  - bench_dialog.exe, the bare dialog: the installer's main dialog that
//    enables Install as soon as it is initialised;
//  - bench_limit.exe (BENCH_LIMIT), "Limit Dialog": first makes from a worker
//    thread, in the installer's order, the platform calls and waits its
//    start-up must make, and nothing else. After enabling Install (outside
//    the time measured from outside) it appends the milliseconds of each call
//    group to limit-steps.txt, as the measuring build (timed_machine.cpp)
//    writes its start-up steps.
#include <windows.h>
// After windows.h, which they need.
#include <commctrl.h>
#include <process.h>
#include <winspool.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench_clock.h"

namespace {

constexpr int kMainDialog = 102;
constexpr int kInstall = 1012;
HANDLE worker = nullptr;

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

// The serial device map, then the spooler's ports.
void Ports() {
  HKEY key = nullptr;
  RegOpenKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key);
  char name[128], data[128];
  for (DWORD i = 0, n = sizeof name, d = sizeof data;
       key && RegEnumValueA(key, i, name, &n, nullptr, nullptr, reinterpret_cast<BYTE*>(data),
                            &d) != ERROR_NO_MORE_ITEMS;
       ++i, n = sizeof name, d = sizeof data) {
  }
  if (key) RegCloseKey(key);
  DWORD needed = 0, count = 0;
  EnumPortsA(nullptr, 2, nullptr, 0, &needed, &count);
  std::vector<BYTE> buffer(needed + 1);
  EnumPortsA(nullptr, 2, buffer.data(), needed, &needed, &count);
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

// The driver-name list's sections and their PrintName keys; the names read.
int DriverNames() {
  const char* file = "C:\\DriverName.cfg";
  char sections[3000] = {}, value[128];
  GetPrivateProfileSectionNamesA(sections, sizeof sections, file);
  int names = 0;
  for (const char* section = sections; *section; section += std::string(section).size() + 1) {
    for (int n = 1;
         n <= 50 && GetPrivateProfileStringA(section, ("PrintName" + std::to_string(n)).c_str(),
                                             nullptr, value, sizeof value, file);
         ++n) {
      ++names;
    }
  }
  return names;
}

void Version() {
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
  Ports();
  mark("ports");
  const int unpacked = Package(dialog);
  mark("package");
  const int names = DriverNames();
  mark("names");
  Version();
  mark("version");
  EnableWindow(GetDlgItem(dialog, kInstall), TRUE);
  mark("enabled");
  if (std::FILE* file = std::fopen("limit-steps.txt", "a")) {
    // Not times: so that a limit that unpacked nothing shows.
    std::fprintf(file, "%s total %.1f unpack-result %d names-read %d\n", line,
                 worker + last - first, unpacked, names);
    std::fclose(file);
  }
  return 0;
}
#endif

INT_PTR CALLBACK Procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_CLOSE || (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL)) {
    EndDialog(dialog, 0);
    return TRUE;
  }
  if (message != WM_INITDIALOG) return FALSE;
#ifdef BENCH_LIMIT
  SetWindowTextA(dialog, "Limit Dialog");
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
