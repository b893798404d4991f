// The limit of the start-up benchmark: the bare dialog of bench_dialog.cpp
// that, before it enables its button, makes the platform calls the
// installer's start-up must make, in the same order and from a worker thread
// as the installer does, and nothing else:
//   1. the spooler: open the service manager and the service, query it, and
//      start it (polling every 5 ms) when it is stopped;
//   2. the ports: the serial device map, then EnumPortsA level 2 (size, then
//      data);
//   3. the package: load the archive library, wait 10 ms, look for the
//      archive, register the owner window, wait 100 ms, unpack, end the
//      registration, wait 10 ms, unload the library;
//   4. the driver names: the section names of the driver-name list and its
//      PrintName keys;
//   5. the version queries: IsWow64Process, looked up at run time, and
//      GetVersionExA.
// After the button is enabled (so outside the measured time) it appends the
// time each group took, in milliseconds, as one line to limit-steps.txt in
// its current directory, in the form of the installer's measuring build
// (step_times.cpp): worker MS spooler MS ports MS package MS names MS
// version MS enabled MS total MS, "worker" being the time from the
// process's creation to the worker's start.
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

DWORD PollFor(SC_HANDLE service, DWORD state, DWORD target) {
  for (int queries = 0; state != target && queries < 1000; ++queries) {
    SERVICE_STATUS status{};
    if (QueryServiceStatus(service, &status)) state = status.dwCurrentState;
    Sleep(5);
  }
  return state;
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
      PollFor(query, status.dwCurrentState, SERVICE_RUNNING);
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
