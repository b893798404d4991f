// "Uninstall printer driver dialog": the installed printers of the family
// and the removal of one of them with its driver.
#pragma once

#include "platform/machine.h"

class UninstallDialog : public platform::Dialog {
 public:
  explicit UninstallDialog(platform::Machine& machine);

  bool OnInitDialog() override;
  void OnCommand(int id, int notifyCode) override;
  void OnClose() override;

 private:
  // Restarts the spooler and lists the printers afresh.
  void BuildList();
  void UninstallSelected();

  platform::Machine& machine_;
};
