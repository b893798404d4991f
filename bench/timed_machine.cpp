// The installer's measuring build (driver_setup_steps.exe, never shipped):
// the installer on the Win32 machine with a clock on every platform and
// window-system call (timed_backends.py), its step marks
// (INSTALLER_STEP_TIMES) written out for bench.sh. Platform time, waits
// included, is what any program making these calls must spend; window time
// is the program's own output (status lines, progress, buttons).
//
// The start-up's last mark, "enabled" (after the button is enabled, so
// outside the time measured from outside), appends to startup-steps.txt:
//   worker MS step MS ... total MS step/platform MS ...
// worker: process creation to the first mark; total: creation to the last.
// "install-end" appends to install-steps.txt:
//   command MS platform MS waits MS window MS own MS
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <atomic>
#include <cstdio>
#include <cstring>

#include "bench_clock.h"
#include "installation/step_times.h"
#include "platform/win32/win32_backends.h"
#include "shell/app.h"

namespace {

std::atomic<long long> platformTicks{0}, waitTicks{0}, windowTicks{0};

// The clocks: each adds the time of its own life to its totals.
struct PlatformCall {
  long long start = Ticks();
  ~PlatformCall() { platformTicks += Ticks() - start; }
};
struct WaitCall : PlatformCall {
  ~WaitCall() { waitTicks += Ticks() - start; }
};
// Not counted inside another window-system call (a send whose handler drives
// controls), which holds its time already.
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

using namespace platform;
using namespace platform::win32;
#include "timed_backends.inc"

class TimedMachine : public Win32Machine {
 public:
  Registry& registry() override { return registry_; }
  Spooler& spooler() override { return spooler_; }
  ServiceManager& services() override { return services_; }
  Security& security() override { return security_; }
  FileSystem& files() override { return files_; }
  SystemInfo& system() override { return system_; }
  Clock& clock() override { return clock_; }
  WindowSystem& ui() override { return ui_; }
  ArchiveDll& archive() override { return archive_; }

 private:
  TimedRegistry registry_;
  TimedSpooler spooler_;
  TimedServiceManager services_;
  TimedSecurity security_;
  TimedFileSystem files_;
  TimedSystemInfo system_;
  TimedClock clock_;
  TimedWindowSystem ui_;
  TimedArchiveDll archive_;
};

struct Mark {
  const char* step;
  long long at, platform;  // platform ticks so far
};
Mark marks[16];
int count = 0;
double creationToFirst = 0;
Mark installBegin;
long long installWaits = 0, installWindow = 0;

}  // namespace

void StepMark(const char* step) {
  if (std::strcmp(step, "install-begin") == 0) {
    installBegin = Mark{step, Ticks(), platformTicks};
    installWaits = waitTicks;
    installWindow = windowTicks;
  } else if (std::strcmp(step, "install-end") == 0) {
    const double command = Milliseconds(Ticks() - installBegin.at);
    const double platform = Milliseconds(platformTicks - installBegin.platform);
    const double window = Milliseconds(windowTicks - installWindow);
    if (std::FILE* file = std::fopen("install-steps.txt", "a")) {
      std::fprintf(file, "command %.1f platform %.1f waits %.1f window %.1f own %.1f\n", command,
                   platform, Milliseconds(waitTicks - installWaits), window,
                   command - platform - window);
      std::fclose(file);
    }
  } else if (count < 16) {
    marks[count] = Mark{step, Ticks(), platformTicks};
    if (count++ == 0) creationToFirst = SinceCreation();
    std::FILE* file =
        std::strcmp(step, "enabled") == 0 ? std::fopen("startup-steps.txt", "a") : nullptr;
    if (file == nullptr) return;
    std::fprintf(file, "worker %.1f", creationToFirst);
    for (int i = 1; i < count; ++i) {
      std::fprintf(file, " %s %.1f", marks[i].step, Milliseconds(marks[i].at - marks[i - 1].at));
    }
    std::fprintf(file, " total %.1f",
                 creationToFirst + Milliseconds(marks[count - 1].at - marks[0].at));
    for (int i = 1; i < count; ++i) {
      std::fprintf(file, " %s/platform %.1f", marks[i].step,
                   Milliseconds(marks[i].platform - marks[i - 1].platform));
    }
    std::fputc('\n', file);
    std::fclose(file);
  }
}

int main() {
  // The common controls, as CreateWin32Machine initialises them.
  INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX),
                                ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  TimedMachine machine;
  RunInstaller(machine);
  return 0;
}
