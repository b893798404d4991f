#include "unattended/unattended_run.h"

#include <algorithm>

#include "drivers/driver_name_list.h"
#include "drivers/spooler_control.h"
#include "platform/win_constants.h"
#include "ports/baud_rates.h"
#include "ports/port_inventory.h"
#include "ports/port_kind.h"
#include "uninstall/installed_drivers.h"

namespace {

// The exit code a failed run's outcome stands for.
int OutcomeCode(RunOutcome outcome) {
  switch (outcome) {
    case RunOutcome::kNone:
      return exit_code::kSuccess;
    case RunOutcome::kNoDriverNameList:
      return exit_code::kNoPackage;
    case RunOutcome::kUnknownDriverName:
      return exit_code::kUnknownDriverName;
    case RunOutcome::kNoPort:
      return exit_code::kNoPortOfKind;
    case RunOutcome::kDriverRegistration:
    case RunOutcome::kMonitorRegistration:
    case RunOutcome::kPrinterCreation:
      break;
  }
  return exit_code::kInstallFailed;
}

// The button a person in a hurry would press: never a retry.
int DefaultAnswer(uint32_t type) {
  switch (type & win::MB_TYPEMASK) {
    case win::MB_RETRYCANCEL:
      return win::IDCANCEL;
    case win::MB_ABORTRETRYIGNORE:
      return win::IDABORT;
    case win::MB_OKCANCEL:
      return (type & win::MB_DEFBUTTON2) != 0 ? win::IDCANCEL : win::IDOK;
    case win::MB_YESNO:
    case win::MB_YESNOCANCEL:
      return (type & win::MB_DEFBUTTON3) != 0   ? win::IDCANCEL
             : (type & win::MB_DEFBUTTON2) != 0 ? win::IDNO
                                                : win::IDYES;
    default:
      return win::IDOK;
  }
}

const char* AnswerName(int answer) {
  static constexpr const char* kNames[] = {"",      "OK",     "Cancel", "Abort",
                                           "Retry", "Ignore", "Yes",    "No"};
  return answer >= 0 && answer <= win::IDNO ? kNames[answer] : "?";
}

// The kinds come from the command line or the port-type list: always one
// of the four.
const StringList& PortsOfKind(const Installation& installation, int32_t kind) {
  static const StringList kNone;
  const StringList* ports = installation.PortsOfKind(kind);
  return ports != nullptr ? *ports : kNone;
}

std::vector<std::string>::const_iterator FindName(const std::vector<std::string>& names,
                                                  const std::string& name) {
  return std::find_if(names.begin(), names.end(),
                      [&](const std::string& entry) { return SameName(entry, name); });
}

std::vector<platform::PrinterInfo2>::const_iterator FindPrinter(
    const std::vector<platform::PrinterInfo2>& printers, const std::string& name) {
  return std::find_if(printers.begin(), printers.end(), [&](const platform::PrinterInfo2& printer) {
    return SameName(printer.printerName, name);
  });
}

}  // namespace

void UnattendedRun::Fail(int code, const std::string& why) {
  std::lock_guard lock(mutex_);
  log_.Line("failure: " + why);
  if (failure_ == 0) failure_ = code;
}

int UnattendedRun::AnswerMessageBox(const std::string& text, const std::string& caption,
                                    uint32_t type) {
  // Read before anything else can change it: the call the box reports on.
  const int answer = DefaultAnswer(type);
  // Cancel at a retry box ends the run; the box names how (Ended).
  LogMessageBox(text, caption, answer);
  return answer;
}

void UnattendedRun::LogMessageBox(const std::string& text, const std::string& caption, int answer) {
  log_.Line("box \"" + caption + "\": " + text + " -> " + AnswerName(answer));
}

