#include "unattended/answering_machine.h"

#include <map>
#include <mutex>
#include <string>

#include "platform/win_constants.h"
#include "resources/resource.h"

using platform::LParam;
using platform::LResult;
using platform::WindowId;
using platform::WParam;

// Passes every call on, but the boxes and dialogs.
#define FORWARD(Result, Name, Parameters, Arguments) \
  Result Name Parameters override { return inner_.Name Arguments; }

class AnsweringMachine::AnsweringWindowSystem : public platform::WindowSystem {
 public:
  AnsweringWindowSystem(platform::WindowSystem& inner, UnattendedRun& run)
      : inner_(inner), run_(run) {}

  int MessageBoxA(WindowId owner, const std::string& text, const std::string& caption,
                  uint32_t type) override {
    if (run_.options().Unattended()) return run_.AnswerMessageBox(text, caption, type);
    // In the window a person answers; the log keeps the question and answer.
    const int answer = inner_.MessageBoxA(owner, text, caption, type);
    run_.LogMessageBox(text, caption, answer);
    return answer;
  }
  std::intptr_t DialogBoxParamA(int templateId, WindowId parent,
                                platform::Dialog& dialog) override {
    // The main window of /passive shows; every question it would open as a
    // dialog has been answered before it got here.
    if (templateId != IDD_MAIN && run_.options().Unattended()) {
      return run_.RefuseDialog(templateId);
    }
    return inner_.DialogBoxParamA(templateId, parent, dialog);
  }

  FORWARD(uint32_t, RegisterWindowMessageA, (const std::string& n), (n))
  FORWARD(void, EndDialog, (WindowId w, std::intptr_t r), (w, r))
  FORWARD(std::intptr_t, RunMessageWindow, (platform::Dialog & d), (d))
  FORWARD(LResult, SendMessageA, (WindowId w, uint32_t m, WParam wp, LParam lp), (w, m, wp, lp))
  FORWARD(bool, PostMessageA, (WindowId w, uint32_t m, WParam wp, LParam lp), (w, m, wp, lp))
  FORWARD(void, SetTimer, (WindowId w, std::uintptr_t t, uint32_t ms), (w, t, ms))
  FORWARD(void, KillTimer, (WindowId w, std::uintptr_t t), (w, t))
  FORWARD(void, SetDlgItemTextA, (WindowId w, int c, const std::string& t), (w, c, t))
  FORWARD(std::string, GetDlgItemTextA, (WindowId w, int c), (w, c))
  FORWARD(void, EnableDlgItem, (WindowId w, int c, bool e), (w, c, e))
  FORWARD(bool, IsDlgItemEnabled, (WindowId w, int c), (w, c))
  FORWARD(void, CheckDlgButton, (WindowId w, int c, bool b), (w, c, b))
  FORWARD(bool, IsDlgButtonChecked, (WindowId w, int c), (w, c))
  FORWARD(void, SetProgressPos, (WindowId w, int c, int p), (w, c, p))
  FORWARD(int, GetProgressPos, (WindowId w, int c), (w, c))
  FORWARD(void, ComboResetContent, (WindowId w, int c), (w, c))
  FORWARD(int, ComboAddString, (WindowId w, int c, const std::string& t), (w, c, t))
  FORWARD(void, ComboSetCurSel, (WindowId w, int c, int i), (w, c, i))
  FORWARD(int, ComboGetCurSel, (WindowId w, int c), (w, c))
  FORWARD(int, ComboGetCount, (WindowId w, int c), (w, c))
  FORWARD(std::string, ComboGetItemText, (WindowId w, int c, int i), (w, c, i))
  FORWARD(void, ListDeleteAllItems, (WindowId w, int c), (w, c))
  FORWARD(int, ListGetColumnCount, (WindowId w, int c), (w, c))
  FORWARD(void, ListDeleteColumn, (WindowId w, int c, int i), (w, c, i))
  FORWARD(void, ListInsertColumn, (WindowId w, int c, int i, const std::string& h, int f, int px),
          (w, c, i, h, f, px))
  FORWARD(void, ListSetColumnWidth, (WindowId w, int c, int i, int px), (w, c, i, px))
  FORWARD(uint32_t, ListGetExtendedStyle, (WindowId w, int c), (w, c))
  FORWARD(void, ListSetExtendedStyle, (WindowId w, int c, uint32_t s), (w, c, s))
  FORWARD(int, ListInsertItem, (WindowId w, int c, int r, const std::string& t), (w, c, r, t))
  FORWARD(void, ListSetItemText, (WindowId w, int c, int r, int i, const std::string& t),
          (w, c, r, i, t))
  FORWARD(std::string, ListGetItemText, (WindowId w, int c, int r, int i), (w, c, r, i))
  FORWARD(int, ListGetItemCount, (WindowId w, int c), (w, c))
  FORWARD(uint32_t, ListGetItemState, (WindowId w, int c, int r, uint32_t m), (w, c, r, m))
  FORWARD(void, ListSetItemState, (WindowId w, int c, int r, uint32_t s, uint32_t m),
          (w, c, r, s, m))

