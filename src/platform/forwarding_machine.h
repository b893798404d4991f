// A machine that passes every service on to another machine. Derived
// machines put one service of their own in front of it: the unattended run
// answers the window system's questions, tests put real comm ports in front
// of the simulated machine.
#pragma once

#include "platform/machine.h"

namespace platform {

class ForwardingMachine : public Machine {
 public:
  explicit ForwardingMachine(Machine& inner) : inner_(inner) {}

  Registry& registry() override { return inner_.registry(); }
  Spooler& spooler() override { return inner_.spooler(); }
  ServiceManager& services() override { return inner_.services(); }
  Security& security() override { return inner_.security(); }
  FileSystem& files() override { return inner_.files(); }
  SystemInfo& system() override { return inner_.system(); }
  Clock& clock() override { return inner_.clock(); }
  Threads& threads() override { return inner_.threads(); }
  WindowSystem& ui() override { return inner_.ui(); }
  ArchiveDll& archive() override { return inner_.archive(); }
  CommPorts& comm() override { return inner_.comm(); }
  ProcessServices& process() override { return inner_.process(); }
  uint32_t GetLastError() override { return inner_.GetLastError(); }

 private:
  Machine& inner_;
};

}  // namespace platform
