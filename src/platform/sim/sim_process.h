// The simulated process services: files appended on the simulated drive,
// a console that keeps what was written, named mutexes shared by every
// "process" of the simulated machine, elevation as seeded.
//
// Mutexes live in one of two places: the administrators' private namespace,
// where only an elevated process makes or opens anything, and the Global
// names, where anyone may make one first. A Global mutex has an owner and
// an access list that either lets administrators open it or not
// (ERROR_ACCESS_DENIED); what this process makes there is owned by the
// Administrators group and open to them. Systems without private namespaces
// (Wine) are one switch away.
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
  // A link at the name, a file with more than one name, or an owner that is
  // neither Administrators, SYSTEM nor the process's user is refused.
  bool AppendToFile(const std::string& path, const std::string& bytes,
                    platform::LogFileRefusal& refusal, std::string& owner) override;
  uint32_t ProcessId() override { return processId_; }
  // The package folder, where the program starts from.
  std::string ProgramDirectory() override { return "C:\\Setup\\"; }
  bool AttachParentConsole() override;
  void WriteToConsole(const std::string& text) override;
  platform::InstanceMutex CreateInstanceMutex(const std::string& name) override;
  bool IsElevated() override;
  bool WindowStationVisible() override { return stationVisible_; }
  void SuppressSystemErrorBoxes() override { errorBoxesSuppressed_ = true; }
  std::string ProgramVersion() override { return "1.0.0.0"; }
  uint32_t SessionId() override { return localSystem_ ? 0 : 1; }
  std::string AccountName() override { return localSystem_ ? "SYSTEM" : "admin"; }
  bool IsLocalSystem() override { return localSystem_; }

  // --- Seeding and inspection ---
  static constexpr const char* kTempDirectory = "C:\\Temp\\";
  void SetConsole(bool present) { consolePresent_ = present; }
  void SetElevated(bool elevated) { elevated_ = elevated; }
  // A process started in session 0 has an invisible window station.
  void SetWindowStationVisible(bool visible) { stationVisible_ = visible; }
  // A deployment tool's run: SYSTEM in session 0.
  void SetLocalSystem(bool system) { localSystem_ = system; }
  bool ErrorBoxesSuppressed() const { return errorBoxesSuppressed_; }
  std::string ConsoleText() const;
  // Handles open on the mutex `name`: in the private namespace, or a
  // "Global\..." name.
  int MutexHolders(const std::string& name) const;
  // A mutex made under a Global name by another process: a standard user
  // squatting on the name, say, or an installer of an older kind.
  std::unique_ptr<platform::NamedMutex> HoldGlobalMutex(const std::string& globalName,
                                                        const std::string& ownerSid,
                                                        bool administratorsMayOpen);
  void SetPrivateNamespaces(bool available) { privateNamespaces_ = available; }
  void SetProcessId(uint32_t id) { processId_ = id; }

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
  bool localSystem_ = false;
  struct MutexObject {
    int holders = 0;
    std::string owner;
    bool administratorsMayOpen = true;
  };
  std::map<std::string, MutexObject> mutexes_;  // private namespace: name; else "Global\..."
  bool privateNamespaces_ = true;
  uint32_t processId_ = 4012;
};

}  // namespace sim
