// The simulated window system: dialogs built from the resource script's
// templates, their controls' state, modal loops, timers on the virtual clock,
// synchronous sends across threads, a scripted user and a transcript of
// everything shown.
//
// A dialog's modal loop (DialogBoxParamA) runs on the calling thread:
// create the window, OnInitDialog, then repeat: handle sends queued for
// this thread; stop once EndDialog was called; wait until no simulated
// thread runs; run this opening's script (see Script); when the script is
// over, advance the virtual clock to the next due timer of this thread's
// windows and deliver it; with no timer left the user closes the window
// (OnClose), and a dialog that still does not end is ended with IDCANCEL and
// an error is recorded. On the way out OnDestroy runs, the window's timers
// stop and sends still queued for it return 0.
//
//   m.simUi().Script(IDD_MAIN, [](sim::UserActions& u) {
//     u.WaitIdle();
//     u.SelectCombo(IDC_DRIVER_NAME, 2);
//     u.Click(IDC_INSTALL);
//     u.AdvanceTime(700);
//     u.Click(IDCANCEL);
//   });
//   m.simUi().AnswerMessageBoxes({IDRETRY});
//   ... run ...
//   EXPECT_EQ(m.simUi().Statuses(IDD_MAIN, IDC_STATUS).back(), "...");
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <initializer_list>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/sim/rc_template.h"
#include "platform/sim/sim_clock.h"
#include "platform/sim/sim_threads.h"
#include "platform/window_system.h"

namespace sim {

class SimUi;

// Well-known message numbers the simulated window system routes itself.
inline constexpr uint32_t kWmClose = 0x0010;
inline constexpr uint32_t kWmCommand = 0x0111;
inline constexpr uint32_t kWmTimer = 0x0113;

struct ListColumn {
  std::string heading;
  int format = 0;
  int width = 0;
};

struct ListRow {
  std::vector<std::string> cells;  // cell 0 is the item text
  uint32_t state = 0;              // LVIS_ bits
};

// The state of one control.
struct ControlState {
  ControlTemplate tmpl;
  std::string text;
  bool enabled = true;
  bool checked = false;
  int progress = 0;
  std::vector<std::string> comboItems;
  int comboSelection = -1;
  std::vector<ListColumn> columns;
  std::vector<ListRow> rows;
  uint32_t listExStyle = 0;
};

// A copy of a window's state, as it was when the window was destroyed (or
// now, for a live one).
struct WindowSnapshot {
  platform::WindowId hwnd = 0;
  int templateId = 0;
  std::vector<ControlState> controls;
  bool ended = false;
  std::intptr_t result = 0;

  const ControlState* Control(int controlId) const;
};

struct MessageBoxRecord {
  uint64_t timeMs = 0;
  platform::WindowId owner = 0;
  int ownerTemplateId = 0;  // 0: no owner (or unknown)
  std::string caption;
  std::string text;
  uint32_t type = 0;  // as passed, buttons and icon
  int answer = 0;

  uint32_t buttons() const { return type & 0x0Fu; }
  uint32_t icon() const { return type & 0xF0u; }
};

enum class EventKind {
  DialogOpened,    // value: parent window
  DialogEnded,     // value: result
  Text,            // text: the new text (recorded when it changes)
  Enabled,         // value: 1 enabled, 0 disabled (on change)
  Checked,         // value: 1 or 0 (on change)
  Progress,        // value: position (every PBM_SETPOS)
  ComboSelection,  // value: index, text: the item
  ListSelection,   // value: row now selected (-1: none)
  MessageBox,      // text, caption, value: answer, type
  TimerSet,        // value: timer id, type: interval
  TimerKilled,     // value: timer id (only when one was running)
  TimerFired,      // value: timer id
  UserAction,      // text: what the scripted user did
  Error,           // text: what went wrong
};

struct Event {
  uint64_t timeMs = 0;
  EventKind kind = EventKind::Error;
  platform::WindowId window = 0;
  int templateId = 0;
  int controlId = 0;
  std::string text;
  std::string caption;
  int64_t value = 0;
  uint32_t type = 0;
};

const char* EventKindName(EventKind kind);

// What the scripted user can do to and read from the dialog being run. Every
// action first waits until the machine is idle (see WaitIdle), unless a send
// is being held by WaitUntil. Actions run on the dialog's thread, like input.
class UserActions {
 public:
  UserActions(SimUi& ui, platform::WindowId hwnd, int templateId);

