#include "platform/sim/sim_ui.h"

#include <algorithm>
#include <cctype>
#include <limits>
#include <sstream>

#include "platform/sim/names.h"
#include "platform/win_constants.h"

namespace sim {

using platform::LParam;
using platform::LResult;
using platform::WindowId;
using platform::WParam;

namespace {

constexpr uint32_t kCbsTypeMask = 0x3;
constexpr uint32_t kCbsDropDownList = 0x3;
constexpr uint32_t kCbsSort = 0x100;
constexpr uint32_t kLvsSingleSel = 0x4;
constexpr uint32_t kMinTimerMs = 10;  // USER_TIMER_MINIMUM

bool IsDropDownList(const ControlState& c) {
  return c.tmpl.kind == ControlKind::ComboBox && (c.tmpl.style & kCbsTypeMask) == kCbsDropDownList;
}

std::string ComboText(const ControlState& c) {
  if (c.comboSelection >= 0 && c.comboSelection < static_cast<int>(c.comboItems.size())) {
    return c.comboItems[c.comboSelection];
  }
  return "";
}

int FirstSelectedRow(const ControlState& c) {
  for (size_t i = 0; i < c.rows.size(); ++i) {
    if (c.rows[i].state & win::LVIS_SELECTED) return static_cast<int>(i);
  }
  return -1;
}

// The buttons a box of this type has, and what it answers by default (the
// Cancel button where there is one, No for Yes/No, Abort for
// Abort/Retry/Ignore, OK for OK).
std::vector<int> ButtonsOf(uint32_t type) {
  switch (type & win::MB_TYPEMASK) {
    case win::MB_OK:
      return {win::IDOK};
    case win::MB_OKCANCEL:
      return {win::IDOK, win::IDCANCEL};
    case win::MB_ABORTRETRYIGNORE:
      return {win::IDABORT, win::IDRETRY, win::IDIGNORE};
    case win::MB_YESNOCANCEL:
      return {win::IDYES, win::IDNO, win::IDCANCEL};
    case win::MB_YESNO:
      return {win::IDYES, win::IDNO};
    case win::MB_RETRYCANCEL:
      return {win::IDRETRY, win::IDCANCEL};
    default:
      return {win::IDOK};
  }
}

int DefaultAnswer(uint32_t type) {
  switch (type & win::MB_TYPEMASK) {
    case win::MB_OKCANCEL:
    case win::MB_YESNOCANCEL:
    case win::MB_RETRYCANCEL:
      return win::IDCANCEL;
    case win::MB_YESNO:
      return win::IDNO;
    case win::MB_ABORTRETRYIGNORE:
      return win::IDABORT;
    default:
      return win::IDOK;
  }
}

std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '\r') {
      out += "\\r";
    } else if (c == '\n') {
      out += "\\n";
    } else {
      out += c;
    }
  }
  return out + "\"";
}

}  // namespace

const char* EventKindName(EventKind kind) {
  switch (kind) {
    case EventKind::DialogOpened:
      return "DialogOpened";
    case EventKind::DialogEnded:
      return "DialogEnded";
    case EventKind::Text:
      return "Text";
    case EventKind::Enabled:
      return "Enabled";
    case EventKind::Checked:
      return "Checked";
    case EventKind::Progress:
      return "Progress";
    case EventKind::ComboSelection:
      return "ComboSelection";
    case EventKind::ListSelection:
      return "ListSelection";
    case EventKind::MessageBox:
      return "MessageBox";
    case EventKind::TimerSet:
      return "TimerSet";
    case EventKind::TimerKilled:
      return "TimerKilled";
    case EventKind::TimerFired:
      return "TimerFired";
    case EventKind::UserAction:
      return "UserAction";
    case EventKind::Error:
      return "Error";
  }
  return "?";
}

const ControlState* WindowSnapshot::Control(int controlId) const {
  for (const auto& c : controls) {
    if (c.tmpl.id == controlId) return &c;
  }
  return nullptr;
}

struct SimUi::Window {
  WindowId hwnd = 0;
  int templateId = 0;
  WindowId parent = 0;
  std::thread::id owner;
  platform::Dialog* dialog = nullptr;
  std::vector<ControlState> controls;
  bool ended = false;
  std::intptr_t result = 0;
  bool destroyed = false;

  ControlState* Control(int controlId) {
    for (auto& c : controls) {
      if (c.tmpl.id == controlId) return &c;
    }
    return nullptr;
  }
};

SimUi::SimUi(SimClock& clock, SimThreads& threads) : clock_(clock), threads_(threads) {}

SimUi::~SimUi() = default;

// --- Set-up -----------------------------------------------------------------

void SimUi::UseTemplates(const RcTemplates& templates) {
  std::lock_guard lock(mutex_);
  templates_ = &templates;
}

void SimUi::Script(int templateId, ScriptFn script, ScriptStart start) {
  std::lock_guard lock(mutex_);
  scripts_[templateId].emplace_back(std::move(script), start);
}

void SimUi::AnswerMessageBoxes(std::vector<int> answers) {
  std::lock_guard lock(mutex_);
  for (int a : answers) answers_.push_back(a);
}

void SimUi::OnMessageBox(MessageBoxAnswerer answerer) {
  std::lock_guard lock(mutex_);
  answerer_ = std::move(answerer);
}

// --- Recording --------------------------------------------------------------

void SimUi::RecordControlLocked(EventKind kind, const Window& w, const ControlState& c,
                                int64_t value, std::string text) {
  Event e;
  e.kind = kind;
  e.window = w.hwnd;
  e.controlId = c.tmpl.id;
  e.value = value;
  e.text = std::move(text);
  RecordLocked(std::move(e));
}

void SimUi::RecordLocked(Event event) {
  event.timeMs = clock_.NowMs();
  if (event.window != 0 && event.templateId == 0) {
    auto it = windows_.find(event.window);
    if (it != windows_.end()) event.templateId = it->second->templateId;
  }
  transcript_.push_back(std::move(event));
}

