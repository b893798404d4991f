#pragma once

#include <cstdint>

// The kind of port the printer is connected to: the row of the port-type list.
enum PortKind : int32_t {
  Serial = 0,
  Usb = 1,
  Parallel = 2,
  TcpIp = 3,
};

// Port dialog results: a chosen row, a cancel, or a TCP/IP port just created.
inline constexpr int32_t RESULT_ROW_BASE = 0x1200;
inline constexpr int32_t RESULT_CANCEL = 0xCCCC;
inline constexpr int32_t RESULT_PORT_ADDED = 0xAAAA;

// The serial channel's notification for each received byte.
inline constexpr uint32_t WM_SERIALDATA = 0x0400 + 7;
// Posted by the serial channel when an operation on its port failed; the
// owner takes the texts with SerialChannel::TakeErrors and shows them.
inline constexpr uint32_t WM_SERIALERROR = 0x0400 + 9;
