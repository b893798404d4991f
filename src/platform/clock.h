// Time. The simulated machine keeps virtual time, so waits cost nothing there.
#pragma once

#include <cstdint>

namespace platform {

class Clock {
 public:
  virtual ~Clock() = default;
  virtual void Sleep(uint32_t milliseconds) = 0;
  virtual uint32_t GetTickCount() = 0;
};

}  // namespace platform
