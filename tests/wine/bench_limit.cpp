// The limit of the start-up benchmark: the bare dialog of bench_dialog.cpp
// that, before it enables its button, makes from a worker thread the
// platform calls the installer's start-up must make, in its order, and
// nothing else: the spooler service (opened, queried, started and polled
// every 5 ms when stopped); the serial device map and EnumPortsA level 2;
// the package (library loaded, 10 ms, archive looked for, owner registered,
// 100 ms, unpacked, registration ended, 10 ms, library unloaded); the
// driver-name list's sections and PrintName keys; IsWow64Process and
// GetVersionExA. After the button is enabled (outside the measured time) it
// appends the milliseconds of each group to limit-steps.txt in its current
// directory, in the form of the measuring build's start-up line
// (timed_machine.cpp).
#include "bench_dialog.h"
// After windows.h (in bench_dialog.h), which they need.
#include <process.h>
#include <winspool.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr const char* kDriverNameFile = "C:\\DriverName.cfg";

using SevenZipFn = int(WINAPI*)(HWND, LPCSTR, LPSTR, DWORD);
using ProgressFn = BOOL(CALLBACK*)(HWND, UINT, UINT, LPVOID);
using SetOwnerFn = BOOL(WINAPI*)(HWND, ProgressFn);
using KillOwnerFn = BOOL(WINAPI*)(HWND);
using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);

BOOL CALLBACK KeepGoing(HWND, UINT, UINT, LPVOID) { return TRUE; }

template <typename Function>
Function Lookup(HMODULE module, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

double Now() {
  LARGE_INTEGER frequency, counter;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&counter);
  return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

void Spooler() {
  SC_HANDLE manager = OpenSCManagerA(nullptr, "ServicesActive", SC_MANAGER_ALL_ACCESS);
  SC_HANDLE query = manager ? OpenServiceA(manager, "Spooler", SERVICE_ALL_ACCESS) : nullptr;
  SERVICE_STATUS status{};
  if (query != nullptr && QueryServiceStatus(query, &status) &&
      status.dwCurrentState == SERVICE_STOPPED) {
    SC_HANDLE control = OpenServiceA(manager, "Spooler", SERVICE_ALL_ACCESS);
    if (control != nullptr) {
      StartServiceA(control, 0, nullptr);
      for (int queries = 0; status.dwCurrentState != SERVICE_RUNNING && queries < 1000; ++queries) {
        QueryServiceStatus(query, &status);
        Sleep(5);
      }
      CloseServiceHandle(control);
    }
  }
  if (query != nullptr) CloseServiceHandle(query);
  if (manager != nullptr) CloseServiceHandle(manager);
}

void Ports() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key) ==
      ERROR_SUCCESS) {
    for (DWORD index = 0;; ++index) {
      char name[128] = {};
      BYTE data[128] = {};
      DWORD nameSize = sizeof name, dataSize = sizeof data;
      LONG status = RegEnumValueA(key, index, name, &nameSize, nullptr, nullptr, data, &dataSize);
      if (status == ERROR_MORE_DATA) continue;
      if (status != ERROR_SUCCESS) break;
    }
    RegCloseKey(key);
  }
  DWORD needed = 0, count = 0;
  if (!EnumPortsA(nullptr, 2, nullptr, 0, &needed, &count) && needed > 0) {
    std::vector<BYTE> buffer(needed);
    EnumPortsA(nullptr, 2, buffer.data(), needed, &needed, &count);
  }
}

// The library's result: 0 when the package was unpacked, -1 when it was not
// called.
int Package(HWND owner) {
  char directory[MAX_PATH + 1] = {};
  GetCurrentDirectoryA(MAX_PATH, directory);
  const std::string archive = std::string(directory) + "\\DriverData.Drv";
  HMODULE library = LoadLibraryA("7-zip32.dll");
  SevenZipFn sevenZip = nullptr;
  SetOwnerFn setOwner = nullptr;
  KillOwnerFn killOwner = nullptr;
  if (library != nullptr) {
    sevenZip = Lookup<SevenZipFn>(library, "SevenZip");
    setOwner = Lookup<SetOwnerFn>(library, "SevenZipSetOwnerWindowEx");
    killOwner = Lookup<KillOwnerFn>(library, "SevenZipKillOwnerWindowEx");
  }
  Sleep(10);
  if (library == nullptr) return -1;
  int result = -1;
  if (GetFileAttributesA(archive.c_str()) != INVALID_FILE_ATTRIBUTES) {
    std::vector<char> output(16385, '\0');
    char command[1024] = {};
    std::snprintf(command, sizeof command, "x -y \"%s\" -o\"%s\" -hide", archive.c_str(), "C:\\");
    if (setOwner != nullptr) setOwner(owner, &KeepGoing);
    Sleep(100);
    if (sevenZip != nullptr) result = sevenZip(owner, command, output.data(), 16384);
    if (killOwner != nullptr) killOwner(owner);
    Sleep(10);
  }
  FreeLibrary(library);
  return result;
}

// The number of names read.
int DriverNames() {
  int names = 0;
  char sections[3000] = {};
  GetPrivateProfileSectionNamesA(sections, sizeof sections, kDriverNameFile);
  for (const char* section = sections; *section != '\0' && section < sections + sizeof sections;
       section += std::strlen(section) + 1) {
    for (int n = 1; n <= 50; ++n) {
      char value[128] = {};
      const std::string key = "PrintName" + std::to_string(n);
      if (GetPrivateProfileStringA(section, key.c_str(), nullptr, value, sizeof value,
                                   kDriverNameFile) == 0) {
        break;
      }
      ++names;
    }
  }
  return names;
}

void Version() {
  HMODULE kernel = GetModuleHandleA("kernel32");
  auto isWow64 = kernel ? Lookup<IsWow64ProcessFn>(kernel, "IsWow64Process") : nullptr;
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
  HWND dialog = static_cast<HWND>(argument);
  const double worker = bench::SinceCreation();
  double marks[7];
  marks[0] = Now();
  Spooler();
  marks[1] = Now();
  Ports();
  marks[2] = Now();
  const int unpacked = Package(dialog);
  marks[3] = Now();
  const int names = DriverNames();
  marks[4] = Now();
  Version();
  marks[5] = Now();
  EnableWindow(GetDlgItem(dialog, bench::kButton), TRUE);
  marks[6] = Now();
  if (std::FILE* file = std::fopen("limit-steps.txt", "a")) {
    static const char* const kGroups[] = {"spooler", "ports",   "package",
                                          "names",   "version", "enabled"};
    std::fprintf(file, "worker %.1f", worker);
    for (int i = 1; i < 7; ++i)
      std::fprintf(file, " %s %.1f", kGroups[i - 1], marks[i] - marks[i - 1]);
    // Not times: what the library answered and how many names were read,
    // so that a limit that unpacked nothing shows.
    std::fprintf(file, " total %.1f unpack-result %d names-read %d\n", worker + marks[6] - marks[0],
                 unpacked, names);
    std::fclose(file);
  }
  return 0;
}

HANDLE worker = nullptr;

}  // namespace

int main() {
  bench::RunDialog([](HWND dialog) {
    worker = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &Worker, dialog, 0, nullptr));
  });
  if (worker != nullptr) {
    WaitForSingleObject(worker, INFINITE);
    CloseHandle(worker);
  }
  return 0;
}