void SimUi::Record(Event event) {
  std::lock_guard lock(mutex_);
  RecordLocked(std::move(event));
}

void SimUi::RecordErrorLocked(const std::string& text, WindowId window) {
  Event e;
  e.kind = EventKind::Error;
  e.window = window;
  e.text = text;
  RecordLocked(std::move(e));
}

void SimUi::RecordError(const std::string& text, WindowId window) {
  std::lock_guard lock(mutex_);
  RecordErrorLocked(text, window);
}

bool SimUi::KindIs(const ControlState& c, std::initializer_list<ControlKind> kinds, const char* op,
                   const Window& w) {
  for (ControlKind k : kinds) {
    if (c.tmpl.kind == k) return true;
  }
  RecordErrorLocked(std::string(op) + " on control " + std::to_string(c.tmpl.id) + " (class " +
                        c.tmpl.className + ") of dialog " + std::to_string(w.templateId),
                    w.hwnd);
  return false;
}

std::shared_ptr<SimUi::Window> SimUi::FindLocked(WindowId window) const {
  auto it = windows_.find(window);
  return it == windows_.end() ? nullptr : it->second;
}

template <typename R, typename Fn>
R SimUi::OnControl(WindowId dialog, int controlId, const char* op, R fallback, Fn fn) {
  R result = fallback;
  dispatcher().Send(dialog, [&] {
    std::lock_guard lock(mutex_);
    auto w = FindLocked(dialog);
    if (!w) return;
    ControlState* c = w->Control(controlId);
    if (!c) {
      RecordErrorLocked(std::string(op) + ": no control " + std::to_string(controlId) +
                            " in dialog " + std::to_string(w->templateId),
                        dialog);
      return;
    }
    result = fn(*c, *w);
  });
  return result;
}

// --- Messages, dialogs, message boxes, timers -------------------------------

uint32_t SimUi::RegisterWindowMessageA(const std::string& name) {
  std::lock_guard lock(mutex_);
  const std::string key = UpperCase(name);  // atom names ignore case
  auto it = registeredMessages_.find(key);
  if (it != registeredMessages_.end()) return it->second;
  const uint32_t number = 0xC100u + static_cast<uint32_t>(registeredMessages_.size());
  registeredMessages_[key] = number;
  return number;
}

LResult SimUi::Deliver(WindowId window, uint32_t message, WParam wParam, LParam lParam) {
  platform::Dialog* dialog = nullptr;
  {
    std::lock_guard lock(mutex_);
    auto w = FindLocked(window);
    if (!w || w->destroyed) return 0;
    dialog = w->dialog;
  }
  switch (message) {
    case kWmCommand:
      dialog->OnCommand(static_cast<int>(wParam & 0xFFFF),
                        static_cast<int>((wParam >> 16) & 0xFFFF));
      return 0;
    case kWmClose:
      dialog->OnClose();
      return 0;
    case kWmTimer:
      dialog->OnTimer(wParam);
      return 0;
    default: {
      LResult result = 0;
      dialog->OnMessage(message, wParam, lParam, result);
      return result;
    }
  }
}

LResult SimUi::SendMessageA(WindowId window, uint32_t message, WParam wParam, LParam lParam) {
  LResult result = 0;
  dispatcher().Send(window, [&] { result = Deliver(window, message, wParam, lParam); });
  return result;
}

bool SimUi::PostMessageA(WindowId window, uint32_t message, WParam wParam, LParam lParam) {
  std::lock_guard lock(mutex_);
  auto w = FindLocked(window);
  if (!w || w->destroyed) return false;
  posted_.push_back({window, message, wParam, lParam});
  return true;
}

bool SimUi::DeliverPosted() {
  bool delivered = false;
  for (;;) {
    Posted next{};
    {
      std::lock_guard lock(mutex_);
      auto mine = std::find_if(posted_.begin(), posted_.end(), [&](const Posted& p) {
        auto w = FindLocked(p.window);
        return !w || w->owner == std::this_thread::get_id();
      });
      if (mine == posted_.end()) return delivered;
      next = *mine;
      posted_.erase(mine);
    }
    Deliver(next.window, next.message, next.wParam, next.lParam);
    delivered = true;
  }
}

bool SimUi::IsEnded(WindowId window) const {
  std::lock_guard lock(mutex_);
  auto w = FindLocked(window);
  return !w || w->ended;
}

bool SimUi::WaitIdle(WindowId window) {
  if (dispatcher().WaitIdle()) return true;
  RecordError("the machine did not become idle (a simulated thread kept running)", window);
  return false;
}

