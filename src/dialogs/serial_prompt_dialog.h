// The serial port prompt: asks whether the installer should look for the
// serial port the printer is on, and at which baud rate. Ends with
// RESULT_ROW_BASE + the row of the chosen rate ("&Yes"), RESULT_CANCEL
// ("&No"), or IDCANCEL (2) from the close box or Escape.
#pragma once

#include <cstdint>

#include "platform/machine.h"

// The rates of the list, in row order.
inline constexpr int32_t kSerialBaudRates[] = {300,   1200,  2400,  4800,  9600,
                                               19200, 38400, 57600, 115200};
inline constexpr int kSerialBaudRateCount = 9;
// The row selected when the prompt opens: 19200 bps.
inline constexpr int kDefaultBaudRow = 5;

class SerialPromptDialog : public platform::Dialog {
 public:
  explicit SerialPromptDialog(platform::Machine& machine);

  bool OnInitDialog() override;
  void OnCommand(int id, int notifyCode) override;
  void OnClose() override;

 private:
  platform::Machine& machine_;
};

// Shows the prompt modally over `owner` and returns its result.
std::intptr_t ShowSerialPrompt(platform::Machine& machine, platform::WindowId owner);