std::intptr_t UnattendedRun::AnswerPortDialog(const Installation& installation, int32_t kind,
                                              std::string& chosenPort) {
  const StringList& ports = PortsOfKind(installation, kind);
  auto port = ports.begin();
  if (!options_.port.empty()) port = FindName(ports, options_.port);
  if (port == ports.end()) {
    Fail(exit_code::kNoPortOfKind,
         std::string("no ") + kPortKindNames[kind].text + " port to choose");
    return kind == Usb ? -1 : RESULT_CANCEL;
  }
  chosenPort = *port;
  const auto row = port - ports.begin();
  log_.Line(std::string(kPortKindNames[kind].text) + " port dialog -> " + chosenPort);
  // The USB dialog ends with the row itself, the others with a row result.
  return kind == Usb ? row : RESULT_ROW_BASE + row;
}

int UnattendedRun::AnswerTcpIpWizard() {
  Fail(exit_code::kNoPortOfKind, "no TCP/IP port exists; the port wizard is not opened");
  return 0;
}

std::intptr_t UnattendedRun::AnswerSerialPrompt() {
  const int32_t rate = options_.baudRate.value_or(kSerialBaudRates[kDefaultBaudRow]);
  const auto row = std::find(std::begin(kSerialBaudRates), std::end(kSerialBaudRates), rate) -
                   std::begin(kSerialBaudRates);
  log_.Line("serial prompt -> Yes, " + std::to_string(rate) + " bps");
  return RESULT_ROW_BASE + row;
}

std::intptr_t UnattendedRun::RefuseDialog(int templateId) {
  log_.Line("dialog " + std::to_string(templateId) + " -> not shown, cancelled");
  return win::IDCANCEL;
}

void UnattendedRun::Ended(RunOutcome outcome, uint32_t lastError) {
  if (outcome == RunOutcome::kNone) return;
  Fail(OutcomeCode(outcome), "the run stops here (last error " + std::to_string(lastError) + ")");
}

void UnattendedRun::Status(const std::string& text, RunOutcome outcome) {
  {
    std::lock_guard lock(mutex_);
    if (text == lastStatus_ || text.empty()) return;
    lastStatus_ = text;
  }
  log_.Line("status: " + text);
  if (outcome != RunOutcome::kNone)
    Fail(OutcomeCode(outcome), "no printer answered on a serial port");
}

StringList UnattendedRun::PackagePlaces() {
  if (!options_.package.empty()) return {options_.package};
  StringList places;
  std::string folder;
  if (machine_.files().GetCurrentDirectoryA(folder, win::MAX_PATH) != 0) places.push_back(folder);
  std::string program = machine_.process().ProgramDirectory();
  if (program.size() > 3 && program.back() == '\\') program.pop_back();  // not "C:\"
  if (!program.empty() && FindName(places, program) == places.end()) places.push_back(program);
  return places;
}

