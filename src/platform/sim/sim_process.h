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
  bool AttachParentConsole() override;
  void WriteToConsole(const std::string& text) override;
  std::unique_ptr<platform::NamedMutex> CreateMutexA(const std::string& name,
                                                     bool& existed) override;
  bool IsElevated() override;
  bool WindowStationVisible() override { return stationVisible_; }
  void SuppressSystemErrorBoxes() override { errorBoxesSuppressed_ = true; }
  std::string ProgramPath() override { return programPath_; }
  std::string ProgramVersion() override { return "1.0.0.0"; }
  uint32_t ProcessId() override { return 4242; }
  uint32_t SessionId() override { return localSystem_ ? 0 : 1; }
  std::string AccountName() override { return localSystem_ ? "SYSTEM" : "admin"; }
  bool IsLocalSystem() override { return localSystem_; }

  // --- Seeding and inspection ---
  static constexpr const char* kTempDirectory = "C:\\Temp\\";
  void SetConsole(bool present) { consolePresent_ = present; }
  void SetElevated(bool elevated) { elevated_ = elevated; }
  // A process started in session 0 has an invisible window station.
  void SetWindowStationVisible(bool visible) { stationVisible_ = visible; }
  // The program's file (the folder the package is looked for last).
  void SetProgramPath(const std::string& path) { programPath_ = path; }
  // A deployment tool's run: SYSTEM in session 0.
  void SetLocalSystem(bool system) { localSystem_ = system; }
  bool ErrorBoxesSuppressed() const { return errorBoxesSuppressed_; }
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
  bool stationVisible_ = true;
  bool errorBoxesSuppressed_ = false;
  std::string console_;
  std::string programPath_ = "C:\\Setup\\DriverSetup.exe";
  bool localSystem_ = false;
  std::map<std::string, int> mutexes_;
};

}  // namespace sim
