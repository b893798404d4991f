// The installer's measuring build (driver_setup_steps.exe): the installer
// on the Win32 machine with a clock on the platform calls, its step marks
// (INSTALLER_STEP_TIMES) written out. Calls through the registry, spooler,
// service, security, file, system and archive interfaces, and waits, count
// as platform time (waits also apart); window-system calls (but the modal
// loop) count apart, as the program's own status and progress output;
// thread and comm calls are not counted.
//
// The start-up's last mark, "enabled", appends to startup-steps.txt (after
// the button is enabled, so outside the time measured from outside):
//   worker MS step MS ... total MS step/platform MS ...
// worker: process creation to the first mark; each step: since the mark
// before; total: creation to the last mark; step/platform: the step's
// platform time. "install-end" (after "install-begin") appends to
// install-steps.txt: command MS platform MS waits MS window MS own MS, own
// being the command's time less its platform and window time.
#include <atomic>
#include <cstdio>
#include <cstring>

#include "bench_dialog.h"
#include "platform/win32/win32_backends.h"
#include "shell/app.h"
#include "shell/step_times.h"

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
struct PlatformCall {
  long long start = Ticks();
  ~PlatformCall() { platformTicks += Ticks() - start; }
};

// Adds the time of its own life to the window-system total, unless it runs
// inside another window-system call (a send whose handler drives controls).
struct WindowCall {
  static thread_local int depth;
  long long start = Ticks();
  bool outermost = depth++ == 0;
  ~WindowCall() {
    --depth;
    if (outermost) windowTicks += Ticks() - start;
  }
};
thread_local int WindowCall::depth = 0;

// TIMEDn(Result, Name, n parameter types) overrides Base::Name with the same
// call, timed by the class's Clock (PlatformCall or WindowCall).
#define TIMED_(Result, Name, Parameters, Arguments) \
  Result Name Parameters override {                 \
    Clock timed;                                    \
    return Base::Name Arguments;                    \
  }
#define TIMED0(R, N) TIMED_(R, N, (), ())
#define TIMED1(R, N, A) TIMED_(R, N, (A a), (a))
#define TIMED2(R, N, A, B) TIMED_(R, N, (A a, B b), (a, b))
#define TIMED3(R, N, A, B, C) TIMED_(R, N, (A a, B b, C c), (a, b, c))
#define TIMED4(R, N, A, B, C, D) TIMED_(R, N, (A a, B b, C c, D d), (a, b, c, d))
#define TIMED5(R, N, A, B, C, D, E) TIMED_(R, N, (A a, B b, C c, D d, E e), (a, b, c, d, e))
#define TIMED6(R, N, A, B, C, D, E, F) \
  TIMED_(R, N, (A a, B b, C c, D d, E e, F f), (a, b, c, d, e, f))
#define TIMED7(R, N, A, B, C, D, E, F, G) \
  TIMED_(R, N, (A a, B b, C c, D d, E e, F f, G g), (a, b, c, d, e, f, g))

using namespace platform;
using namespace platform::win32;

// The Win32 backend B with a clock of kind C on the calls the class lists.
template <typename B, typename C>
struct Timed : B {
  using Base = B;
  using Clock = C;
};

struct TimedRegistry : Timed<Win32Registry, PlatformCall> {
  TIMED4(uint32_t, RegOpenKeyExA, KeyHandle, const std::string&, uint32_t, KeyHandle&)
  TIMED7(uint32_t, RegCreateKeyExA, KeyHandle, const std::string&, uint32_t, uint32_t, bool,
         KeyHandle&, uint32_t*)
  TIMED5(uint32_t, RegSetValueExA, KeyHandle, const std::string&, uint32_t, const void*, uint32_t)
  TIMED5(uint32_t, RegQueryValueExA, KeyHandle, const std::string&, uint32_t*, void*, uint32_t*)
  TIMED7(uint32_t, RegEnumValueA, KeyHandle, uint32_t, char*, uint32_t*, uint32_t*, void*,
         uint32_t*)
  TIMED1(uint32_t, RegCloseKey, KeyHandle)
  TIMED2(uint32_t, SHDeleteKeyA, KeyHandle, const std::string&)
};