bool UnattendedRun::AfterStartup(Installation& installation, InstallerWindow& window) {
  if (installation.startupStop == StartupStop::UnsafeWorkArea) {
    Fail(exit_code::kInstallFailed, installation.unsafeWorkAreaEntry +
                                        " is a link or belongs to another user; nothing was "
                                        "unpacked, installed or removed");
    return false;
  }
  std::string looked;
  for (const std::string& place : installation.packagePlaces) {
    looked += (looked.empty() ? "" : ", ") + place;
  }
  const std::string found =
      installation.packagePath.empty() ? "none found" : installation.packagePath;
  log_.Line("package: looked for in " + looked + "; " + found +
            (installation.packageUnpacked ? ", unpacked" : ""));
  // Nobody finishes an unattended run by hand: the list a missing package
  // leaves behind is an earlier run's, not this package's.
  if (!installation.packageUnpacked && (options_.Unattended() || !options_.driver)) {
    Fail(exit_code::kNoPackage, installation.packagePath.empty()
                                    ? "no driver package DriverData.Drv in " + looked
                                    : installation.packagePath + " did not unpack");
    return false;
  }
  // The installation's machine is the one whose boxes the run answers:
  // every operation of the run goes through it.
  platform::Machine& machine = installation.machine;
  if (options_.uninstall) {
    Uninstall(machine, window);
    return false;
  }
  if (options_.list) {
    List(machine, window.Owner());
    return false;
  }
  if (!options_.driver) return false;
  const std::vector<std::string> names = DriverNameList(machine);
  const auto name = FindName(names, *options_.driver);
  const int32_t kind = options_.portKind.value_or(window.SelectedPortKind(installation.portKind));
  const StringList& ports = PortsOfKind(installation, kind);
  if (names.empty()) {
    Fail(exit_code::kNoPackage, std::string(kDriverNameFile) + " is missing or empty");
  } else if (name == names.end()) {
    Fail(exit_code::kUnknownDriverName,
         "\"" + *options_.driver + "\" is not in " + kDriverNameFile);
  } else if (ports.empty() ||
             (!options_.port.empty() && FindName(ports, options_.port) == ports.end())) {
    // Found before anything is installed: the window would fall back on a
    // parallel port or open the TCP/IP wizard, which nobody can answer.
    Fail(exit_code::kNoPortOfKind,
         "there is no " + std::string(kPortKindNames[kind].text) + " port " + options_.port);
  }
  {
    std::lock_guard lock(mutex_);
    if (failure_ != 0) return false;
  }
  if (AlreadyInstalled(machine, *name, ports)) return false;
  window.SelectDriverName(static_cast<int32_t>(name - names.begin()));
  window.SelectPortKind(kind);
  installation.namedPortKind = kind;
  installation.namedPort = options_.port.empty() ? std::string() : *FindName(ports, options_.port);
  installation.setDefaultPrinter = options_.noDefault ? 0 : 1;
  // SYSTEM's default printer is its own: no person signs in as SYSTEM.
  const bool asSystem = !options_.noDefault && machine_.process().IsLocalSystem();
  if (asSystem) installation.setDefaultPrinter = 0;
  // The rate the port is set to whether or not a prompt asks for one: a
  // till with one COM port gets no prompt.
  if (options_.baudRate) installation.baudRate = *options_.baudRate;
  window.Refresh();
  log_.Line("choices: driver \"" + *name + "\", " + kPortKindNames[kind].text + " port" +
            (options_.port.empty() ? "" : " " + options_.port) +
            (options_.noDefault ? ", not the default printer"
             : asSystem         ? ", not the default printer: \"Set Default Printer\" would set "
                                  "only SYSTEM's own default, which no user sees"
                                : ", the default printer"));
  return true;
}

bool UnattendedRun::AlreadyInstalled(platform::Machine& machine, const std::string& name,
                                     const StringList& kindPorts) {
  std::vector<platform::PrinterInfo2> printers;
  machine.spooler().EnumPrintersA(win::PRINTER_ENUM_LOCAL | win::PRINTER_ENUM_CONNECTIONS,
                                  printers);
  const auto printer = FindPrinter(printers, name);
  std::lock_guard lock(mutex_);
  printerExisted_ = printer != printers.end();
  // In the window the technician decides; a re-run of a deployment must
  // not purge the queue, search the ports again or restart the spooler.
  if (!printerExisted_ || !options_.Unattended()) return false;
  const std::string driver = DriverNameForListedName(machine, name);
  const std::string found = "printer \"" + printer->printerName + "\" with driver \"" +
                            printer->driverName + "\" on " + printer->portName;
  if (options_.force) {
    log_.Line(found + ": /force reinstalls it");
    return false;
  }
  if (SameName(printer->driverName, driver) &&
      FindName(kindPorts, printer->portName) != kindPorts.end() &&
      (options_.port.empty() || SameName(printer->portName, options_.port))) {
    log_.Line("already installed: " + found + "; nothing is changed");
    ended_ = true;
    return true;
  }
  log_.Line(found + " is not as asked: it is reinstalled");
  return false;
}

void UnattendedRun::InstallStarted() {
  std::lock_guard lock(mutex_);
  if (options_.Unattended()) return;
  failure_ = 0;
  ended_ = false;
  // A failure status this run repeats word for word must count again.
  lastStatus_.clear();
}

