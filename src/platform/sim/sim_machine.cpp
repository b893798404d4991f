#include "platform/sim/sim_machine.h"

#include "platform/sim/last_error.h"
#include "platform/win_constants.h"

namespace sim {

SimMachine::SimMachine()
    : registry_(faults_),
      files_(faults_),
      system_(faults_),
      spooler_(faults_, registry_, files_, system_),
      services_(faults_, [this] { return clock_.NowMs(); }),
      security_(faults_, registry_),
      archive_(files_) {
  spooler_.SetServiceProbe([this] { return services_.State("Spooler") == win::SERVICE_RUNNING; });
  services_.SetListeners(
      "Spooler", [this] { spooler_.OnServiceStopped(); }, [this] { spooler_.OnServiceStarted(); });
  threads_.SetFaultHook([this](const char* call) {
    if (auto fault = faults_.Check(call)) {
      SetLastError(*fault);
      return true;
    }
    return false;
  });
  ui_ = std::make_unique<SimUi>(clock_, threads_);
}

SimMachine::~SimMachine() = default;

uint32_t SimMachine::GetLastError() { return LastError(); }

}  // namespace sim
