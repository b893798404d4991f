// The serial port prompt: asks whether the installer should look for the
// serial port the printer is on, and at which baud rate. Ends with
// RESULT_ROW_BASE + the row of the chosen rate ("&Yes"), RESULT_CANCEL
// ("&No"), or IDCANCEL (2) from the close box or Escape.
#pragma once

#include <cstdint>

#include "platform/machine.h"
#include "ports/baud_rates.h"

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
