// Virtual time for the simulated machine. Nothing here sleeps for real:
// Sleep moves the clock forward at once, and window timers fall due at
// virtual times that the window system reaches by moving the clock itself.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>

#include "platform/clock.h"

namespace sim {

class SimClock : public platform::Clock {
 public:
  explicit SimClock(uint64_t startMs = 0) : nowMs_(startMs) {}

  // platform::Clock. Safe from any thread.
  void Sleep(uint32_t milliseconds) override;
  uint32_t GetTickCount() override;  // the low 32 bits, wrapping like Windows

  uint64_t NowMs() const { return nowMs_.load(); }
  // Moves the clock forward by `ms`.
  void Advance(uint64_t ms);
  // Moves the clock to `ms` unless it is already past it (time never goes back).
  // Actions scheduled with At on the way run first, in time order, on the
  // moving thread, with the clock standing at their time.
  void AdvanceTo(uint64_t ms);
  // Runs `action` when the clock reaches `atMs` (things outside the program
  // that happen at a moment, such as a device answering).
  void At(uint64_t atMs, std::function<void()> action);
  // Total virtual time that Sleep calls asked for.
  uint64_t SleptMs() const { return sleptMs_.load(); }

 private:
  void RaiseTo(uint64_t ms);

  std::atomic<uint64_t> nowMs_;
  std::mutex scheduleMutex_;
  std::multimap<uint64_t, std::function<void()>> scheduled_;
  std::atomic<uint64_t> sleptMs_{0};
};

}  // namespace sim
