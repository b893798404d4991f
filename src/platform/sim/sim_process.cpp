#include "platform/sim/sim_process.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "platform/sim/faults.h"
#include "platform/sim/last_error.h"
#include "platform/win_constants.h"

namespace sim {

class SimMutex : public platform::NamedMutex {
 public:
  SimMutex(SimProcess& process, std::string name) : process_(process), name_(std::move(name)) {}
  ~SimMutex() override {
    std::lock_guard lock(process_.mutex_);
    if (--process_.mutexes_[name_] == 0) process_.mutexes_.erase(name_);
  }

 private:
  SimProcess& process_;
  std::string name_;
};

std::string SimProcess::LocalTimestamp() {
  const uint64_t ms = clock_.NowMs();
  const uint64_t seconds = ms / 1000;
  char text[32];
  std::snprintf(text, sizeof text, "2026-01-05 %02u:%02u:%02u.%03u",
                static_cast<unsigned>(8 + seconds / 3600 % 16),
                static_cast<unsigned>(seconds / 60 % 60), static_cast<unsigned>(seconds % 60),
                static_cast<unsigned>(ms % 1000));
  return text;
}

bool SimProcess::AppendToFile(const std::string& path, const std::string& bytes) {
  if (auto fault = faults_.Check("AppendToFile")) {
    SetLastError(*fault);
    return false;
  }
  const std::filesystem::path host = files_.HostPath(path);
  std::error_code error;
  if (host.empty() || !std::filesystem::is_directory(host.parent_path(), error)) {
    SetLastError(win::ERROR_PATH_NOT_FOUND);
    return false;
  }
  std::ofstream out(host, std::ios::binary | std::ios::app);
  out << bytes;
  return static_cast<bool>(out);
}

bool SimProcess::AttachParentConsole() {
  std::lock_guard lock(mutex_);
  attached_ = consolePresent_;
  return attached_;
}

void SimProcess::WriteToConsole(const std::string& text) {
  std::lock_guard lock(mutex_);
  if (attached_) console_ += text;
}

std::string SimProcess::ConsoleText() const {
  std::lock_guard lock(mutex_);
  return console_;
}

std::unique_ptr<platform::NamedMutex> SimProcess::CreateMutexA(const std::string& name,
                                                               bool& existed) {
  if (auto fault = faults_.Check("CreateMutexA")) {
    SetLastError(*fault);
    return nullptr;
  }
  std::lock_guard lock(mutex_);
  existed = mutexes_[name]++ > 0;
  return std::make_unique<SimMutex>(*this, name);
}

int SimProcess::MutexHolders(const std::string& name) const {
  std::lock_guard lock(mutex_);
  const auto found = mutexes_.find(name);
  return found == mutexes_.end() ? 0 : found->second;
}

bool SimProcess::IsElevated() { return elevated_; }

}  // namespace sim
