// The simulated machine's last-error value. Like the Win32 one it belongs to
// the calling thread: a worker's failure never shows up on the window thread.
#pragma once

#include <cstdint>

namespace sim {

void SetLastError(uint32_t code);
uint32_t LastError();

}  // namespace sim
