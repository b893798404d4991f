// The main installer window, "Configure & Install": one modal dialog that
// owns the installation it shows and runs the installer's operations over
// it, as their InstallerWindow.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "installation/installation.h"
#include "installation/installer_window.h"
#include "platform/machine.h"
#include "unattended/unattended_run.h"

// The port-type list's extended style: grid lines and full-row select on,
// track-select off, every other bit of `current` kept.
uint32_t PortTypeListStyle(uint32_t current);

class MainWindow : public platform::Dialog, public InstallerWindow {
 public:
  // `updateDataMessage` is the registered "MyUpdateData" message. With a
  // `run` (a command line), the run's choices are filled in after the
  // start-up, its rules answer the port dialogs and the serial prompt, and
  // in /passive mode the window clicks Install itself and closes at the end.
  MainWindow(platform::Machine& machine, uint32_t updateDataMessage, UnattendedRun* run = nullptr);
  ~MainWindow() override;

  Installation& installation() { return installation_; }

  // --- InstallerWindow ---
  platform::WindowId Owner() const override { return hwnd(); }
  void Refresh() override;
  // One synchronous send however many control operations `work` makes: from
  // the start-up worker every send to a control is a round trip between the
  // two threads. On the window's thread `work` simply runs. Nothing runs
  // once the window is gone.
  void Batch(const std::function<void()>& work) override;
  void UpdateData(bool fromControls) override;
  void SetProgress(int position) override;
  void EnableInstall(bool enable = true) override;
  void SetInstallText(const std::string& text) override;
  void SetCancelText(const std::string& text) override;
  std::string DriverComboText() override;
  int32_t DriverComboSelection() override;
  void ShowDriverNames(const std::vector<std::string>& names) override;
  void SelectDriverName(int32_t row) override;
  int32_t SelectedPortKind(int32_t current) override;
  void SelectPortKind(int32_t row) override;
  void ShowPortsChanged() override;
  int ShowMessageBox(const std::string& text, const std::string& caption, uint32_t type,
                     RunOutcome outcome) override;
  int ShowAppMessageBox(const std::string& text, uint32_t type, RunOutcome outcome) override;
  std::intptr_t ShowPortDialog(int32_t kind, std::string& chosenPort) override;
  int AddTcpIpPort() override;
  std::intptr_t ShowSerialPrompt() override;
  void SetTimer(std::uintptr_t timerId, uint32_t intervalMs) override;
  void KillTimer(std::uintptr_t timerId) override;
  void Close(std::intptr_t result) override;
  bool Closing() const override { return closing_.load(); }

  // --- Message handling ---
  bool OnInitDialog() override;
  void OnCommand(int id, int notifyCode) override;
  void OnTimer(std::uintptr_t timerId) override;
  void OnClose() override;
  void OnDestroy() override;
  bool OnMessage(uint32_t message, platform::WParam wParam, platform::LParam lParam,
                 platform::LResult& result) override;

 private:
  void FillPortTypeList();
  // With a run: the end of an Install run that has no serial search left.
  void EndWhenInstalled();
  // /passive: the run's rules answer every question, not a person.
  bool Unattended() const { return run_ != nullptr && run_->options().Unattended(); }

  platform::Machine& machine_;
  const uint32_t updateDataMessage_;
  Installation installation_;
  std::atomic<bool> closing_{false};
  std::unique_ptr<platform::Thread> startupWorker_;
  UnattendedRun* const run_;
  bool installRunning_ = false;
  // /passive: the click timer is set and has not fired yet.
  bool passiveClickDue_ = false;
};
