// The baud rates a serial printer may be searched at: the serial prompt's
// list and the rates a run with arguments accepts.
#pragma once

#include <cstdint>

// The rates, in the prompt's row order.
inline constexpr int32_t kSerialBaudRates[] = {300,   1200,  2400,  4800,  9600,
                                               19200, 38400, 57600, 115200};
inline constexpr int kSerialBaudRateCount = 9;
// The row selected when the prompt opens: 19200 bps.
inline constexpr int kDefaultBaudRow = 5;