std::intptr_t SimUi::DialogBoxParamA(int templateId, WindowId parent, platform::Dialog& dialog) {
  const RcTemplates* templates;
  {
    std::lock_guard lock(mutex_);
    templates = templates_;
  }
  if (!templates) templates = RcTemplates::Installer();
  const DialogTemplate* tmpl = templates ? templates->Find(templateId) : nullptr;
  if (!tmpl) {
    RecordError("no dialog template " + std::to_string(templateId) +
                (templates ? std::string() : " (" + RcTemplates::LoadError() + ")"));
    return -1;
  }

  auto w = std::make_shared<Window>();
  w->templateId = templateId;
  w->parent = parent;
  w->owner = std::this_thread::get_id();
  w->dialog = &dialog;
  for (const auto& ct : tmpl->controls) {
    ControlState c;
    c.tmpl = ct;
    c.text = ct.text;
    c.enabled = !ct.disabled();
    w->controls.push_back(std::move(c));
  }
  ScriptFn script;
  ScriptStart start = ScriptStart::WhenIdle;
  {
    std::lock_guard lock(mutex_);
    w->hwnd = nextWindow_;
    nextWindow_ += 0x10;
    windows_[w->hwnd] = w;
    lastWindow_[templateId] = w;
    auto queued = scripts_.find(templateId);
    if (queued != scripts_.end() && !queued->second.empty()) {
      script = std::move(queued->second.front().first);
      start = queued->second.front().second;
      queued->second.pop_front();
    }
    Event e;
    e.kind = EventKind::DialogOpened;
    e.window = w->hwnd;
    e.value = static_cast<int64_t>(parent);
    e.caption = tmpl->caption;
    RecordLocked(std::move(e));
  }
  const WindowId hwnd = w->hwnd;
  dispatcher().RegisterTarget(hwnd, w->owner);
  dialog.AttachWindow(hwnd);
  dialog.OnInitDialog();

  bool scriptPending = static_cast<bool>(script);
  int ticks = 0;
  for (;;) {
    // An AtOnce script gets the machine exactly as OnInitDialog left it.
    const bool scriptNow = scriptPending && start == ScriptStart::AtOnce;
    if (!scriptNow) {
      dispatcher().Pump();
      if (IsEnded(hwnd)) break;
      WaitIdle(hwnd);
    }
    if (IsEnded(hwnd)) break;
    if (DeliverPosted()) continue;
    if (scriptPending) {
      scriptPending = false;
      UserActions user(*this, hwnd, templateId);
      script(user);
      continue;
    }
    if (ticks < timerTickLimit_ && FireNextTimer(std::numeric_limits<uint64_t>::max())) {
      ++ticks;
      continue;
    }
    if (ticks >= timerTickLimit_) {
      RecordError("timers of dialog " + std::to_string(templateId) + " still running after " +
                      std::to_string(ticks) + " deliveries; the user closes it",
                  hwnd);
    }
    {
      Event e;
      e.kind = EventKind::UserAction;
      e.window = hwnd;
      e.text = "close box (nothing left to do)";
      Record(std::move(e));
    }
    Deliver(hwnd, kWmClose, 0, 0);
    dispatcher().Pump();
    WaitIdle(hwnd);
    if (!IsEnded(hwnd)) {
      RecordError(
          "dialog " + std::to_string(templateId) + " did not end on WM_CLOSE; ended with IDCANCEL",
          hwnd);
      EndDialog(hwnd, win::IDCANCEL);
    }
  }

  dialog.OnDestroy();
  std::intptr_t result;
  {
    std::lock_guard lock(mutex_);
    result = w->result;
    for (auto it = timers_.begin(); it != timers_.end();) {
      it = it->first.first == hwnd ? timers_.erase(it) : std::next(it);
    }
    Event e;
    e.kind = EventKind::DialogEnded;
    e.window = hwnd;
    e.value = result;
    RecordLocked(std::move(e));
    w->destroyed = true;
    windows_.erase(hwnd);
  }
  dispatcher().UnregisterTarget(hwnd);
  return result;
}

void SimUi::EndDialog(WindowId dialog, std::intptr_t result) {
  {
    std::lock_guard lock(mutex_);
    auto w = FindLocked(dialog);
    if (!w) return;
    w->ended = true;
    w->result = result;
  }
  dispatcher().Notify();
}

int SimUi::MessageBoxA(WindowId owner, const std::string& text, const std::string& caption,
                       uint32_t type) {
  MessageBoxRecord box;
  box.owner = owner;
  box.caption = caption;
  box.text = text;
  box.type = type;
  const std::vector<int> buttons = ButtonsOf(type);
  auto valid = [&](int answer) {
    return std::find(buttons.begin(), buttons.end(), answer) != buttons.end();
  };
  int answer = 0;
  bool queued = false;
  MessageBoxAnswerer answerer;
  {
    std::lock_guard lock(mutex_);
    box.timeMs = clock_.NowMs();
    if (auto w = FindLocked(owner)) box.ownerTemplateId = w->templateId;
    bool ownsWindow = false;
    for (const auto& [id, w] : windows_) {
      if (w->owner == std::this_thread::get_id()) ownsWindow = true;
    }
    box.fromWindowThread = ownsWindow;
    if (!answers_.empty()) {
      answer = answers_.front();
      answers_.pop_front();
      queued = true;
    } else {
      answerer = answerer_;
    }
  }
  if (!queued && answerer) answer = answerer(box);
  if (answer != 0 && !valid(answer)) {
    RecordError("answer " + std::to_string(answer) + " is not a button of the box " + Quoted(text) +
                    "; it takes its default",
                owner);
    answer = 0;
  }
  if (answer == 0) answer = DefaultAnswer(type);
  box.answer = answer;

  Event e;
  e.kind = EventKind::MessageBox;
  e.window = owner;
  e.templateId = box.ownerTemplateId;
  e.text = text;
  e.caption = caption;
  e.value = answer;
  e.type = type;
  Record(std::move(e));
  return answer;
}

void SimUi::SetTimer(WindowId window, std::uintptr_t timerId, uint32_t elapseMs) {
  std::lock_guard lock(mutex_);
  auto w = FindLocked(window);
  if (!w) return;
  Timer t;
  t.intervalMs = std::max(elapseMs, kMinTimerMs);
  t.dueMs = clock_.NowMs() + t.intervalMs;
  timers_[{window, timerId}] = t;  // a running timer of that id starts over
  Event e;
  e.kind = EventKind::TimerSet;
  e.window = window;
  e.value = static_cast<int64_t>(timerId);
  e.type = t.intervalMs;
  RecordLocked(std::move(e));
}

void SimUi::KillTimer(WindowId window, std::uintptr_t timerId) {
  std::lock_guard lock(mutex_);
  if (timers_.erase({window, timerId}) == 0) return;
  Event e;
  e.kind = EventKind::TimerKilled;
  e.window = window;
  e.value = static_cast<int64_t>(timerId);
  RecordLocked(std::move(e));
}