bool UnattendedRun::ReadPrinters(platform::Machine& machine, platform::WindowId owner,
                                 std::vector<platform::PrinterInfo2>& printers) {
  // A spooler that did not come back from a restart lists no printer: that
  // must not read as a printer removed, or as one never created.
  printers.clear();
  if (SpoolerControl(machine, owner, "Spooler", EnsureRunning) != 0 &&
      machine.spooler().EnumPrintersA(win::PRINTER_ENUM_LOCAL | win::PRINTER_ENUM_CONNECTIONS,
                                      printers)) {
    return true;
  }
  const uint32_t lastError = machine.GetLastError();
  std::lock_guard lock(mutex_);
  ended_ = true;
  log_.Line("failure: the print spooler does not run (last error " + std::to_string(lastError) +
            "); the printers cannot be read and the till cannot print");
  // The cause of whatever else failed: it decides the code.
  failure_ = exit_code::kSpoolerNotRunning;
  return false;
}

void UnattendedRun::InstallEnded(const Installation& installation, platform::WindowId owner,
                                 const std::string& printerName) {
  std::vector<platform::PrinterInfo2> printers;
  if (!ReadPrinters(installation.machine, owner, printers)) return;
  const auto printer = FindPrinter(printers, printerName);
  const std::string port = printer != printers.end() ? printer->portName : std::string();
  const int32_t kind = installation.portKind;
  const StringList& kindPorts = PortsOfKind(installation, kind);
  std::lock_guard lock(mutex_);
  ended_ = true;
  restartPending_ = installation.restartPending;
  if (installation.restartPending) {
    log_.Line(
        "restart pending: the language monitor DLL in use is replaced when Windows starts "
        "again");
  }
  if (port.empty()) {
    log_.Line("end state: no printer \"" + printerName + "\"");
    if (failure_ == 0) failure_ = exit_code::kInstallFailed;
    return;
  }
  log_.Line("end state: printer \"" + printer->printerName + "\" on " + port);
  const bool rightKind = FindName(kindPorts, port) != kindPorts.end();
  if (failure_ == 0 && (!rightKind || (!options_.port.empty() && !SameName(port, options_.port)))) {
    log_.Line(std::string("failure: not on a ") + kPortKindNames[kind].text + " port as asked");
    failure_ = exit_code::kNoPortOfKind;
  }
  // A detection rule must never see a half-done install: what this run
  // created goes again. A printer that was there before is the till's.
  if (failure_ != 0 && options_.Unattended() && !printerExisted_) {
    RemoveCreatedPrinter(installation.machine, printer->printerName, port);
  }
}

void UnattendedRun::RemoveCreatedPrinter(platform::Machine& machine, const std::string& name,
                                         const std::string& port) {
  platform::Spooler& spooler = machine.spooler();
  platform::PrinterHandle handle = 0;
  bool removed = false;
  if (spooler.OpenPrinterA(name, handle, {"RAW", win::PRINTER_ALL_ACCESS}) == 1) {
    removed = spooler.DeletePrinter(handle);
    const uint32_t error = removed ? 0 : machine.GetLastError();
    spooler.ClosePrinter(handle);
    log_.Line(
        removed ? "the printer \"" + name + "\" this run created is removed (the window would " +
                      "have left it on " + port + ")"
                : "failure: the printer \"" + name + "\" this run created on " + port +
                      " could not be removed (DeletePrinter error " + std::to_string(error) + ")");
    return;
  }
  log_.Line("failure: the printer \"" + name + "\" this run created on " + port +
            " could not be removed (OpenPrinterA error " + std::to_string(machine.GetLastError()) +
            ")");
}

