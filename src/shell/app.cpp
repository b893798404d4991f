#include "shell/app.h"

#include "drivers/windows_version.h"
#include "platform/win_constants.h"
#include "resources/resource.h"
#include "shell/main_window.h"
#include "shell/unattended_window.h"
#include "unattended/answering_machine.h"

namespace {

int ShowMainWindow(platform::Machine& machine, UnattendedRun* run) {
  // Registered before any window exists: the window's first refresh uses it.
  const uint32_t updateMessage = machine.ui().RegisterWindowMessageA("MyUpdateData");
  MainWindow window(machine, updateMessage, run);
  return static_cast<int>(machine.ui().DialogBoxParamA(IDD_MAIN, 0, window));
}

std::string EnvironmentLine(platform::Machine& machine) {
  platform::OsVersionInfo version;
  ReadWindowsVersion(machine, version);
  std::string folder;
  machine.files().GetCurrentDirectoryA(folder, win::MAX_PATH);
  return "environment: Windows " + std::to_string(version.majorVersion) + "." +
         std::to_string(version.minorVersion) + " build " + std::to_string(version.buildNumber) +
         (RunningOnWow64(machine) ? ", 64-bit" : ", 32-bit") + ", current folder " + folder;
}

// What the instance mutex was found to be, for the log; true when another
// installer holds it. An access list that refuses this administrator's
// process is one only an installer of another administrator or of SYSTEM
// sets where the mutex lives, so it counts as one.
bool AnotherInstaller(const platform::InstanceMutex& instance, std::string& found) {
  using State = platform::InstanceMutexState;
  const std::string where = instance.place.empty() ? std::string() : " in " + instance.place;
  switch (instance.state) {
    case State::kCreated:
      found = "instance mutex taken" + where;
      return false;
    case State::kHeldByInstaller:
      found =
          "instance mutex held by another installer" + where + " (owner " + instance.owner + ")";
      return true;
    case State::kRefused:
      found = "instance mutex" + where + " refuses this process (error " +
              std::to_string(instance.error) + "): another installer holds it";
      return true;
    case State::kForeign:
      found = "instance mutex" + where + " belongs to " + instance.owner +
              ", not to an installer: the run goes on without it";
      return false;
    case State::kNotTaken:
      break;
  }
  found = "the instance mutex could not be created (error " + std::to_string(instance.error) + ")";
  return false;
}

// A refusal before anything changes: logged, and in a box only where a
// person is looking: the plain window mode on a visible window station.
// /passive asks nothing, not even why it cannot start.
int Refuse(platform::Machine& machine, const CommandLine& options, bool stationVisible, RunLog& log,
           const std::string& text, const std::string& boxText, int code) {
  log.Line(text);
  log.Line("exit code " + std::to_string(code));
  if (options.mode == RunMode::Window && stationVisible) {
    machine.ui().MessageBoxA(0, boxText, machine.system().ApplicationTitle(),
                             win::MB_OK | (code == 0 ? win::MB_ICONINFORMATION : win::MB_ICONSTOP));
  }
  return code;
}

}  // namespace

int RunInstaller(platform::Machine& machine, const std::vector<std::string>& arguments) {
  // Held for the whole run, in every mode: two installers would share
  // C:\Ticket, C:\Barcode and the spooler restarts. Taking it shows nothing,
  // so the plain window behaves as it always has.
  const platform::InstanceMutex instance =
      machine.process().CreateInstanceMutex(kInstanceMutexName);
  if (arguments.empty()) {
    ShowMainWindow(machine, nullptr);
    return 0;
  }

  const ParsedCommandLine parsed = ParseCommandLine(arguments);
  const CommandLine& options = parsed.options;
  // In session 0 (a service, a deployment tool running as SYSTEM) nobody
  // sees a window: a box there waits for ever, holding the instance mutex.
  const bool stationVisible = machine.process().WindowStationVisible();
  if (options.Unattended() || !stationVisible) machine.process().SuppressSystemErrorBoxes();
  RunLog log(machine.process());
  std::string logFile = options.logFile;
  if (logFile.empty() && (options.Unattended() || !stationVisible)) {
    logFile = machine.process().TempDirectory() + "DriverSetup.log";
  }
  log.Open(logFile, true);
  platform::ProcessServices& process = machine.process();
  const std::string version = process.ProgramVersion();
  log.Line("run: process " + std::to_string(process.ProcessId()) + ", " +
           machine.system().ApplicationTitle() + " " +
           (version.empty() ? "(no version)" : version) + ", account " + process.AccountName() +
           (process.IsLocalSystem() ? " (SYSTEM)" : " (not SYSTEM)") + ", session " +
           std::to_string(process.SessionId()));
  log.Line("command line: " + JoinCommandLine(arguments));
  if (!parsed.error.empty()) {
    const std::string text = "Bad command line: " + parsed.error;
    return Refuse(machine, options, stationVisible, log, text, text + "\r\n\r\n" + kUsageText,
                  exit_code::kBadCommandLine);
  }
  if (options.help) return Refuse(machine, options, stationVisible, log, kUsageText, kUsageText, 0);
  const bool showsMainWindow =
      !options.uninstall && !options.list && options.mode != RunMode::Quiet;
  // Nobody could answer the main window, nor a box of the window mode
  // (which a person answers, even for /list and /uninstall).
  if (!stationVisible && (showsMainWindow || options.mode == RunMode::Window)) {
    const char* text =
        "Bad command line: no window can be seen here (the window station is not visible); "
        "add /quiet";
    return Refuse(machine, options, stationVisible, log, text, text, exit_code::kBadCommandLine);
  }
  std::string found;
  const bool anotherInstaller = AnotherInstaller(instance, found);
  log.Line(found);
  if (anotherInstaller) {
    const char* text = "Another printer driver installer is running.";
    return Refuse(machine, options, stationVisible, log, text, text, exit_code::kAlreadyRunning);
  }
  if (options.Unattended() && !machine.process().IsElevated()) {
    const char* text = "The installer must run as an administrator.";
    return Refuse(machine, options, stationVisible, log, text, text, exit_code::kNotElevated);
  }
  log.Line(EnvironmentLine(machine));

  UnattendedRun run(machine, options, log);
  AnsweringMachine answering(machine, run);
  if (showsMainWindow) {
    ShowMainWindow(answering, &run);
  } else {
    // /quiet, and /list and /uninstall in every mode: nothing to show.
    UnattendedWindow window(answering, run);
    answering.ui().RunMessageWindow(window);
  }
  return run.ExitCode();
}