bool SimUi::FireNextTimer(uint64_t limitMs) {
  WindowId window = 0;
  std::uintptr_t timerId = 0;
  uint64_t due = 0;
  {
    std::lock_guard lock(mutex_);
    const auto self = std::this_thread::get_id();
    Timer* next = nullptr;
    for (auto& [key, timer] : timers_) {
      auto w = FindLocked(key.first);
      if (!w || w->owner != self) continue;
      if (!next || timer.dueMs < next->dueMs) {
        next = &timer;
        window = key.first;
        timerId = key.second;
      }
    }
    if (!next || next->dueMs > limitMs) return false;
    due = next->dueMs;
  }
  // Without the lock: moments scheduled on the clock before the timer (a
  // device answering) run first and may send to windows.
  clock_.AdvanceTo(due);
  {
    std::lock_guard lock(mutex_);
    auto timer = timers_.find({window, timerId});
    // Killed or set anew meanwhile: the caller looks for the next one again.
    if (timer == timers_.end() || timer->second.dueMs > clock_.NowMs()) return true;
    Timer* next = &timer->second;
    // Like WM_TIMER, intervals that passed unseen give one message, not many.
    next->dueMs = std::max(next->dueMs, clock_.NowMs()) + next->intervalMs;
    Event e;
    e.kind = EventKind::TimerFired;
    e.window = window;
    e.value = static_cast<int64_t>(timerId);
    RecordLocked(std::move(e));
  }
  Deliver(window, kWmTimer, timerId, 0);
  return true;
}

// --- Controls ---------------------------------------------------------------

void SimUi::SetDlgItemTextA(WindowId dialog, int controlId, const std::string& text) {
  OnControl(dialog, controlId, "SetDlgItemTextA", 0, [&](ControlState& c, Window& w) {
    if (IsDropDownList(c)) {  // WM_SETTEXT selects the matching item
      for (size_t i = 0; i < c.comboItems.size(); ++i) {
        if (UpperCase(c.comboItems[i]) == UpperCase(text)) c.comboSelection = static_cast<int>(i);
      }
      return 0;
    }
    if (c.text == text) return 0;
    c.text = text;
    RecordControlLocked(EventKind::Text, w, c, 0, text);
    return 0;
  });
}

std::string SimUi::GetDlgItemTextA(WindowId dialog, int controlId) {
  return OnControl(
      dialog, controlId, "GetDlgItemTextA", std::string(),
      [&](ControlState& c, Window&) { return IsDropDownList(c) ? ComboText(c) : c.text; });
}

void SimUi::EnableDlgItem(WindowId dialog, int controlId, bool enable) {
  OnControl(dialog, controlId, "EnableDlgItem", 0, [&](ControlState& c, Window& w) {
    if (c.enabled == enable) return 0;
    c.enabled = enable;
    RecordControlLocked(EventKind::Enabled, w, c, enable ? 1 : 0);
    return 0;
  });
}

bool SimUi::IsDlgItemEnabled(WindowId dialog, int controlId) {
  return OnControl(dialog, controlId, "IsDlgItemEnabled", false,
                   [&](ControlState& c, Window&) { return c.enabled; });
}

void SimUi::CheckDlgButton(WindowId dialog, int controlId, bool checked) {
  OnControl(dialog, controlId, "CheckDlgButton", 0, [&](ControlState& c, Window& w) {
    if (!KindIs(c, {ControlKind::CheckBox, ControlKind::RadioButton}, "CheckDlgButton", w)) {
      return 0;
    }
    if (c.checked == checked) return 0;
    c.checked = checked;
    RecordControlLocked(EventKind::Checked, w, c, checked ? 1 : 0);
    return 0;
  });
}

bool SimUi::IsDlgButtonChecked(WindowId dialog, int controlId) {
  return OnControl(dialog, controlId, "IsDlgButtonChecked", false,
                   [&](ControlState& c, Window&) { return c.checked; });
}

void SimUi::SetProgressPos(WindowId dialog, int controlId, int position) {
  OnControl(dialog, controlId, "SetProgressPos", 0, [&](ControlState& c, Window& w) {
    if (!KindIs(c, {ControlKind::Progress}, "SetProgressPos", w)) return 0;
    c.progress = std::clamp(position, 0, 100);  // the default range
    RecordControlLocked(EventKind::Progress, w, c, c.progress);
    return 0;
  });
}

int SimUi::GetProgressPos(WindowId dialog, int controlId) {
  return OnControl(dialog, controlId, "GetProgressPos", 0,
                   [&](ControlState& c, Window&) { return c.progress; });
}

void SimUi::ComboResetContent(WindowId dialog, int controlId) {
  OnControl(dialog, controlId, "ComboResetContent", 0, [&](ControlState& c, Window& w) {
    if (!KindIs(c, {ControlKind::ComboBox}, "ComboResetContent", w)) return 0;
    c.comboItems.clear();
    c.comboSelection = -1;
    return 0;
  });
}

int SimUi::ComboAddString(WindowId dialog, int controlId, const std::string& text) {
  return OnControl(
      dialog, controlId, "ComboAddString", win::CB_ERR, [&](ControlState& c, Window& w) {
        if (!KindIs(c, {ControlKind::ComboBox}, "ComboAddString", w)) return win::CB_ERR;
        size_t at = c.comboItems.size();
        if (c.tmpl.style & kCbsSort) {
          at = 0;
          while (at < c.comboItems.size() && UpperCase(c.comboItems[at]) <= UpperCase(text)) ++at;
        }
        c.comboItems.insert(c.comboItems.begin() + static_cast<std::ptrdiff_t>(at), text);
        if (c.comboSelection >= static_cast<int>(at)) ++c.comboSelection;
        return static_cast<int>(at);
      });
}

