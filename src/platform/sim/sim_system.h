// Version, bitness and identity of the simulated machine. A fresh one is a
// 32-bit Windows 7 (NT 6.1, build 7601) where IsWow64Process exists.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>

#include "platform/system_info.h"

namespace sim {

class Faults;

class SimSystem : public platform::SystemInfo {
 public:
  explicit SimSystem(Faults& faults);

  // --- platform::SystemInfo ---
  // Sizes 148 and 156 are accepted, any other gives ERROR_INSUFFICIENT_BUFFER;
  // 156 fails with ERROR_INVALID_PARAMETER when the extended query is turned off.
  bool GetVersionExA(platform::OsVersionInfo& info) override;
  bool HasIsWow64Process() override;
  // A 64-bit machine answers true (the installer is a 32-bit program).
  // Fails with ERROR_PROC_NOT_FOUND where the function is absent.
  bool IsWow64Process(bool& wow64) override;
  std::string ApplicationTitle() override;

  // --- Seeding ---
  void SetVersion(uint32_t platformId, uint32_t major, uint32_t minor, uint32_t build = 0);
  void Set64Bit(bool is64Bit);
  bool Is64Bit() const;
  void SetHasIsWow64Process(bool present);
  void SetExtendedVersionQueryWorks(bool works);

 private:
  Faults& faults_;
  mutable std::mutex mutex_;
  uint32_t platformId_ = 2;
  uint32_t major_ = 6;
  uint32_t minor_ = 1;
  uint32_t build_ = 7601;
  bool is64Bit_ = false;
  bool hasIsWow64_ = true;
  bool extendedWorks_ = true;
  std::string title_ = "DriverSetup";
};

}  // namespace sim