void UnattendedRun::Uninstall(platform::Machine& machine, InstallerWindow& window) {
  // Without the list nothing can be listed for removal: say so before the
  // spooler is disturbed, and not as if the name were mistyped.
  if (DriverNameList(machine).empty()) {
    Fail(exit_code::kNoPackage, std::string(kDriverNameFile) + " is missing or empty");
    return;
  }
  // A printer already gone is what the run is for: a re-run changes
  // nothing, not even the spooler. The list is read from a running spooler
  // only, so that a stopped one does not pass for an empty list.
  std::vector<platform::PrinterInfo2> printers;
  if (!ReadPrinters(machine, window.Owner(), printers)) return;
  if (const std::vector<std::string> before = InstalledDriverRows(machine);
      FindName(before, *options_.uninstall) == before.end()) {
    std::lock_guard lock(mutex_);
    log_.Line("nothing to remove: no printer \"" + *options_.uninstall + "\" is listed");
    ended_ = true;
    return;
  }
  // As the uninstall window: its list (after a spooler restart), then the
  // removal its button makes, with the spooler restart of its list rebuild.
  SpoolerControl(machine, window.Owner(), "Spooler", Restart);
  if (!ReadPrinters(machine, window.Owner(), printers)) return;
  const std::vector<std::string> rows = InstalledDriverRows(machine);
  const auto row = FindName(rows, *options_.uninstall);
  if (row == rows.end()) {
    Fail(exit_code::kInstallFailed,
         "the printer \"" + *options_.uninstall + "\" is no longer listed after the restart");
    return;
  }
  // As the list spells it: the removal looks the name up byte for byte.
  const std::string name = *row;
  const DriverRemoval removal = RemovePrinterAndDriver(
      machine, window.Owner(), name, [&](int position) { window.SetProgress(position); },
      [&] { SpoolerControl(machine, window.Owner(), "Spooler", Restart); });
  log_.Line("driver \"" + removal.driverName + "\" removed from \"" + removal.environment + "\": " +
            (removal.removed ? std::string("done")
                             : "refused (error " + std::to_string(removal.error) + ")"));
  if (!ReadPrinters(machine, window.Owner(), printers)) return;
  std::lock_guard lock(mutex_);
  ended_ = true;
  if (FindPrinter(printers, name) != printers.end()) {
    log_.Line("end state: the printer \"" + name + "\" is still there");
    failure_ = exit_code::kInstallFailed;
  } else {
    log_.Line("end state: the printer \"" + name + "\" and its driver are removed");
  }
}

void UnattendedRun::List(platform::Machine& machine, platform::WindowId owner) {
  // A stopped spooler lists no printer: that must not read as none installed.
  std::vector<platform::PrinterInfo2> printers;
  if (!ReadPrinters(machine, owner, printers)) return;
  const std::vector<std::string> names = DriverNameList(machine);
  for (const platform::PrinterInfo2& printer : printers) {
    if (FindName(names, printer.printerName) == names.end()) continue;
    log_.Output("printer\t" + printer.printerName + "\t" + printer.portName + "\t" +
                printer.driverName);
  }
  for (const std::string& name : names) log_.Output("driver name\t" + name);
  std::lock_guard lock(mutex_);
  ended_ = true;
}

void UnattendedRun::TimedOut(const Installation& installation) {
  std::lock_guard lock(mutex_);
  std::string step = lastStatus_.empty() ? std::string("the start-up") : lastStatus_;
  if (installation.serialSearch) {
    step += " (serial search, port " + std::to_string(installation.probeIndex + 1) + " of " +
            std::to_string(installation.serialPorts.size()) + ")";
  }
  log_.Line("failure: the time limit of " + std::to_string(options_.timeoutMinutes) +
            " min has passed; the run was at: " + step);
  failure_ = exit_code::kTimedOut;
  ended_ = true;
}

int UnattendedRun::ExitCode() {
  std::lock_guard lock(mutex_);
  if (failure_ == 0 && !ended_) {
    log_.Line("failure: the window was closed before the run ended");
    failure_ = exit_code::kCancelled;
  }
  // Done, but a file is replaced only when Windows starts again: deployment
  // tools count 3010 as success and schedule the restart themselves.
  const int code = failure_ == 0 && restartPending_ ? exit_code::kRestartNeeded : failure_;
  log_.Line("exit code " + std::to_string(code));
  return code;
}