void SimUi::ComboSetCurSel(WindowId dialog, int controlId, int index) {
  OnControl(dialog, controlId, "ComboSetCurSel", 0, [&](ControlState& c, Window& w) {
    if (!KindIs(c, {ControlKind::ComboBox}, "ComboSetCurSel", w)) return 0;
    // Out of range (or -1) clears the selection, as CB_SETCURSEL does.
    const int selection = index >= 0 && index < static_cast<int>(c.comboItems.size()) ? index : -1;
    if (selection == c.comboSelection) return 0;
    c.comboSelection = selection;
    if (!IsDropDownList(c)) c.text = ComboText(c);
    RecordControlLocked(EventKind::ComboSelection, w, c, selection, ComboText(c));
    return 0;
  });
}

int SimUi::ComboGetCurSel(WindowId dialog, int controlId) {
  return OnControl(dialog, controlId, "ComboGetCurSel", win::CB_ERR,
                   [&](ControlState& c, Window&) { return c.comboSelection; });
}

int SimUi::ComboGetCount(WindowId dialog, int controlId) {
  return OnControl(dialog, controlId, "ComboGetCount", 0,
                   [&](ControlState& c, Window&) { return static_cast<int>(c.comboItems.size()); });
}

std::string SimUi::ComboGetItemText(WindowId dialog, int controlId, int index) {
  return OnControl(dialog, controlId, "ComboGetItemText", std::string(),
                   [&](ControlState& c, Window&) {
                     if (index < 0 || index >= static_cast<int>(c.comboItems.size())) {
                       return std::string();
                     }
                     return c.comboItems[index];
                   });
}

void SimUi::ListDeleteAllItems(WindowId dialog, int controlId) {
  OnControl(dialog, controlId, "ListDeleteAllItems", 0, [&](ControlState& c, Window& w) {
    if (!KindIs(c, {ControlKind::ListView}, "ListDeleteAllItems", w)) return 0;
    c.rows.clear();
    return 0;
  });
}

int SimUi::ListGetColumnCount(WindowId dialog, int controlId) {
  return OnControl(dialog, controlId, "ListGetColumnCount", 0,
                   [&](ControlState& c, Window&) { return static_cast<int>(c.columns.size()); });
}

void SimUi::ListDeleteColumn(WindowId dialog, int controlId, int column) {
  OnControl(dialog, controlId, "ListDeleteColumn", 0, [&](ControlState& c, Window& w) {
    if (!KindIs(c, {ControlKind::ListView}, "ListDeleteColumn", w)) return 0;
    if (column < 0 || column >= static_cast<int>(c.columns.size())) return 0;
    c.columns.erase(c.columns.begin() + column);
    for (auto& row : c.rows) {
      if (column < static_cast<int>(row.cells.size())) row.cells.erase(row.cells.begin() + column);
    }
    return 0;
  });
}

void SimUi::ListInsertColumn(WindowId dialog, int controlId, int column, const std::string& heading,
                             int format, int widthPixels) {
  OnControl(dialog, controlId, "ListInsertColumn", 0, [&](ControlState& c, Window& w) {
    if (!KindIs(c, {ControlKind::ListView}, "ListInsertColumn", w)) return 0;
    if (column < 0) return 0;
    const int at = std::min(column, static_cast<int>(c.columns.size()));
    c.columns.insert(c.columns.begin() + at, ListColumn{heading, format, widthPixels});
    return 0;
  });
}

void SimUi::ListSetColumnWidth(WindowId dialog, int controlId, int column, int widthPixels) {
  OnControl(dialog, controlId, "ListSetColumnWidth", 0, [&](ControlState& c, Window& w) {
    if (!KindIs(c, {ControlKind::ListView}, "ListSetColumnWidth", w)) return 0;
    if (column >= 0 && column < static_cast<int>(c.columns.size())) {
      c.columns[column].width = widthPixels;
    }
    return 0;
  });
}

uint32_t SimUi::ListGetExtendedStyle(WindowId dialog, int controlId) {
  return OnControl(dialog, controlId, "ListGetExtendedStyle", 0u,
                   [&](ControlState& c, Window&) { return c.listExStyle; });
}

void SimUi::ListSetExtendedStyle(WindowId dialog, int controlId, uint32_t style) {
  OnControl(dialog, controlId, "ListSetExtendedStyle", 0, [&](ControlState& c, Window& w) {
    if (!KindIs(c, {ControlKind::ListView}, "ListSetExtendedStyle", w)) return 0;
    c.listExStyle = style;
    return 0;
  });
}

int SimUi::ListInsertItem(WindowId dialog, int controlId, int row, const std::string& text) {
  return OnControl(dialog, controlId, "ListInsertItem", -1, [&](ControlState& c, Window& w) {
    if (!KindIs(c, {ControlKind::ListView}, "ListInsertItem", w)) return -1;
    if (row < 0) return -1;
    const int at = std::min(row, static_cast<int>(c.rows.size()));
    ListRow r;
    r.cells.push_back(text);
    c.rows.insert(c.rows.begin() + at, std::move(r));
    return at;
  });
}

void SimUi::ListSetItemText(WindowId dialog, int controlId, int row, int column,
                            const std::string& text) {
  OnControl(dialog, controlId, "ListSetItemText", 0, [&](ControlState& c, Window& w) {
    if (!KindIs(c, {ControlKind::ListView}, "ListSetItemText", w)) return 0;
    if (row < 0 || row >= static_cast<int>(c.rows.size()) || column < 0) return 0;
    if (column > 0 && column >= static_cast<int>(c.columns.size())) {
      RecordErrorLocked("ListSetItemText: column " + std::to_string(column) +
                            " does not exist in list " + std::to_string(c.tmpl.id),
                        w.hwnd);
      return 0;
    }
    auto& cells = c.rows[row].cells;
    if (static_cast<int>(cells.size()) <= column) cells.resize(column + 1);
    cells[column] = text;
    return 0;
  });
}

