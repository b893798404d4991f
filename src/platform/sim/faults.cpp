#include "platform/sim/faults.h"

namespace sim {

void Faults::Fail(const std::string& call, uint32_t errorCode, FaultOptions options) {
  std::lock_guard lock(mutex_);
  Entry& entry = entries_[call];
  if (options.times == 0) return;
  Fault fault;
  fault.firstCall = entry.calls + (options.fromCall == 0 ? 1 : options.fromCall);
  fault.remaining = options.times;
  fault.errorCode = errorCode;
  entry.faults.push_back(fault);
}

void Faults::Clear(const std::string& call) {
  std::lock_guard lock(mutex_);
  auto it = entries_.find(call);
  if (it != entries_.end()) it->second.faults.clear();
}

std::optional<uint32_t> Faults::Check(const std::string& call) {
  std::lock_guard lock(mutex_);
  Entry& entry = entries_[call];
  const uint64_t number = ++entry.calls;
  for (auto it = entry.faults.begin(); it != entry.faults.end(); ++it) {
    if (number < it->firstCall) continue;
    const uint32_t code = it->errorCode;
    if (it->remaining != kForever && --it->remaining == 0) entry.faults.erase(it);
    return code;
  }
  return std::nullopt;
}

uint64_t Faults::Calls(const std::string& call) const {
  std::lock_guard lock(mutex_);
  auto it = entries_.find(call);
  return it == entries_.end() ? 0 : it->second.calls;
}

}  // namespace sim
