// One serial port opened for overlapped I/O, with a monitoring thread that
// reports each received byte to an owner window (WM_SERIALDATA) and sends
// the bytes the owner queues.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/machine.h"

class SerialChannel {
 public:
  explicit SerialChannel(platform::Machine& machine);
  virtual ~SerialChannel();
  SerialChannel(const SerialChannel&) = delete;
  SerialChannel& operator=(const SerialChannel&) = delete;

  bool Open(platform::WindowId owner, int32_t portNumber, int32_t baudRate, char parity,
            int32_t dataBits, int32_t stopBits, uint32_t eventMask, uint32_t writeBufferSize);
  bool StartMonitoring();
  void Write(const uint8_t* bytes, uint32_t count);
  bool Close();
  bool IsOpen() const;

 private:
  platform::Machine& machine_;
  struct State;
  std::unique_ptr<State> state_;
};