std::string SimUi::ListGetItemText(WindowId dialog, int controlId, int row, int column) {
  return OnControl(dialog, controlId, "ListGetItemText", std::string(),
                   [&](ControlState& c, Window&) {
                     if (row < 0 || row >= static_cast<int>(c.rows.size()) || column < 0 ||
                         column >= static_cast<int>(c.rows[row].cells.size())) {
                       return std::string();
                     }
                     return c.rows[row].cells[column];
                   });
}

int SimUi::ListGetItemCount(WindowId dialog, int controlId) {
  return OnControl(dialog, controlId, "ListGetItemCount", 0,
                   [&](ControlState& c, Window&) { return static_cast<int>(c.rows.size()); });
}

uint32_t SimUi::ListGetItemState(WindowId dialog, int controlId, int row, uint32_t mask) {
  return OnControl(dialog, controlId, "ListGetItemState", 0u, [&](ControlState& c, Window&) {
    if (row < 0 || row >= static_cast<int>(c.rows.size())) return 0u;
    return c.rows[row].state & mask;
  });
}

void SimUi::ListSetItemState(WindowId dialog, int controlId, int row, uint32_t state,
                             uint32_t mask) {
  OnControl(dialog, controlId, "ListSetItemState", 0, [&](ControlState& c, Window& w) {
    if (!KindIs(c, {ControlKind::ListView}, "ListSetItemState", w)) return 0;
    if (row < -1 || row >= static_cast<int>(c.rows.size())) return 0;
    const int before = FirstSelectedRow(c);
    std::vector<uint32_t> old;
    for (const auto& r : c.rows) old.push_back(r.state);
    for (int i = 0; i < static_cast<int>(c.rows.size()); ++i) {
      if (row != -1 && i != row) continue;
      c.rows[i].state = (c.rows[i].state & ~mask) | (state & mask);
    }
    if (row >= 0) {
      // One focused item per list; one selected item in a single-selection list.
      uint32_t exclusive = 0;
      if ((mask & state & win::LVIS_FOCUSED) != 0) exclusive |= win::LVIS_FOCUSED;
      if ((mask & state & win::LVIS_SELECTED) != 0 && (c.tmpl.style & kLvsSingleSel) != 0) {
        exclusive |= win::LVIS_SELECTED;
      }
      for (int i = 0; i < static_cast<int>(c.rows.size()); ++i) {
        if (i != row) c.rows[i].state &= ~exclusive;
      }
    }
    bool selectionChanged = false;
    for (size_t i = 0; i < c.rows.size(); ++i) {
      if ((old[i] ^ c.rows[i].state) & win::LVIS_SELECTED) selectionChanged = true;
    }
    if (selectionChanged) {
      RecordControlLocked(EventKind::ListSelection, w, c, FirstSelectedRow(c),
                          before == FirstSelectedRow(c) ? "selection extended" : "");
    }
    return 0;
  });
}

void SimUi::SetSelectedRowsLocked(Window& w, ControlState& c, int row, bool focus) {
  const int before = FirstSelectedRow(c);
  bool changed = false;
  for (int i = 0; i < static_cast<int>(c.rows.size()); ++i) {
    uint32_t s = c.rows[i].state & ~win::LVIS_SELECTED;
    if (focus) s &= ~win::LVIS_FOCUSED;
    if (i == row) s |= win::LVIS_SELECTED | (focus ? win::LVIS_FOCUSED : 0u);
    if ((s ^ c.rows[i].state) & win::LVIS_SELECTED) changed = true;
    c.rows[i].state = s;
  }
  if (changed || before != FirstSelectedRow(c)) {
    RecordControlLocked(EventKind::ListSelection, w, c, FirstSelectedRow(c));
  }
}

// --- Inspection -------------------------------------------------------------

std::vector<Event> SimUi::Transcript() const {
  std::lock_guard lock(mutex_);
  return transcript_;
}

std::vector<std::string> SimUi::Statuses(int templateId, int controlId) const {
  std::lock_guard lock(mutex_);
  std::vector<std::string> out;
  for (const auto& e : transcript_) {
    if (e.kind == EventKind::Text && e.templateId == templateId && e.controlId == controlId) {
      out.push_back(e.text);
    }
  }
  return out;
}

std::vector<int> SimUi::ProgressPositions(int templateId, int controlId) const {
  std::lock_guard lock(mutex_);
  std::vector<int> out;
  for (const auto& e : transcript_) {
    if (e.kind == EventKind::Progress && e.templateId == templateId && e.controlId == controlId) {
      out.push_back(static_cast<int>(e.value));
    }
  }
  return out;
}

std::vector<int> SimUi::EnableChanges(int templateId, int controlId) const {
  std::lock_guard lock(mutex_);
  std::vector<int> out;
  for (const auto& e : transcript_) {
    if (e.kind == EventKind::Enabled && e.templateId == templateId && e.controlId == controlId) {
      out.push_back(static_cast<int>(e.value));
    }
  }
  return out;
}

std::vector<MessageBoxRecord> SimUi::MessageBoxes() const {
  std::lock_guard lock(mutex_);
  std::vector<MessageBoxRecord> out;
  for (const auto& e : transcript_) {
    if (e.kind != EventKind::MessageBox) continue;
    MessageBoxRecord r;
    r.timeMs = e.timeMs;
    r.owner = e.window;
    r.ownerTemplateId = e.templateId;
    r.caption = e.caption;
    r.text = e.text;
    r.type = e.type;
    r.answer = static_cast<int>(e.value);
    out.push_back(std::move(r));
  }
  return out;
}

std::vector<std::string> SimUi::Errors() const {
  std::lock_guard lock(mutex_);
  std::vector<std::string> out;
  for (const auto& e : transcript_) {
    if (e.kind == EventKind::Error) out.push_back(e.text);
  }
  return out;
}

