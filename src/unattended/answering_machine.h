// The machine a run with arguments hands to the installer: the real one,
// except that in /quiet and /passive mode no message box and no dialog but
// the main window reaches the screen. The run's rules answer them instead,
// whichever operation asks (the spooler control's box has no InstallerWindow
// to ask through). In the window a person answers, and the log keeps both.
// Every stop and start of a service (the spooler restarts) goes into the
// log with the state the service was left in.
#pragma once

#include <memory>

#include "platform/forwarding_machine.h"
#include "unattended/unattended_run.h"

class AnsweringMachine : public platform::ForwardingMachine {
 public:
  AnsweringMachine(platform::Machine& inner, UnattendedRun& run);
  ~AnsweringMachine() override;

  platform::WindowSystem& ui() override;
  platform::ServiceManager& services() override;

 private:
  class AnsweringWindowSystem;
  class LoggingServices;
  std::unique_ptr<AnsweringWindowSystem> ui_;
  std::unique_ptr<LoggingServices> services_;
};
