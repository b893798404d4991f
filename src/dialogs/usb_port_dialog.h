// The "Select a USB Port" dialog. Ends with the plain index of the chosen
// row, or with kUsbDialogCancelled for Cancel, Escape and the close box.
#pragma once

#include <cstdint>
#include <string>

#include "platform/machine.h"

// Not a row index, unlike the window system's own cancel code 2.
inline constexpr std::intptr_t kUsbDialogCancelled = -1;

class UsbPortDialog : public platform::Dialog {
 public:
  explicit UsbPortDialog(platform::Machine& machine);

  // The port of the row the dialog ended with; empty when the list was empty
  // or the dialog was cancelled.
  const std::string& chosenPort() const { return chosenPort_; }

  bool OnInitDialog() override;
  void OnCommand(int id, int notifyCode) override;
  void OnClose() override;

 private:
  void Accept();

  platform::Machine& machine_;
  std::string chosenPort_;
};
