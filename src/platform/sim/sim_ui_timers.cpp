// Window timers on the virtual clock.
#include "platform/sim/sim_ui.h"

#include <algorithm>

#include "platform/sim/sim_ui_internal.h"

namespace sim {

using platform::WindowId;

namespace {

constexpr uint32_t kMinTimerMs = 10;  // USER_TIMER_MINIMUM

}  // namespace

void SimUi::SetTimer(WindowId window, std::uintptr_t timerId, uint32_t elapseMs) {
  std::lock_guard lock(mutex_);
  auto w = FindLocked(window);
  if (!w) return;
  Timer t;
  t.intervalMs = std::max(elapseMs, kMinTimerMs);
  t.dueMs = clock_.NowMs() + t.intervalMs;
  timers_[{window, timerId}] = t;  // a running timer of that id starts over
  Event e;
  e.kind = EventKind::TimerSet;
  e.window = window;
  e.value = static_cast<int64_t>(timerId);
  e.type = t.intervalMs;
  RecordLocked(std::move(e));
}

void SimUi::KillTimer(WindowId window, std::uintptr_t timerId) {
  std::lock_guard lock(mutex_);
  if (timers_.erase({window, timerId}) == 0) return;
  Event e;
  e.kind = EventKind::TimerKilled;
  e.window = window;
  e.value = static_cast<int64_t>(timerId);
  RecordLocked(std::move(e));
}

bool SimUi::FireNextTimer(uint64_t limitMs) {
  WindowId window = 0;
  std::uintptr_t timerId = 0;
  uint64_t due = 0;
  {
    std::lock_guard lock(mutex_);
    const auto self = std::this_thread::get_id();
    Timer* next = nullptr;
    for (auto& [key, timer] : timers_) {
      auto w = FindLocked(key.first);
      if (!w || w->owner != self) continue;
      if (!next || timer.dueMs < next->dueMs) {
        next = &timer;
        window = key.first;
        timerId = key.second;
      }
    }
    if (!next || next->dueMs > limitMs) return false;
    due = next->dueMs;
  }
  // Without the lock: moments scheduled on the clock before the timer (a
  // device answering) run first and may send to windows.
  clock_.AdvanceTo(due);
  {
    std::lock_guard lock(mutex_);
    auto timer = timers_.find({window, timerId});
    // Killed or set anew meanwhile: the caller looks for the next one again.
    if (timer == timers_.end() || timer->second.dueMs > clock_.NowMs()) return true;
    Timer* next = &timer->second;
    // Like WM_TIMER, intervals that passed unseen give one message, not many.
    next->dueMs = std::max(next->dueMs, clock_.NowMs()) + next->intervalMs;
    Event e;
    e.kind = EventKind::TimerFired;
    e.window = window;
    e.value = static_cast<int64_t>(timerId);
    RecordLocked(std::move(e));
  }
  Deliver(window, kWmTimer, timerId, 0);
  return true;
}

std::map<std::uintptr_t, uint32_t> SimUi::Timers(WindowId window) const {
  std::lock_guard lock(mutex_);
  std::map<std::uintptr_t, uint32_t> out;
  for (const auto& [key, timer] : timers_) {
    if (key.first == window) out[key.second] = timer.intervalMs;
  }
  return out;
}

}  // namespace sim
