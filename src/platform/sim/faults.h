// Fault injection for the simulated machine. Every simulated entry point asks
// Check() with its own name (the interface method name, e.g. "AddPrinterA")
// before it does anything; an armed fault makes the call fail the Windows
// way with the chosen code: BOOL-like calls set the last error and return
// false or 0, LSTATUS-like calls return the code.
//
//   faults.Fail("AddPrinterA", 1802);                        // the next call
//   faults.Fail("RegSetValueExA", 5, {.fromCall = 3, .times = 1});
//   faults.Fail("StartServiceA", 1053, {.times = sim::kForever});
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace sim {

inline constexpr uint32_t kForever = 0xFFFFFFFFu;

struct FaultOptions {
  // Which call fails first, counted from the moment the fault is armed:
  // 1 is the next call, 3 lets two calls through first.
  uint32_t fromCall = 1;
  // How many calls fail from then on; kForever for every later call.
  uint32_t times = 1;
};

class Faults {
 public:
  // Arms a fault for calls named `call`. Several faults on one name are kept
  // and checked in the order they were armed.
  void Fail(const std::string& call, uint32_t errorCode, FaultOptions options = {});
  // Disarms every fault of `call`, or of every call.
  void Clear(const std::string& call);

  // Counts the call and returns the error code it must fail with, or nothing
  // when it goes ahead.
  std::optional<uint32_t> Check(const std::string& call);

  // How often `call` was made (failed calls included).
  uint64_t Calls(const std::string& call) const;

 private:
  struct Fault {
    uint64_t firstCall = 0;  // absolute call number of the first failing call
    uint32_t remaining = 0;  // kForever: no end
    uint32_t errorCode = 0;
  };
  struct Entry {
    uint64_t calls = 0;
    std::vector<Fault> faults;
  };

  mutable std::mutex mutex_;
  std::map<std::string, Entry> entries_;
};

}  // namespace sim