struct TimedSpooler : Timed<Win32Spooler, PlatformCall> {
  TIMED1(bool, EnumPortsA, std::vector<PortInfo2>&)
  TIMED2(int, AddPortA, WindowId, const std::string&)
  TIMED2(bool, ConfigurePortA, WindowId, const std::string&)
  TIMED2(bool, DeletePortA, WindowId, const std::string&)
  TIMED2(bool, EnumPrintersA, uint32_t, std::vector<PrinterInfo2>&)
  TIMED3(int, OpenPrinterA, const std::string&, PrinterHandle&, const PrinterDefaults&)
  TIMED3(bool, SetPrinterA, PrinterHandle, uint32_t, uint32_t)
  TIMED1(bool, DeletePrinter, PrinterHandle)
  TIMED1(bool, ClosePrinter, PrinterHandle)
  TIMED1(PrinterHandle, AddPrinterA, const PrinterInfo2&)
  TIMED2(bool, GetPrinterDriverDirectoryA, const std::string&, std::string&)
  TIMED2(bool, AddPrinterDriverExA, const DriverInfo3&, uint32_t)
  TIMED2(bool, DeletePrinterDriverA, const std::string&, const std::string&)
  TIMED1(bool, AddMonitorA, const MonitorInfo2&)
  TIMED2(bool, DeleteMonitorA, const std::string&, const std::string&)
};

struct TimedServiceManager : Timed<Win32ServiceManager, PlatformCall> {
  TIMED2(ServiceHandle, OpenSCManagerA, const std::string&, uint32_t)
  TIMED3(ServiceHandle, OpenServiceA, ServiceHandle, const std::string&, uint32_t)
  TIMED2(bool, QueryServiceStatus, ServiceHandle, ServiceStatus&)
  TIMED3(bool, ControlService, ServiceHandle, uint32_t, ServiceStatus&)
  TIMED1(bool, StartServiceA, ServiceHandle)
  TIMED1(bool, CloseServiceHandle, ServiceHandle)
};

struct TimedSecurity : Timed<Win32Security, PlatformCall> {
  TIMED2(bool, OpenProcessToken, uint32_t, TokenHandle&)
  TIMED2(bool, LookupPrivilegeValueA, const std::string&, uint64_t&)
  TIMED3(bool, AdjustTokenPrivileges, TokenHandle, uint64_t, uint32_t)
  TIMED1(bool, CloseHandle, TokenHandle)
  TIMED2(uint32_t, GetNamedSecurityInfoA, const std::string&, std::unique_ptr<Acl>&)
  TIMED3(uint32_t, SetEntriesInAclA, const ExplicitAccess&, const Acl*, std::unique_ptr<Acl>&)
  TIMED2(uint32_t, SetNamedSecurityInfoA, const std::string&, const Acl&)
};

struct TimedFileSystem : Timed<Win32FileSystem, PlatformCall> {
  TIMED3(bool, CopyFileA, const std::string&, const std::string&, bool)
  TIMED1(bool, DeleteFileA, const std::string&)
  TIMED1(bool, CreateDirectoryA, const std::string&)
  TIMED1(bool, RemoveDirectoryA, const std::string&)
  TIMED2(FindHandle, FindFirstFileA, const std::string&, FindData&)
  TIMED2(bool, FindNextFileA, FindHandle, FindData&)
  TIMED1(bool, FindClose, FindHandle)
  TIMED1(uint32_t, GetFileAttributesA, const std::string&)
  TIMED2(uint32_t, GetCurrentDirectoryA, std::string&, uint32_t)
  TIMED2(uint32_t, GetSystemDirectoryA, std::string&, uint32_t)
  TIMED2(uint32_t, GetWindowsDirectoryA, std::string&, uint32_t)
  TIMED3(uint32_t, GetPrivateProfileSectionNamesA, char*, uint32_t, const std::string&)
  TIMED6(uint32_t, GetPrivateProfileStringA, const std::string&, const std::string&, const char*,
         char*, uint32_t, const std::string&)
};

struct TimedSystemInfo : Timed<Win32SystemInfo, PlatformCall> {
  TIMED1(bool, GetVersionExA, OsVersionInfo&)
  TIMED0(bool, HasIsWow64Process)
  TIMED1(bool, IsWow64Process, bool&)
  TIMED0(std::string, ApplicationTitle)
};

struct TimedArchiveDll : Timed<Win32ArchiveDll, PlatformCall> {
  TIMED1(bool, LoadLibraryA, const std::string&)
  TIMED0(void, FreeLibrary)
  TIMED1(bool, SetOwnerWindowEx, WindowId)
  TIMED4(int, SevenZip, WindowId, const std::string&, char*, uint32_t)
  TIMED1(bool, KillOwnerWindowEx, WindowId)
};

