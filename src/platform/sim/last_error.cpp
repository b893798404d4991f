#include "platform/sim/last_error.h"

namespace sim {

namespace {
thread_local uint32_t lastError = 0;
}

void SetLastError(uint32_t code) { lastError = code; }

uint32_t LastError() { return lastError; }

}  // namespace sim