  platform::WindowId hwnd() const { return hwnd_; }
  bool Ended() const;

  // Handles sends until no simulated thread runs (the start-up worker has
  // ended, a monitoring thread parks waiting for input). Releases a held send.
  void WaitIdle();
  // Handles sends one by one until `condition` holds right after one; that
  // send's sender stays blocked while the following actions run, until the
  // next WaitIdle. Returns at once when the condition already holds.
  // Records an error when the machine went idle before the condition held.
  // Use it in an AtOnce script to act "while the worker is at step X".
  void WaitUntil(const std::function<bool()>& condition);

  // Mouse and keyboard. A click on a disabled or missing control records an
  // error and does nothing.
  void Click(int controlId);
  void SelectCombo(int controlId, int index);  // selection + CBN_SELCHANGE
  void SelectRow(int controlId, int row);      // as a click on the row leaves it
  void ClearSelection(int controlId);          // a click beside the rows
  void SetCheck(int controlId, bool checked);  // a click when the state differs
  void PressEscape();                          // WM_COMMAND IDCANCEL
  void PressEnter();  // WM_COMMAND of the default button (if enabled), else IDOK
  void CloseBox();    // WM_CLOSE
  // Moves the clock forward, delivering the timers of this thread's windows
  // as they fall due.
  void AdvanceTime(uint64_t ms);

  // Reading the dialog.
  std::string Text(int controlId) const;
  bool IsEnabled(int controlId) const;
  bool IsChecked(int controlId) const;
  int Progress(int controlId) const;
  std::vector<std::string> ComboItems(int controlId) const;
  int ComboSelection(int controlId) const;
  std::vector<std::vector<std::string>> Rows(int controlId) const;
  std::vector<ListColumn> Columns(int controlId) const;
  uint32_t ItemState(int controlId, int row) const;
  int SelectedRow(int controlId) const;  // first selected row, -1: none
  uint32_t ExtendedStyle(int controlId) const;

 private:
  bool Prepare(const char* action, int controlId);
  void Command(int id, int notifyCode);

  SimUi& ui_;
  platform::WindowId hwnd_;
  int templateId_;
};

class SimUi : public platform::WindowSystem {
 public:
  using ScriptFn = std::function<void(UserActions&)>;
  using MessageBoxAnswerer = std::function<int(const MessageBoxRecord&)>;

  SimUi(SimClock& clock, SimThreads& threads);
  ~SimUi() override;

  // --- Set-up ---
  // Templates from another script (tests); by default the installer's.
  void UseTemplates(const RcTemplates& templates);
  // Each opening of `templateId` takes the next script queued for it. By
  // default the script starts once the machine is idle after OnInitDialog
  // (the start-up worker has ended). AtOnce starts it right after
  // OnInitDialog, for scripts that act while a worker runs (see WaitUntil);
  // their actions still wait for idle unless a send is held.
  enum class ScriptStart { WhenIdle, AtOnce };
  void Script(int templateId, ScriptFn script, ScriptStart start = ScriptStart::WhenIdle);
  // Answers for the next message boxes, in order. An answer that is not a
  // button of the box records an error and the box takes its default.
  void AnswerMessageBoxes(std::vector<int> answers);
  // Asked when no queued answer is left; return 0 for the default answer.
  void OnMessageBox(MessageBoxAnswerer answerer);
  // How many timer deliveries a dialog gets after its script before the
  // user gives up and closes it (guards against endless timers).

