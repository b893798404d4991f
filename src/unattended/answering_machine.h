// The machine a run with arguments hands to the installer: the real one,
// except that in /quiet and /passive mode no message box and no dialog but
// the main window reaches the screen. The run's rules answer them instead,
// whichever operation asks (the spooler control's box has no InstallerWindow
// to ask through). In the window a person answers, and the log keeps both.
#pragma once

#include <memory>

#include "platform/forwarding_machine.h"
#include "unattended/unattended_run.h"

class AnsweringMachine : public platform::ForwardingMachine {
 public:
  AnsweringMachine(platform::Machine& inner, UnattendedRun& run);
  ~AnsweringMachine() override;

  platform::WindowSystem& ui() override;

 private:
  class AnsweringWindowSystem;
  std::unique_ptr<AnsweringWindowSystem> ui_;
};
