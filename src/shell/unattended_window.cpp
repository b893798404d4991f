#include "shell/unattended_window.h"

#include "install/install_command.h"
#include "package/work_area.h"
#include "platform/app_message_box.h"
#include "platform/win_constants.h"
#include "port_steps/serial_assignment.h"
#include "ports/port_kind.h"
#include "startup/startup_worker.h"

UnattendedWindow::UnattendedWindow(platform::Machine& machine, UnattendedRun& run)
    : platform::Dialog(machine.ui()), machine_(machine), run_(run), installation_(machine) {
  installation_.packagePlaces = run_.PackagePlaces();
}

void UnattendedWindow::UpdateData(bool fromControls) {
  // The check box is the run's choice, kept in the installation itself.
  if (!fromControls) Refresh();
}

std::string UnattendedWindow::DriverComboText() {
  if (selection_ < 0 || selection_ >= static_cast<int32_t>(names_.size())) return std::string();
  return names_[static_cast<std::size_t>(selection_)];
}

void UnattendedWindow::ShowDriverNames(const std::vector<std::string>& names) {
  names_ = names;
  selection_ = names.empty() ? -1 : 0;
  Refresh();
}

int UnattendedWindow::ShowMessageBox(const std::string& text, const std::string& caption,
                                     uint32_t type, RunOutcome outcome) {
  const uint32_t lastError = machine_.GetLastError();
  const int answer = ui().MessageBoxA(hwnd(), text, caption, type);
  run_.Ended(outcome, lastError);
  return answer;
}

int UnattendedWindow::ShowAppMessageBox(const std::string& text, uint32_t type,
                                        RunOutcome outcome) {
  const uint32_t lastError = machine_.GetLastError();
  const int answer = platform::AppMessageBox(machine_, hwnd(), text, type);
  run_.Ended(outcome, lastError);
  return answer;
}

std::intptr_t UnattendedWindow::ShowPortDialog(int32_t kind, std::string& chosenPort) {
  return run_.AnswerPortDialog(installation_, kind, chosenPort);
}

void UnattendedWindow::SetTimer(std::uintptr_t timerId, uint32_t intervalMs) {
  ui().SetTimer(hwnd(), timerId, intervalMs);
}

void UnattendedWindow::KillTimer(std::uintptr_t timerId) { ui().KillTimer(hwnd(), timerId); }

void UnattendedWindow::Close(std::intptr_t result) {
  closing_ = true;
  ui().EndDialog(hwnd(), result);
}

bool UnattendedWindow::OnInitDialog() {
  SetTimer(UnattendedRun::kTimeLimitTimer, run_.TimeLimitMs());
  StartupWorker(installation_, *this);
  if (closing_ || !run_.AfterStartup(installation_, *this) || !installEnabled_) {
    Close(win::IDOK);
  } else {
    InstallCommand(installation_, *this);
    EndWhenInstalled();
  }
  return true;
}

void UnattendedWindow::EndWhenInstalled() {
  if (closing_ || installation_.serialSearch) return;
  run_.InstallEnded(installation_, hwnd(), DriverComboText());
  Close(win::IDOK);
}

void UnattendedWindow::OnTimer(std::uintptr_t timerId) {
  if (timerId == UnattendedRun::kTimeLimitTimer) {
    KillTimer(timerId);
    run_.TimedOut(installation_);
    Close(win::IDCANCEL);
    return;
  }
  SerialProbeTick(installation_, *this, timerId);
  EndWhenInstalled();
}

// Nobody can close a window that is never shown: only the system does.
void UnattendedWindow::OnClose() { Close(win::IDCANCEL); }

void UnattendedWindow::OnDestroy() {
  AbandonSerialAssignment(installation_, *this);
  RemoveWorkArea(machine_);
}

bool UnattendedWindow::OnMessage(uint32_t message, platform::WParam, platform::LParam,
                                 platform::LResult& result) {
  result = 0;
  return OnSerialNotification(installation_, *this, message);
}
