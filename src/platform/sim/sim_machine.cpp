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

std::string SimMachine::Leftovers() const {
  std::string out;
  auto add = [&out](const std::string& part) {
    if (!part.empty()) out += (out.empty() ? "" : "; ") + part;
  };
  auto count = [&add](const char* what, size_t n) {
    if (n != 0) add(std::string(what) + ": " + std::to_string(n));
  };
  count("registry keys open", registry_.OpenKeyCount());
  count("service handles open", services_.OpenHandleCount());
  count("printer handles open", spooler_.OpenPrinterHandleCount());
  count("find handles open", files_.OpenFindCount());
  count("tokens open", security_.OpenTokenCount());
  count("comm port and event handles open", static_cast<size_t>(comm_.OpenHandles()));
  count("threads still running", static_cast<size_t>(threads_.dispatcher().LiveThreads()));
  if (archive_.IsLoaded()) add("archive library still loaded");
  add(ui_->Leftovers());
  return out;
}

}  // namespace sim
