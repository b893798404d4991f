// The front end of /quiet: the installer's window without a screen. It runs
// on a message-only window, which is never visible but receives the serial
// probe's timer and the serial channel's notifications as the main window
// does. Its controls are the run's choices; every question goes to the run.
// The start-up steps run on the window's own thread, before its loop: no
// screen has to stay responsive meanwhile.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "installation/installation.h"
#include "installation/installer_window.h"
#include "unattended/unattended_run.h"

class UnattendedWindow : public platform::Dialog, public InstallerWindow {
 public:
  UnattendedWindow(platform::Machine& machine, UnattendedRun& run);

  // --- InstallerWindow ---
  platform::WindowId Owner() const override { return hwnd(); }
  void Refresh() override { run_.Status(installation_.statusText, installation_.statusOutcome); }
  void Batch(const std::function<void()>& work) override { work(); }
  void UpdateData(bool fromControls) override;
  void SetProgress(int) override {}
  void EnableInstall(bool enable = true) override { installEnabled_ = enable; }
  void SetInstallText(const std::string&) override {}
  void SetCancelText(const std::string&) override {}
  std::string DriverComboText() override;
  int32_t DriverComboSelection() override { return selection_; }
  void ShowDriverNames(const std::vector<std::string>& names) override;
  void SelectDriverName(int32_t row) override { selection_ = row; }
  int32_t SelectedPortKind(int32_t current) override { return portKind_ < 0 ? current : portKind_; }
  void SelectPortKind(int32_t row) override { portKind_ = row; }
  void ShowPortsChanged() override {}
  int ShowMessageBox(const std::string& text, const std::string& caption, uint32_t type,
                     RunOutcome outcome) override;
  int ShowAppMessageBox(const std::string& text, uint32_t type, RunOutcome outcome) override;
  std::intptr_t ShowPortDialog(int32_t kind, std::string& chosenPort) override;
  int AddTcpIpPort() override { return run_.AnswerTcpIpWizard(); }
  std::intptr_t ShowSerialPrompt() override { return run_.AnswerSerialPrompt(); }
  void SetTimer(std::uintptr_t timerId, uint32_t intervalMs) override;
  void KillTimer(std::uintptr_t timerId) override;
  void Close(std::intptr_t result) override;
  bool Closing() const override { return closing_; }

  // --- Message handling ---
  bool OnInitDialog() override;
  void OnTimer(std::uintptr_t timerId) override;
  void OnClose() override;
  void OnDestroy() override;
  bool OnMessage(uint32_t message, platform::WParam wParam, platform::LParam lParam,
                 platform::LResult& result) override;

 private:
  // Ends the window once an Install run is over (no serial search left).
  void EndWhenInstalled();

  platform::Machine& machine_;
  UnattendedRun& run_;
  Installation installation_;
  std::vector<std::string> names_;
  int32_t selection_ = -1;
  int32_t portKind_ = -1;
  bool installEnabled_ = false;
  bool closing_ = false;
};