struct TimedWindowSystem : Timed<Win32WindowSystem, WindowCall> {
  TIMED1(uint32_t, RegisterWindowMessageA, const std::string&)
  TIMED2(void, EndDialog, WindowId, std::intptr_t)
  TIMED4(int, MessageBoxA, WindowId, const std::string&, const std::string&, uint32_t)
  TIMED4(LResult, SendMessageA, WindowId, uint32_t, WParam, LParam)
  TIMED3(void, SetTimer, WindowId, std::uintptr_t, uint32_t)
  TIMED2(void, KillTimer, WindowId, std::uintptr_t)
  TIMED3(void, SetDlgItemTextA, WindowId, int, const std::string&)
  TIMED2(std::string, GetDlgItemTextA, WindowId, int)
  TIMED3(void, EnableDlgItem, WindowId, int, bool)
  TIMED2(bool, IsDlgItemEnabled, WindowId, int)
  TIMED3(void, CheckDlgButton, WindowId, int, bool)
  TIMED2(bool, IsDlgButtonChecked, WindowId, int)
  TIMED3(void, SetProgressPos, WindowId, int, int)
  TIMED2(int, GetProgressPos, WindowId, int)
  TIMED2(void, ComboResetContent, WindowId, int)
  TIMED3(int, ComboAddString, WindowId, int, const std::string&)
  TIMED3(void, ComboSetCurSel, WindowId, int, int)
  TIMED2(int, ComboGetCurSel, WindowId, int)
  TIMED2(int, ComboGetCount, WindowId, int)
  TIMED3(std::string, ComboGetItemText, WindowId, int, int)
  TIMED2(void, ListDeleteAllItems, WindowId, int)
  TIMED2(int, ListGetColumnCount, WindowId, int)
  TIMED3(void, ListDeleteColumn, WindowId, int, int)
  TIMED6(void, ListInsertColumn, WindowId, int, int, const std::string&, int, int)
  TIMED4(void, ListSetColumnWidth, WindowId, int, int, int)
  TIMED2(uint32_t, ListGetExtendedStyle, WindowId, int)
  TIMED3(void, ListSetExtendedStyle, WindowId, int, uint32_t)
  TIMED4(int, ListInsertItem, WindowId, int, int, const std::string&)
  TIMED5(void, ListSetItemText, WindowId, int, int, int, const std::string&)
  TIMED4(std::string, ListGetItemText, WindowId, int, int, int)
  TIMED2(int, ListGetItemCount, WindowId, int)
  TIMED4(uint32_t, ListGetItemState, WindowId, int, int, uint32_t)
  TIMED5(void, ListSetItemState, WindowId, int, int, uint32_t, uint32_t)
};

struct TimedClock : Timed<Win32Clock, PlatformCall> {
  void Sleep(uint32_t milliseconds) override {
    PlatformCall timed;
    const long long start = Ticks();
    Win32Clock::Sleep(milliseconds);
    waitTicks += Ticks() - start;
  }
  TIMED0(uint32_t, GetTickCount)
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

// Milliseconds spent since the process started in platform calls (waits
// included), in waits alone, and in window-system calls.
struct PlatformTotals {
  double platform, waits, window;
};

PlatformTotals Totals() {
  return PlatformTotals{TicksToMilliseconds(platformTicks), TicksToMilliseconds(waitTicks),
                        TicksToMilliseconds(windowTicks)};
}

struct Mark {
  const char* step;
  long long at;
  double platform;  // platform time so far
};
Mark marks[16];
int count = 0;
double creationToFirst = 0;
long long installBegin = 0;
PlatformTotals installTotals{};

}  // namespace

void StepMark(const char* step) {
  if (std::strcmp(step, "install-begin") == 0) {
    installBegin = Ticks();
    installTotals = Totals();
  } else if (std::strcmp(step, "install-end") == 0) {
    const double command = TicksToMilliseconds(Ticks() - installBegin);
    const PlatformTotals t = Totals();
    const double platform = t.platform - installTotals.platform;
    const double window = t.window - installTotals.window;
    if (std::FILE* file = std::fopen("install-steps.txt", "a")) {
      std::fprintf(file, "command %.1f platform %.1f waits %.1f window %.1f own %.1f\n", command,
                   platform, t.waits - installTotals.waits, window, command - platform - window);
      std::fclose(file);
    }
  } else if (count < 16) {
    marks[count] = Mark{step, Ticks(), Totals().platform};
    if (count++ == 0) creationToFirst = bench::SinceCreation();
    std::FILE* file =
        std::strcmp(step, "enabled") == 0 ? std::fopen("startup-steps.txt", "a") : nullptr;
    if (file == nullptr) return;
    std::fprintf(file, "worker %.1f", creationToFirst);
    for (int i = 1; i < count; ++i) {
      std::fprintf(file, " %s %.1f", marks[i].step,
                   TicksToMilliseconds(marks[i].at - marks[i - 1].at));
    }
    std::fprintf(file, " total %.1f",
                 creationToFirst + TicksToMilliseconds(marks[count - 1].at - marks[0].at));
    for (int i = 1; i < count; ++i) {
      std::fprintf(file, " %s/platform %.1f", marks[i].step,
                   marks[i].platform - marks[i - 1].platform);
    }
    std::fputc('\n', file);
    std::fclose(file);
  }
}

int main() {
  // The common controls, as CreateWin32Machine initialises them.
  INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX),
                                ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&controls);
  TimedMachine machine;
  RunInstaller(machine);
  return 0;
}