  // --- Transcript and state ---
  std::vector<Event> Transcript() const;
  // Successive texts of a control (changes only), over every window of the
  // template, in order.
  std::vector<std::string> Statuses(int templateId, int controlId) const;
  std::vector<int> ProgressPositions(int templateId, int controlId) const;
  // Enable changes of a control: 1 enabled, 0 disabled.
  std::vector<int> EnableChanges(int templateId, int controlId) const;
  std::vector<MessageBoxRecord> MessageBoxes() const;
  std::vector<std::string> Errors() const;
  // Openings of a template and their results, in order (-1 while open).
  std::vector<std::intptr_t> DialogResults(int templateId) const;
  int DialogsOpened(int templateId) const;
  // The state of the most recently opened window of a template (final state
  // once it is destroyed). Null when it was never opened.
  std::unique_ptr<WindowSnapshot> LastWindow(int templateId) const;
  // Active timers of a window: id -> interval.
  std::map<std::uintptr_t, uint32_t> Timers(platform::WindowId window) const;
  // The transcript as readable lines, for failure messages.
  std::string Dump() const;
  // What a finished run should not leave behind, in a few words: dialogs not
  // yet destroyed, timers still set, and the first progress bar ever given a
  // position outside its range 0..100 (the control clamps it, so the screen
  // hides the slip). Empty when there is none.
  std::string Leftovers() const;

  SimClock& clock() { return clock_; }
  Dispatcher& dispatcher() { return threads_.dispatcher(); }

  // --- platform::WindowSystem ---
  uint32_t RegisterWindowMessageA(const std::string& name) override;
  std::intptr_t DialogBoxParamA(int templateId, platform::WindowId parent,
                                platform::Dialog& dialog) override;
  void EndDialog(platform::WindowId dialog, std::intptr_t result) override;
  // Runs as a dialog of template kMessageWindow without controls. With
  // nothing left to do it records an error (no user can see it to close
  // it) before the close box ends it.
  std::intptr_t RunMessageWindow(platform::Dialog& dialog) override;
  static constexpr int kMessageWindow = 0;
  int MessageBoxA(platform::WindowId owner, const std::string& text, const std::string& caption,
                  uint32_t type) override;
  platform::LResult SendMessageA(platform::WindowId window, uint32_t message,
                                 platform::WParam wParam, platform::LParam lParam) override;
  // Delivered by the owner thread's modal loop, before its next timer, and
  // between the timers a script's AdvanceTime fires.
  bool PostMessageA(platform::WindowId window, uint32_t message, platform::WParam wParam,
                    platform::LParam lParam) override;
  void SetTimer(platform::WindowId window, std::uintptr_t timerId, uint32_t elapseMs) override;
  void KillTimer(platform::WindowId window, std::uintptr_t timerId) override;

  void SetDlgItemTextA(platform::WindowId dialog, int controlId, const std::string& text) override;
  std::string GetDlgItemTextA(platform::WindowId dialog, int controlId) override;
  void EnableDlgItem(platform::WindowId dialog, int controlId, bool enable) override;
  bool IsDlgItemEnabled(platform::WindowId dialog, int controlId) override;
  void CheckDlgButton(platform::WindowId dialog, int controlId, bool checked) override;
  bool IsDlgButtonChecked(platform::WindowId dialog, int controlId) override;
  void SetProgressPos(platform::WindowId dialog, int controlId, int position) override;
  int GetProgressPos(platform::WindowId dialog, int controlId) override;

  void ComboResetContent(platform::WindowId dialog, int controlId) override;
  int ComboAddString(platform::WindowId dialog, int controlId, const std::string& text) override;
  void ComboSetCurSel(platform::WindowId dialog, int controlId, int index) override;
  int ComboGetCurSel(platform::WindowId dialog, int controlId) override;
  int ComboGetCount(platform::WindowId dialog, int controlId) override;
  std::string ComboGetItemText(platform::WindowId dialog, int controlId, int index) override;

