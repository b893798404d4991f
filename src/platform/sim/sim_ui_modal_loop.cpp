// The modal loop of DialogBoxParamA, and posted messages, which only that
// loop delivers.
#include "platform/sim/sim_ui.h"

#include <algorithm>
#include <limits>

#include "platform/sim/sim_ui_internal.h"
#include "platform/win_constants.h"

namespace sim {

using platform::LParam;
using platform::LResult;
using platform::WindowId;
using platform::WParam;

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
  return RunModal(templateId, tmpl, parent, dialog);
}

std::intptr_t SimUi::RunMessageWindow(platform::Dialog& dialog) {
  return RunModal(kMessageWindow, nullptr, 0, dialog);
}

std::intptr_t SimUi::RunModal(int templateId, const DialogTemplate* tmpl, WindowId parent,
                              platform::Dialog& dialog) {
  auto w = std::make_shared<Window>();
  w->templateId = templateId;
  w->parent = parent;
  w->owner = std::this_thread::get_id();
  w->dialog = &dialog;
  for (const auto& ct : tmpl ? tmpl->controls : std::vector<ControlTemplate>{}) {
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
    e.caption = tmpl ? tmpl->caption : std::string();
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
    if (!tmpl) RecordError("a message-only window waited with nothing left to do", hwnd);
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

}  // namespace sim
