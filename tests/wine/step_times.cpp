// The step clock of the installer's measuring build (driver_setup_steps.exe,
// INSTALLER_STEP_TIMES): each mark takes the time; the last one, "enabled",
// appends one line to startup-steps.txt in the current directory, after the
// Install button is enabled and so outside the time measured from outside:
//   worker MS step MS step MS ... total MS step/platform MS ...
// "worker" is the time from the process's creation to the worker's first
// step, each step's figure the time since the mark before, "total" the time
// from the process's creation to the last mark; "step/platform" the part of
// the step spent in platform calls (timed_machine.cpp).
//
// "install-begin" and "install-end" bound an Install command; the second
// appends one line to install-steps.txt:
//   command MS platform MS waits MS window MS own MS
// the command's time, the time it spent in platform calls (timed_machine.cpp;
// waits included), in waits alone, in window-system calls (status lines,
// progress, buttons), and the rest: the program's own computing.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "bench_dialog.h"
#include "shell/step_times.h"
#include "timed_machine.h"

namespace {

struct Mark {
  const char* step;
  LARGE_INTEGER at;
  double platform;  // platform time so far (timed_machine.cpp)
};

Mark marks[16];
int count = 0;
double creationToFirst = 0;

double Milliseconds(LONGLONG ticks) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(ticks) / static_cast<double>(frequency.QuadPart);
}

void Write() {
  std::FILE* file = std::fopen("startup-steps.txt", "a");
  if (file == nullptr) return;
  std::fprintf(file, "worker %.1f", creationToFirst);
  for (int i = 1; i < count; ++i) {
    std::fprintf(file, " %s %.1f", marks[i].step,
                 Milliseconds(marks[i].at.QuadPart - marks[i - 1].at.QuadPart));
  }
  std::fprintf(file, " total %.1f",
               creationToFirst + Milliseconds(marks[count - 1].at.QuadPart - marks[0].at.QuadPart));
  for (int i = 1; i < count; ++i) {
    std::fprintf(file, " %s/platform %.1f", marks[i].step,
                 marks[i].platform - marks[i - 1].platform);
  }
  std::fputc('\n', file);
  std::fclose(file);
}

}  // namespace

void StepMark(const char* step) {
  static LARGE_INTEGER installBegin;
  static PlatformTotals installTotals;
  if (std::strcmp(step, "install-begin") == 0) {
    QueryPerformanceCounter(&installBegin);
    installTotals = CurrentPlatformTotals();
    return;
  }
  if (std::strcmp(step, "install-end") == 0) {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    const PlatformTotals totals = CurrentPlatformTotals();
    const double command = Milliseconds(now.QuadPart - installBegin.QuadPart);
    const double platform = totals.platform - installTotals.platform;
    if (std::FILE* file = std::fopen("install-steps.txt", "a")) {
      const double window = totals.window - installTotals.window;
      std::fprintf(file, "command %.1f platform %.1f waits %.1f window %.1f own %.1f\n", command,
                   platform, totals.waits - installTotals.waits, window,
                   command - platform - window);
      std::fclose(file);
    }
    return;
  }
  if (count == static_cast<int>(sizeof marks / sizeof marks[0])) return;
  QueryPerformanceCounter(&marks[count].at);
  marks[count].step = step;
  marks[count].platform = CurrentPlatformTotals().platform;
  if (count == 0) creationToFirst = bench::SinceCreation();
  ++count;
  if (std::strcmp(step, "enabled") == 0) Write();
}
