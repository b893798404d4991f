#include "platform/sim/sim_clock.h"

namespace sim {

void SimClock::Sleep(uint32_t milliseconds) {
  sleptMs_.fetch_add(milliseconds);
  Advance(milliseconds);
}

uint32_t SimClock::GetTickCount() { return static_cast<uint32_t>(nowMs_.load()); }

void SimClock::Advance(uint64_t ms) {
  {
    std::lock_guard<std::mutex> lock(scheduleMutex_);
    if (scheduled_.empty()) {
      nowMs_.fetch_add(ms);
      return;
    }
  }
  AdvanceTo(nowMs_.load() + ms);
}

void SimClock::RaiseTo(uint64_t ms) {
  uint64_t now = nowMs_.load();
  while (now < ms && !nowMs_.compare_exchange_weak(now, ms)) {
  }
}

void SimClock::AdvanceTo(uint64_t ms) {
  for (;;) {
    std::function<void()> action;
    {
      std::lock_guard<std::mutex> lock(scheduleMutex_);
      auto first = scheduled_.begin();
      if (first == scheduled_.end() || first->first > ms) break;
      RaiseTo(first->first);
      action = std::move(first->second);
      scheduled_.erase(first);
    }
    action();
  }
  RaiseTo(ms);
}

void SimClock::At(uint64_t atMs, std::function<void()> action) {
  std::lock_guard<std::mutex> lock(scheduleMutex_);
  scheduled_.emplace(atMs, std::move(action));
}

}  // namespace sim
