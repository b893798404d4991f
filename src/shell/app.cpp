#include "shell/app.h"

#include "install/environment_probe.h"
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
  machine.files().GetCurrentDirectoryA(folder, 260);
  return "environment: Windows " + std::to_string(version.majorVersion) + "." +
         std::to_string(version.minorVersion) + " build " + std::to_string(version.buildNumber) +
         (RunningOnWow64(machine) ? ", 64-bit" : ", 32-bit") + ", package folder " + folder;
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

// A refusal before anything changes: logged, and in a box unless quiet.
int Refuse(platform::Machine& machine, const CommandLine& options, RunLog& log,
           const std::string& text, const std::string& boxText, int code) {
  log.Line(text);
  log.Line("exit code " + std::to_string(code));
  if (options.mode != RunMode::Quiet) {
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
  RunLog log(machine.process());
  std::string logFile = options.logFile;
  if (logFile.empty() && options.Unattended()) {
    logFile = machine.process().TempDirectory() + "DriverSetup.log";
  }
  log.Open(logFile, true);
  log.Line("command line: " + JoinCommandLine(arguments));
  if (!parsed.error.empty()) {
    const std::string text = "Bad command line: " + parsed.error;
    return Refuse(machine, options, log, text, text + "\r\n\r\n" + kUsageText,
                  exit_code::kBadCommandLine);
  }
  if (options.help) return Refuse(machine, options, log, kUsageText, kUsageText, 0);
  std::string found;
  const bool anotherInstaller = AnotherInstaller(instance, found);
  log.Line(found);
  if (anotherInstaller) {
    const char* text = "Another printer driver installer is running.";
    return Refuse(machine, options, log, text, text, exit_code::kAlreadyRunning);
  }
  if (options.Unattended() && !machine.process().IsElevated()) {
    const char* text = "The installer must run as an administrator.";
    return Refuse(machine, options, log, text, text, exit_code::kNotElevated);
  }
  log.Line(EnvironmentLine(machine));

  UnattendedRun run(machine, options, log);
  AnsweringMachine answering(machine, run);
  if (!options.uninstall && !options.list && options.mode != RunMode::Quiet) {
    ShowMainWindow(answering, &run);
  } else {
    // /quiet, and /list and /uninstall in every mode: nothing to show.
    UnattendedWindow window(answering, run);
    answering.ui().RunMessageWindow(window);
  }
  return run.ExitCode();
}
