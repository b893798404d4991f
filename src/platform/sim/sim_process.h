// The simulated process services: files appended on the simulated drive,
// a console that keeps what was written, named mutexes shared by every
// "process" of the simulated machine, elevation as seeded.
#pragma once

#include <map>
#include <mutex>
#include <string>

#include "platform/process.h"
#include "platform/sim/sim_clock.h"
#include "platform/sim/sim_files.h"

namespace sim {

class Faults;

class SimProcess : public platform::ProcessServices {
 public:
  SimProcess(Faults& faults, SimFiles& files, SimClock& clock)
      : faults_(faults), files_(files), clock_(clock) {}

  // --- platform::ProcessServices ---
  std::string TempDirectory() override { return kTempDirectory; }
  // The virtual clock's time after 2026-01-05 08:00:00.000.
  std::string LocalTimestamp() override;
  bool AppendToFile(const std::string& path, const std::string& bytes) override;
  // The package folder, where the program starts from.
  std::string ProgramDirectory() override { return "C:\\Setup\\"; }
  bool AttachParentConsole() override;
  void WriteToConsole(const std::string& text) override;
  std::unique_ptr<platform::NamedMutex> CreateMutexA(const std::string& name,
                                                     bool& existed) override;
  bool IsElevated() override;

  // --- Seeding and inspection ---
  static constexpr const char* kTempDirectory = "C:\\Temp\\";
  void SetConsole(bool present) { consolePresent_ = present; }
  void SetElevated(bool elevated) { elevated_ = elevated; }
  std::string ConsoleText() const;
  int MutexHolders(const std::string& name) const;

 private:
  friend class SimMutex;
  Faults& faults_;
  SimFiles& files_;
  SimClock& clock_;
  mutable std::mutex mutex_;
  bool consolePresent_ = false;
  bool attached_ = false;
  bool elevated_ = true;
  std::string console_;
  std::map<std::string, int> mutexes_;
};

}  // namespace sim
