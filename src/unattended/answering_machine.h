// The machine a run with arguments hands to the installer: the real one,
// except that in /quiet and /passive mode no message box and no dialog but
// the main window reaches the screen. The run's rules answer them instead,
// whichever operation asks (the spooler control's box has no InstallerWindow
// to ask through). In the window a person answers, and the log keeps both.
#pragma once

#include "platform/machine.h"
#include "unattended/unattended_run.h"

class AnsweringMachine : public platform::Machine {
 public:
  AnsweringMachine(platform::Machine& inner, UnattendedRun& run);
  ~AnsweringMachine() override;

  platform::Registry& registry() override { return inner_.registry(); }
  platform::Spooler& spooler() override { return inner_.spooler(); }
  platform::ServiceManager& services() override { return inner_.services(); }
  platform::Security& security() override { return inner_.security(); }
  platform::FileSystem& files() override { return inner_.files(); }
  platform::SystemInfo& system() override { return inner_.system(); }
  platform::Clock& clock() override { return inner_.clock(); }
  platform::Threads& threads() override { return inner_.threads(); }
  platform::WindowSystem& ui() override;
  platform::ArchiveDll& archive() override { return inner_.archive(); }
  platform::CommPorts& comm() override { return inner_.comm(); }
  platform::ProcessServices& process() override { return inner_.process(); }
  uint32_t GetLastError() override { return inner_.GetLastError(); }

 private:
  class AnsweringWindowSystem;
  platform::Machine& inner_;
  std::unique_ptr<AnsweringWindowSystem> ui_;
};