  void ListDeleteAllItems(platform::WindowId dialog, int controlId) override;
  int ListGetColumnCount(platform::WindowId dialog, int controlId) override;
  void ListDeleteColumn(platform::WindowId dialog, int controlId, int column) override;
  void ListInsertColumn(platform::WindowId dialog, int controlId, int column,
                        const std::string& heading, int format, int widthPixels) override;
  void ListSetColumnWidth(platform::WindowId dialog, int controlId, int column,
                          int widthPixels) override;
  uint32_t ListGetExtendedStyle(platform::WindowId dialog, int controlId) override;
  void ListSetExtendedStyle(platform::WindowId dialog, int controlId, uint32_t style) override;
  int ListInsertItem(platform::WindowId dialog, int controlId, int row,
                     const std::string& text) override;
  void ListSetItemText(platform::WindowId dialog, int controlId, int row, int column,
                       const std::string& text) override;
  std::string ListGetItemText(platform::WindowId dialog, int controlId, int row,
                              int column) override;
  int ListGetItemCount(platform::WindowId dialog, int controlId) override;
  uint32_t ListGetItemState(platform::WindowId dialog, int controlId, int row,
                            uint32_t mask) override;
  void ListSetItemState(platform::WindowId dialog, int controlId, int row, uint32_t state,
                        uint32_t mask) override;

 private:
  friend class UserActions;
  struct Window;
  struct Timer {
    uint32_t intervalMs = 0;
    uint64_t dueMs = 0;
  };

  // Runs `fn` on the window's thread, under the state lock, with the
  // control. A missing window gives `fallback`; a missing control records an
  // error and gives `fallback`.
  template <typename R, typename Fn>
  R OnControl(platform::WindowId dialog, int controlId, const char* op, R fallback, Fn fn);
  // Delivers a message to the dialog object on the calling thread.
  platform::LResult Deliver(platform::WindowId window, uint32_t message, platform::WParam wParam,
                            platform::LParam lParam);
  void RecordLocked(Event event);
  // A change of control `c` of window `w`.
  void RecordControlLocked(EventKind kind, const Window& w, const ControlState& c, int64_t value,
                           std::string text = {});
  void Record(Event event);
  void RecordError(const std::string& text, platform::WindowId window = 0);
  void RecordErrorLocked(const std::string& text, platform::WindowId window = 0);
  bool KindIs(const ControlState& c, std::initializer_list<ControlKind> kinds, const char* op,
              const Window& w);
  bool IsEnded(platform::WindowId window) const;
  // Delivers the earliest timer of this thread's windows that is due by
  // `limitMs`, moving the clock to it. False when none is.
  bool FireNextTimer(uint64_t limitMs);
  bool WaitIdle(platform::WindowId window);
  // Delivers the posted messages of the calling thread's windows, in order.
  // False when there were none.
  bool DeliverPosted();
  std::shared_ptr<Window> FindLocked(platform::WindowId window) const;
  std::intptr_t RunModal(int templateId, const DialogTemplate* tmpl, platform::WindowId parent,
                         platform::Dialog& dialog);
  std::unique_ptr<WindowSnapshot> SnapshotLocked(const Window& window) const;
  void SetSelectedRowsLocked(Window& w, ControlState& c, int row, bool focus);

  SimClock& clock_;
  SimThreads& threads_;
  const RcTemplates* templates_ = nullptr;

  mutable std::mutex mutex_;  // everything below
  std::map<std::string, uint32_t> registeredMessages_;
  std::map<platform::WindowId, std::shared_ptr<Window>> windows_;
  std::map<int, std::shared_ptr<Window>> lastWindow_;  // by template, live or destroyed
  std::map<std::pair<platform::WindowId, std::uintptr_t>, Timer> timers_;
  std::map<int, std::deque<std::pair<ScriptFn, ScriptStart>>> scripts_;
  struct Posted {
    platform::WindowId window;
    uint32_t message;
    platform::WParam wParam;
    platform::LParam lParam;
  };
  std::deque<Posted> posted_;
  std::deque<int> answers_;
  MessageBoxAnswerer answerer_;
  std::vector<Event> transcript_;
  platform::WindowId nextWindow_ = 0x10010;
  int timerTickLimit_ = 1000;
  std::string progressOutOfRange_;  // the first such position, described
};

}  // namespace sim
