#include "platform/sim/sim_system.h"

#include "platform/sim/faults.h"
#include "platform/sim/last_error.h"
#include "platform/win_constants.h"

namespace sim {

SimSystem::SimSystem(Faults& faults) : faults_(faults) {}

bool SimSystem::GetVersionExA(platform::OsVersionInfo& info) {
  if (auto fault = faults_.Check("GetVersionExA")) {
    SetLastError(*fault);
    return false;
  }
  std::lock_guard lock(mutex_);
  if (info.size != 148 && info.size != 156) {
    SetLastError(win::ERROR_INSUFFICIENT_BUFFER);
    return false;
  }
  if (info.size == 156 && !extendedWorks_) {
    SetLastError(win::ERROR_INVALID_PARAMETER);
    return false;
  }
  info.majorVersion = major_;
  info.minorVersion = minor_;
  info.buildNumber = build_;
  info.platformId = platformId_;
  return true;
}

bool SimSystem::HasIsWow64Process() {
  std::lock_guard lock(mutex_);
  return hasIsWow64_;
}

bool SimSystem::IsWow64Process(bool& wow64) {
  if (auto fault = faults_.Check("IsWow64Process")) {
    SetLastError(*fault);
    return false;
  }
  std::lock_guard lock(mutex_);
  if (!hasIsWow64_) {
    SetLastError(win::ERROR_PROC_NOT_FOUND);
    return false;
  }
  wow64 = is64Bit_;
  return true;
}

std::string SimSystem::ApplicationTitle() {
  std::lock_guard lock(mutex_);
  return title_;
}

void SimSystem::SetVersion(uint32_t platformId, uint32_t major, uint32_t minor, uint32_t build) {
  std::lock_guard lock(mutex_);
  platformId_ = platformId;
  major_ = major;
  minor_ = minor;
  build_ = build;
}

void SimSystem::Set64Bit(bool is64Bit) {
  std::lock_guard lock(mutex_);
  is64Bit_ = is64Bit;
}

bool SimSystem::Is64Bit() const {
  std::lock_guard lock(mutex_);
  return is64Bit_;
}

void SimSystem::SetHasIsWow64Process(bool present) {
  std::lock_guard lock(mutex_);
  hasIsWow64_ = present;
}

void SimSystem::SetExtendedVersionQueryWorks(bool works) {
  std::lock_guard lock(mutex_);
  extendedWorks_ = works;
}

}  // namespace sim
