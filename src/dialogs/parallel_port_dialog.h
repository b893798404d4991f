// The "Select A Parallel Port" dialog: picks one of two or more parallel
// ports. Ends with RESULT_ROW_BASE + row or RESULT_CANCEL.
#pragma once

#include <string>

#include "platform/machine.h"

class ParallelPortDialog : public platform::Dialog {
 public:
  explicit ParallelPortDialog(platform::Machine& machine);

  // The port of the row the dialog ended with; empty after a cancel.
  const std::string& chosenPort() const { return chosenPort_; }

  bool OnInitDialog() override;
  void OnCommand(int id, int notifyCode) override;
  void OnClose() override;

 private:
  void Accept();

  platform::Machine& machine_;
  std::string chosenPort_;
};
