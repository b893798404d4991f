#include "unattended/answering_machine.h"

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

AnsweringMachine::AnsweringMachine(platform::Machine& inner, UnattendedRun& run)
    : ForwardingMachine(inner), ui_(std::make_unique<AnsweringWindowSystem>(inner.ui(), run)) {}

AnsweringMachine::~AnsweringMachine() = default;

platform::WindowSystem& AnsweringMachine::ui() { return *ui_; }