std::vector<std::intptr_t> SimUi::DialogResults(int templateId) const {
  std::lock_guard lock(mutex_);
  std::vector<std::intptr_t> out;
  std::map<WindowId, size_t> open;
  for (const auto& e : transcript_) {
    if (e.templateId != templateId) continue;
    if (e.kind == EventKind::DialogOpened) {
      open[e.window] = out.size();
      out.push_back(-1);
    } else if (e.kind == EventKind::DialogEnded && open.count(e.window)) {
      out[open[e.window]] = static_cast<std::intptr_t>(e.value);
    }
  }
  return out;
}

int SimUi::DialogsOpened(int templateId) const {
  return static_cast<int>(DialogResults(templateId).size());
}

std::unique_ptr<WindowSnapshot> SimUi::SnapshotLocked(const Window& window) const {
  auto s = std::make_unique<WindowSnapshot>();
  s->hwnd = window.hwnd;
  s->templateId = window.templateId;
  s->controls = window.controls;
  s->ended = window.ended;
  s->result = window.result;
  return s;
}

std::unique_ptr<WindowSnapshot> SimUi::LastWindow(int templateId) const {
  std::lock_guard lock(mutex_);
  auto it = lastWindow_.find(templateId);
  if (it == lastWindow_.end()) return nullptr;
  return SnapshotLocked(*it->second);
}

std::map<std::uintptr_t, uint32_t> SimUi::Timers(WindowId window) const {
  std::lock_guard lock(mutex_);
  std::map<std::uintptr_t, uint32_t> out;
  for (const auto& [key, timer] : timers_) {
    if (key.first == window) out[key.second] = timer.intervalMs;
  }
  return out;
}

std::string SimUi::Dump() const {
  std::lock_guard lock(mutex_);
  std::ostringstream out;
  for (const auto& e : transcript_) {
    out << "[" << e.timeMs << " ms] dialog " << e.templateId << " " << EventKindName(e.kind);
    if (e.controlId != 0) out << " control " << e.controlId;
    switch (e.kind) {
      case EventKind::MessageBox:
        out << " " << Quoted(e.caption) << " " << Quoted(e.text) << " type 0x" << std::hex << e.type
            << std::dec << " answer " << e.value;
        break;
      case EventKind::TimerSet:
        out << " id " << e.value << " every " << e.type << " ms";
        break;
      case EventKind::Text:
      case EventKind::UserAction:
      case EventKind::Error:
        out << " " << Quoted(e.text);
        break;
      default:
        out << " " << e.value;
        if (!e.text.empty()) out << " " << Quoted(e.text);
    }
    out << "\n";
  }
  return out.str();
}

// --- The scripted user ------------------------------------------------------

UserActions::UserActions(SimUi& ui, WindowId hwnd, int templateId)
    : ui_(ui), hwnd_(hwnd), templateId_(templateId) {}

bool UserActions::Ended() const { return ui_.IsEnded(hwnd_); }

void UserActions::WaitIdle() { ui_.WaitIdle(hwnd_); }

void UserActions::WaitUntil(const std::function<bool()>& condition) {
  if (condition()) return;
  if (!ui_.dispatcher().PumpUntilHeld(condition)) {
    ui_.RecordError("the awaited condition never held before the machine went idle", hwnd_);
  }
}

void UserActions::Release() { ui_.dispatcher().Pump(); }

bool UserActions::Prepare(const char* action, int controlId) {
  if (!ui_.dispatcher().Holding()) WaitIdle();
  std::lock_guard lock(ui_.mutex_);
  auto w = ui_.FindLocked(hwnd_);
  const std::string what =
      std::string(action) + (controlId != 0 ? " " + std::to_string(controlId) : std::string());
  if (!w || w->ended) {
    ui_.RecordErrorLocked(what + " after the dialog ended", hwnd_);
    return false;
  }
  if (controlId != 0) {
    ControlState* c = w->Control(controlId);
    if (!c) {
      ui_.RecordErrorLocked(what + ": no such control in dialog " + std::to_string(templateId_),
                            hwnd_);
      return false;
    }
    if (!c->enabled) {
      ui_.RecordErrorLocked(what + ": the control is disabled", hwnd_);
      return false;
    }
  }
  Event e;
  e.kind = EventKind::UserAction;
  e.window = hwnd_;
  e.controlId = controlId;
  e.text = action;
  ui_.RecordLocked(std::move(e));
  return true;
}

void UserActions::Command(int id, int notifyCode) {
  const WParam wParam = (static_cast<WParam>(notifyCode & 0xFFFF) << 16) | (id & 0xFFFF);
  ui_.Deliver(hwnd_, kWmCommand, wParam, 0);
}

void UserActions::Click(int controlId) {
  if (!Prepare("click", controlId)) return;
  ControlKind kind;
  bool toggle;
  bool checked;
  {
    std::lock_guard lock(ui_.mutex_);
    ControlState* c = ui_.FindLocked(hwnd_)->Control(controlId);
    kind = c->tmpl.kind;
    toggle = c->tmpl.autoCheck();
    checked = c->checked;
  }
  if (kind != ControlKind::PushButton && kind != ControlKind::CheckBox &&
      kind != ControlKind::RadioButton) {
    ui_.RecordError("click on control " + std::to_string(controlId) + ", which is not a button",
                    hwnd_);
    return;
  }
  if (toggle) {
    ui_.CheckDlgButton(hwnd_, controlId, kind == ControlKind::RadioButton ? true : !checked);
  }
  Command(controlId, win::BN_CLICKED);
}

void UserActions::SelectCombo(int controlId, int index) {
  if (!Prepare("select combo item", controlId)) return;
  if (index < 0 || index >= ui_.ComboGetCount(hwnd_, controlId)) {
    ui_.RecordError("select combo item " + std::to_string(index) + ": control " +
                        std::to_string(controlId) + " has no such item",
                    hwnd_);
    return;
  }
  ui_.ComboSetCurSel(hwnd_, controlId, index);
  Command(controlId, win::CBN_SELCHANGE);
}

