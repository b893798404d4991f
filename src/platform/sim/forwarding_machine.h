// A machine that passes every service on to another machine. Tests derive
// from it to put one service of their own (a recording file system, real
// comm ports) in front of the simulated machine.
#pragma once

#include "platform/machine.h"

namespace sim {

class ForwardingMachine : public platform::Machine {
 public:
  explicit ForwardingMachine(platform::Machine& inner) : inner_(inner) {}

  platform::Registry& registry() override { return inner_.registry(); }
  platform::Spooler& spooler() override { return inner_.spooler(); }
  platform::ServiceManager& services() override { return inner_.services(); }
  platform::Security& security() override { return inner_.security(); }
  platform::FileSystem& files() override { return inner_.files(); }
  platform::SystemInfo& system() override { return inner_.system(); }
  platform::Clock& clock() override { return inner_.clock(); }
  platform::Threads& threads() override { return inner_.threads(); }
  platform::WindowSystem& ui() override { return inner_.ui(); }
  platform::ArchiveDll& archive() override { return inner_.archive(); }
  platform::CommPorts& comm() override { return inner_.comm(); }
  platform::ProcessServices& process() override { return inner_.process(); }
  uint32_t GetLastError() override { return inner_.GetLastError(); }

 private:
  platform::Machine& inner_;
};

}  // namespace sim