 private:
  platform::WindowSystem& inner_;
  UnattendedRun& run_;
};

// Passes every call on and logs each stop and start of a service with the
// state it is in when the operation that asked for them lets go of it: the
// restart's result. Polls are not logged.
class AnsweringMachine::LoggingServices : public platform::ServiceManager {
 public:
  LoggingServices(platform::Machine& inner, UnattendedRun& run) : inner_(inner), run_(run) {}

  platform::ServiceHandle OpenSCManagerA(const std::string& database, uint32_t access) override {
    return inner_.services().OpenSCManagerA(database, access);
  }
  platform::ServiceHandle OpenServiceA(platform::ServiceHandle manager,
                                       const std::string& serviceName, uint32_t access) override {
    const platform::ServiceHandle service =
        inner_.services().OpenServiceA(manager, serviceName, access);
    if (service != 0) {
      std::lock_guard lock(mutex_);
      handles_[service] = {serviceName, {}};
    }
    return service;
  }
  bool QueryServiceStatus(platform::ServiceHandle service,
                          platform::ServiceStatus& status) override {
    const bool done = inner_.services().QueryServiceStatus(service, status);
    if (done) Remember(service, status.currentState);
    return done;
  }
  bool ControlService(platform::ServiceHandle service, uint32_t control,
                      platform::ServiceStatus& status) override {
    const bool done = inner_.services().ControlService(service, control, status);
    const uint32_t error = done ? 0 : inner_.GetLastError();
    if (done) Remember(service, status.currentState);
    if (control == win::SERVICE_CONTROL_STOP) Step(service, "stop", done, error);
    return done;
  }
  bool StartServiceA(platform::ServiceHandle service) override {
    const bool done = inner_.services().StartServiceA(service);
    Step(service, "start", done, done ? 0 : inner_.GetLastError());
    return done;
  }
  bool CloseServiceHandle(platform::ServiceHandle handle) override {
    std::string line;
    {
      std::lock_guard lock(mutex_);
      const auto entry = handles_.find(handle);
      if (entry != handles_.end()) {
        if (!entry->second.steps.empty()) {
          const auto state = states_.find(entry->second.name);
          line = "service " + entry->second.name + ": " + entry->second.steps + " -> " +
                 (state == states_.end() ? std::string("state unknown")
                  : state->second == win::SERVICE_RUNNING
                      ? std::string("running")
                      : "not running (state " + std::to_string(state->second) + ")");
        }
        handles_.erase(entry);
      }
    }
    if (!line.empty()) run_.LogLine(line);
    return inner_.services().CloseServiceHandle(handle);
  }

 private:
  struct Opened {
    std::string name;
    std::string steps;  // what was asked of the service through this handle
  };

  void Remember(platform::ServiceHandle service, uint32_t state) {
    std::lock_guard lock(mutex_);
    const auto entry = handles_.find(service);
    if (entry != handles_.end()) states_[entry->second.name] = state;
  }
  void Step(platform::ServiceHandle service, const char* step, bool done, uint32_t error) {
    std::lock_guard lock(mutex_);
    const auto entry = handles_.find(service);
    if (entry == handles_.end()) return;
    std::string& steps = entry->second.steps;
    if (!steps.empty()) steps += ", ";
    steps += step;
    if (!done) steps += " failed (error " + std::to_string(error) + ")";
  }

  platform::Machine& inner_;
  UnattendedRun& run_;
  std::mutex mutex_;
  std::map<platform::ServiceHandle, Opened> handles_;
  std::map<std::string, uint32_t> states_;  // the last state seen, by service name
};

AnsweringMachine::AnsweringMachine(platform::Machine& inner, UnattendedRun& run)
    : ForwardingMachine(inner),
      ui_(std::make_unique<AnsweringWindowSystem>(inner.ui(), run)),
      services_(std::make_unique<LoggingServices>(inner, run)) {}

AnsweringMachine::~AnsweringMachine() = default;

platform::WindowSystem& AnsweringMachine::ui() { return *ui_; }

platform::ServiceManager& AnsweringMachine::services() { return *services_; }
