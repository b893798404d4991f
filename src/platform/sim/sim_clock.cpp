#include "platform/sim/sim_clock.h"

namespace sim {

void SimClock::Sleep(uint32_t milliseconds) {
  sleepCalls_.fetch_add(1);
  sleptMs_.fetch_add(milliseconds);
  Advance(milliseconds);
}

uint32_t SimClock::GetTickCount() { return static_cast<uint32_t>(nowMs_.load()); }

void SimClock::Advance(uint64_t ms) { nowMs_.fetch_add(ms); }

void SimClock::AdvanceTo(uint64_t ms) {
  uint64_t now = nowMs_.load();
  while (now < ms && !nowMs_.compare_exchange_weak(now, ms)) {
  }
}

}  // namespace sim
