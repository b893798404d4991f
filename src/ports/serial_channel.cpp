#include "ports/serial_channel.h"

struct SerialChannel::State {
  bool open = false;
};

SerialChannel::SerialChannel(platform::Machine& machine)
    : machine_(machine), state_(std::make_unique<State>()) {}

SerialChannel::~SerialChannel() { Close(); }

bool SerialChannel::Open(platform::WindowId, int32_t, int32_t, char, int32_t, int32_t, uint32_t,
                         uint32_t) {
  return false;
}

bool SerialChannel::StartMonitoring() { return false; }

void SerialChannel::Write(const uint8_t*, uint32_t) {}

bool SerialChannel::Close() {
  state_->open = false;
  return true;
}

bool SerialChannel::IsOpen() const { return state_->open; }
