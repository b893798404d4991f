// The "Configure TCP/IP PrinterPort" dialog: picks a TCP/IP port, and adds,
// configures and deletes them.
#pragma once

#include <string>

#include "platform/machine.h"

class TcpIpPortDialog : public platform::Dialog {
 public:
  explicit TcpIpPortDialog(platform::Machine& machine);

  // The port of the row the dialog ended with; empty after a cancel.
  const std::string& chosenPort() const { return chosenPort_; }

  bool OnInitDialog() override;
  void OnCommand(int id, int notifyCode) override;
  void OnClose() override;

 private:
  int Rebuild();
  void AddPort();
  void ConfigurePort();
  void DeletePort();
  void Accept();

  platform::Machine& machine_;
  std::string chosenPort_;
};