void UserActions::SelectRow(int controlId, int row) {
  if (!Prepare("select row", controlId)) return;
  std::lock_guard lock(ui_.mutex_);
  auto w = ui_.FindLocked(hwnd_);
  ControlState* c = w->Control(controlId);
  if (!ui_.KindIs(*c, {ControlKind::ListView}, "select row", *w)) return;
  if (row < 0 || row >= static_cast<int>(c->rows.size())) {
    ui_.RecordErrorLocked("select row " + std::to_string(row) + ": list " +
                              std::to_string(controlId) + " has no such row",
                          hwnd_);
    return;
  }
  ui_.SetSelectedRowsLocked(*w, *c, row, true);
}

void UserActions::ClearSelection(int controlId) {
  if (!Prepare("click beside the rows", controlId)) return;
  std::lock_guard lock(ui_.mutex_);
  auto w = ui_.FindLocked(hwnd_);
  ControlState* c = w->Control(controlId);
  if (!ui_.KindIs(*c, {ControlKind::ListView}, "clear selection", *w)) return;
  ui_.SetSelectedRowsLocked(*w, *c, -1, false);
}

void UserActions::SetCheck(int controlId, bool checked) {
  if (IsChecked(controlId) == checked) return;
  Click(controlId);
}

void UserActions::PressEscape() {
  if (!Prepare("press Escape", 0)) return;
  Command(win::IDCANCEL, 0);
}

void UserActions::PressEnter() {
  if (!Prepare("press Enter", 0)) return;
  int defaultId = 0;
  bool enabled = true;
  {
    std::lock_guard lock(ui_.mutex_);
    // The dialog manager makes the last default push button the default.
    for (const auto& c : ui_.FindLocked(hwnd_)->controls) {
      if (c.tmpl.defaultButton()) {
        defaultId = c.tmpl.id;
        enabled = c.enabled;
      }
    }
  }
  if (defaultId == 0) {
    Command(win::IDOK, 0);
  } else if (enabled) {
    Command(defaultId, win::BN_CLICKED);
  }
}

void UserActions::CloseBox() {
  if (!Prepare("close box", 0)) return;
  ui_.Deliver(hwnd_, kWmClose, 0, 0);
}

void UserActions::AdvanceTime(uint64_t ms) {
  if (!Prepare("wait", 0)) return;
  const uint64_t target = ui_.clock().NowMs() + ms;
  for (;;) {
    WaitIdle();
    if (ui_.DeliverPosted()) continue;
    if (!ui_.FireNextTimer(target)) break;
  }
  ui_.clock().AdvanceTo(target);
  WaitIdle();
  ui_.DeliverPosted();
}

std::string UserActions::Text(int controlId) const {
  std::lock_guard lock(ui_.mutex_);
  auto w = ui_.FindLocked(hwnd_);
  ControlState* c = w ? w->Control(controlId) : nullptr;
  if (!c) return "";
  return IsDropDownList(*c) ? ComboText(*c) : c->text;
}

bool UserActions::IsEnabled(int controlId) const {
  std::lock_guard lock(ui_.mutex_);
  auto w = ui_.FindLocked(hwnd_);
  ControlState* c = w ? w->Control(controlId) : nullptr;
  return c && c->enabled;
}

bool UserActions::IsChecked(int controlId) const {
  std::lock_guard lock(ui_.mutex_);
  auto w = ui_.FindLocked(hwnd_);
  ControlState* c = w ? w->Control(controlId) : nullptr;
  return c && c->checked;
}

int UserActions::Progress(int controlId) const {
  std::lock_guard lock(ui_.mutex_);
  auto w = ui_.FindLocked(hwnd_);
  ControlState* c = w ? w->Control(controlId) : nullptr;
  return c ? c->progress : 0;
}

std::vector<std::string> UserActions::ComboItems(int controlId) const {
  std::lock_guard lock(ui_.mutex_);
  auto w = ui_.FindLocked(hwnd_);
  ControlState* c = w ? w->Control(controlId) : nullptr;
  return c ? c->comboItems : std::vector<std::string>();
}

int UserActions::ComboSelection(int controlId) const {
  std::lock_guard lock(ui_.mutex_);
  auto w = ui_.FindLocked(hwnd_);
  ControlState* c = w ? w->Control(controlId) : nullptr;
  return c ? c->comboSelection : -1;
}

std::vector<std::vector<std::string>> UserActions::Rows(int controlId) const {
  std::lock_guard lock(ui_.mutex_);
  auto w = ui_.FindLocked(hwnd_);
  ControlState* c = w ? w->Control(controlId) : nullptr;
  std::vector<std::vector<std::string>> out;
  if (c) {
    for (const auto& r : c->rows) out.push_back(r.cells);
  }
  return out;
}

std::vector<ListColumn> UserActions::Columns(int controlId) const {
  std::lock_guard lock(ui_.mutex_);
  auto w = ui_.FindLocked(hwnd_);
  ControlState* c = w ? w->Control(controlId) : nullptr;
  return c ? c->columns : std::vector<ListColumn>();
}

uint32_t UserActions::ItemState(int controlId, int row) const {
  std::lock_guard lock(ui_.mutex_);
  auto w = ui_.FindLocked(hwnd_);
  ControlState* c = w ? w->Control(controlId) : nullptr;
  if (!c || row < 0 || row >= static_cast<int>(c->rows.size())) return 0;
  return c->rows[row].state;
}

int UserActions::SelectedRow(int controlId) const {
  std::lock_guard lock(ui_.mutex_);
  auto w = ui_.FindLocked(hwnd_);
  ControlState* c = w ? w->Control(controlId) : nullptr;
  return c ? FirstSelectedRow(*c) : -1;
}

uint32_t UserActions::ExtendedStyle(int controlId) const {
  std::lock_guard lock(ui_.mutex_);
  auto w = ui_.FindLocked(hwnd_);
  ControlState* c = w ? w->Control(controlId) : nullptr;
  return c ? c->listExStyle : 0;
}

}  // namespace sim
