#include "platform/sim/sim_process.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "platform/security.h"
#include "platform/sim/faults.h"
#include "platform/sim/last_error.h"
#include "platform/sim/sim_security.h"
#include "platform/win_constants.h"

namespace sim {

class SimMutex : public platform::NamedMutex {
 public:
  SimMutex(SimProcess& process, std::string name) : process_(process), name_(std::move(name)) {}
  ~SimMutex() override {
    std::lock_guard lock(process_.mutex_);
    if (--process_.mutexes_[name_].holders == 0) process_.mutexes_.erase(name_);
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

bool SimProcess::AppendToFile(const std::string& path, const std::string& bytes,
                              platform::LogFileRefusal& refusal, std::string& owner) {
  refusal = platform::LogFileRefusal::kNone;
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
  if (std::filesystem::is_symlink(std::filesystem::symlink_status(host, error))) {
    refusal = platform::LogFileRefusal::kLink;
    return false;
  }
  if (std::filesystem::exists(host, error)) {
    if (std::filesystem::hard_link_count(host, error) > 1) {
      refusal = platform::LogFileRefusal::kHardLinks;
      return false;
    }
    const std::string found = files_.OwnerOf(path);
    if (!found.empty() && found != platform::kSidAdministrators && found != platform::kSidSystem &&
        found != SimSecurity::kDefaultProcessUser) {
      refusal = platform::LogFileRefusal::kForeignOwner;
      owner = found;
      return false;
    }
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

platform::InstanceMutex SimProcess::CreateInstanceMutex(const std::string& name) {
  platform::InstanceMutex result;
  if (auto fault = faults_.Check("CreateMutexA")) {
    result.error = *fault;
    return result;
  }
  std::lock_guard lock(mutex_);
  if (!elevated_) {
    result.error = win::ERROR_ACCESS_DENIED;
    return result;
  }
  const std::string key = privateNamespaces_ ? name : "Global\\" + name;
  result.place = privateNamespaces_ ? "the Administrators' private namespace" : key;
  auto found = mutexes_.find(key);
  if (found == mutexes_.end()) {
    found = mutexes_.emplace(key, MutexObject{0, platform::kSidAdministrators, true}).first;
    result.state = platform::InstanceMutexState::kCreated;
  } else if (!found->second.administratorsMayOpen) {
    result.state = platform::InstanceMutexState::kRefused;
    result.error = win::ERROR_ACCESS_DENIED;
    return result;
  } else {
    result.owner = found->second.owner;
    result.state =
        result.owner == platform::kSidAdministrators || result.owner == platform::kSidSystem
            ? platform::InstanceMutexState::kHeldByInstaller
            : platform::InstanceMutexState::kForeign;
  }
  ++found->second.holders;
  result.handle = std::make_unique<SimMutex>(*this, key);
  return result;
}

std::unique_ptr<platform::NamedMutex> SimProcess::HoldGlobalMutex(const std::string& globalName,
                                                                  const std::string& ownerSid,
                                                                  bool administratorsMayOpen) {
  std::lock_guard lock(mutex_);
  MutexObject& object = mutexes_[globalName];
  if (object.holders == 0) object = MutexObject{0, ownerSid, administratorsMayOpen};
  ++object.holders;
  return std::make_unique<SimMutex>(*this, globalName);
}

int SimProcess::MutexHolders(const std::string& name) const {
  std::lock_guard lock(mutex_);
  int holders = 0;
  for (const std::string& key : {name, "Global\\" + name}) {
    const auto found = mutexes_.find(key);
    if (found != mutexes_.end()) holders += found->second.holders;
  }
  return holders;
}

bool SimProcess::IsElevated() { return elevated_; }

}  // namespace sim
