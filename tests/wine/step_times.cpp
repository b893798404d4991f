// The step clock of the installer's measuring build (driver_setup_steps.exe,
// INSTALLER_STEP_TIMES): each mark takes the time; the last one, "enabled",
// appends one line to startup-steps.txt in the current directory, after the
// Install button is enabled and so outside the time measured from outside:
//   worker MS step MS step MS ... total MS
// "worker" is the time from the process's creation to the worker's first
// step, each step's figure the time since the mark before, "total" the time
// from the process's creation to the last mark.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "shell/step_times.h"

namespace {

struct Mark {
  const char* step;
  LARGE_INTEGER at;
};

Mark marks[16];
int count = 0;
double creationToFirst = 0;

double Milliseconds(LONGLONG ticks) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(ticks) / static_cast<double>(frequency.QuadPart);
}

// The time since the process was created, in milliseconds.
double SinceCreation() {
  FILETIME created, exited, kernel, user, now;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  GetSystemTimeAsFileTime(&now);
  ULARGE_INTEGER from{}, to{};
  from.LowPart = created.dwLowDateTime;
  from.HighPart = created.dwHighDateTime;
  to.LowPart = now.dwLowDateTime;
  to.HighPart = now.dwHighDateTime;
  return static_cast<double>(to.QuadPart - from.QuadPart) / 10000.0;
}

void Write() {
  std::FILE* file = std::fopen("startup-steps.txt", "a");
  if (file == nullptr) return;
  std::fprintf(file, "worker %.1f", creationToFirst);
  for (int i = 1; i < count; ++i) {
    std::fprintf(file, " %s %.1f", marks[i].step,
                 Milliseconds(marks[i].at.QuadPart - marks[i - 1].at.QuadPart));
  }
  std::fprintf(file, " total %.1f\n",
               creationToFirst + Milliseconds(marks[count - 1].at.QuadPart - marks[0].at.QuadPart));
  std::fclose(file);
}

}  // namespace

void StartupStepDone(const char* step) {
  if (count == static_cast<int>(sizeof marks / sizeof marks[0])) return;
  QueryPerformanceCounter(&marks[count].at);
  marks[count].step = step;
  if (count == 0) creationToFirst = SinceCreation();
  ++count;
  if (std::strcmp(step, "enabled") == 0) Write();
}
