// A run started with arguments: the command line's choices, the answer to
// every question the installer's operations ask (one rule per question, each
// answer logged), the action after the start-up, and the exit code. The
// window that runs it (the main window, or the windowless front end of
// /quiet) asks it everything a person would otherwise be asked.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "installation/installation.h"
#include "installation/installer_window.h"
#include "unattended/command_line.h"
#include "unattended/run_log.h"

class UnattendedRun {
 public:
  UnattendedRun(platform::Machine& machine, const CommandLine& options, RunLog& log)
      : machine_(machine), options_(options), log_(log) {}

  const CommandLine& options() const { return options_; }

  // --- The answer rules ---
  // Every message box: OK, Cancel for a retry box (no retry), else the
  // default button. A box that reports why the run cannot succeed sets the
  // exit code.
  int AnswerMessageBox(const std::string& text, const std::string& caption, uint32_t type);
  // A box a person answered.
  void LogMessageBox(const std::string& text, const std::string& caption, int answer);
  // The TCP/IP, parallel and USB dialogs: the named port, else the first
  // one. The dialog's result and the port, as the dialog would end.
  std::intptr_t AnswerPortDialog(const Installation& installation, int32_t kind,
                                 std::string& chosenPort);
  // The TCP/IP port wizard is never opened: a missing port is an error.
  int AnswerTcpIpWizard();
  // The serial prompt: "Yes" at /baud, or at the prompt's preselected rate.
  std::intptr_t AnswerSerialPrompt();
  // Every dialog the rules above do not cover: not shown, cancelled.
  std::intptr_t RefuseDialog(int templateId);
  // One line of the run's log.
  void LogLine(const std::string& text) { log_.Line(text); }
  // Logs the status line when it changed; a status that ends the run names
  // its outcome.
  void Status(const std::string& text, RunOutcome outcome = RunOutcome::kNone);
  // A box of the installer has ended the run with `outcome` (kNone: it
  // ended nothing); `lastError` is the error of the call it reports on.
  void Ended(RunOutcome outcome, uint32_t lastError);

  // --- The run ---
  // Where the package is looked for: /package, else the current folder,
  // then the program's own (start-up scripts start in the system folder).
  StringList PackagePlaces();
  // After the start-up: /driver puts the choices into the window and returns
  // true when Install is to be clicked (unattended) or left to the user;
  // /uninstall and /list do their work here and return false.
  bool AfterStartup(Installation& installation, InstallerWindow& window);
  // An Install run begins. In the window the person's last Install run
  // decides the exit code, so what an earlier run recorded is dropped here,
  // before this run can record anything of its own.
  void InstallStarted();
  // An Install run of `printerName` has ended (no serial search left): the
  // end state decides.
  // `owner` owns a box of the spooler check that comes first.
  void InstallEnded(const Installation& installation, platform::WindowId owner,
                    const std::string& printerName);
  // The window's timer that ends an unattended run at its time limit (none
  // in the window mode: a person decides there).
  static constexpr std::uintptr_t kTimeLimitTimer = 0x7100;
  uint32_t TimeLimitMs() const { return static_cast<uint32_t>(options_.timeoutMinutes) * 60000u; }
  // The time limit has passed: logs the step the run is in; the window then
  // closes as a cancelled run.
  void TimedOut(const Installation& installation);
  // The exit code once the window has closed.
  int ExitCode();
  void Fail(int code, const std::string& why);

 private:
  // An unattended /driver run whose printer is there as asked (name,
  // catalogue driver, a port of `kindPorts`, the named port) ends here, as
  // done; remembers whether the printer existed before the run.
  bool AlreadyInstalled(platform::Machine& machine, const std::string& name,
                        const StringList& kindPorts);
  // Removes the printer a failed run created; the log keeps its port.
  void RemoveCreatedPrinter(platform::Machine& machine, const std::string& name,
                            const std::string& port);
  // `machine` is the installation's: its boxes come back to this run.
  void Uninstall(platform::Machine& machine, InstallerWindow& window);
  // One tab-separated line per installed printer of the family (name, port,
  // driver) and per driver name of the list.
  void List(platform::Machine& machine, platform::WindowId owner);
  // Makes sure the spooler runs and reads the installed printers; false,
  // with the run failed, when the spooler does not run.
  bool ReadPrinters(platform::Machine& machine, platform::WindowId owner,
                    std::vector<platform::PrinterInfo2>& printers);

  // The machine as it is, for the last error a box reports on; everything
  // the run does goes through the installation's machine.
  platform::Machine& machine_;
  const CommandLine options_;
  RunLog& log_;
  std::string lastStatus_;
  int failure_ = 0;
  bool ended_ = false;
  bool printerExisted_ = false;
  bool restartPending_ = false;  // the last Install run scheduled a file for the restart  // the
                                 // asked printer was there before the run
  std::mutex mutex_;             // the members above: boxes come from the start-up worker too
};
