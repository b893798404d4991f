// The clocks of the benchmark programs (bench_dialog.cpp, timed_machine.cpp).
#pragma once

#include <windows.h>

inline long long Ticks() {
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  return counter.QuadPart;
}

inline double Milliseconds(long long ticks) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(ticks) / static_cast<double>(frequency.QuadPart);
}

// Since the process was created: what a start-up costs before main runs.
inline double SinceCreation() {
  FILETIME created, unused, now;
  GetProcessTimes(GetCurrentProcess(), &created, &unused, &unused, &unused);
  GetSystemTimeAsFileTime(&now);
  auto ticks = [](FILETIME t) { return (ULONGLONG{t.dwHighDateTime} << 32) | t.dwLowDateTime; };
  return static_cast<double>(ticks(now) - ticks(created)) / 10000.0;
}
