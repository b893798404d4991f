// The simulated window system: its set-up, the window table and the routing
// of sent messages to a window's dialog object.
#include "platform/sim/sim_ui.h"

#include "platform/sim/names.h"
#include "platform/sim/sim_ui_internal.h"

namespace sim {

using platform::LParam;
using platform::LResult;
using platform::WindowId;
using platform::WParam;

SimUi::SimUi(SimClock& clock, SimThreads& threads) : clock_(clock), threads_(threads) {}

SimUi::~SimUi() = default;

void SimUi::UseTemplates(const RcTemplates& templates) {
  std::lock_guard lock(mutex_);
  templates_ = &templates;
}

void SimUi::Script(int templateId, ScriptFn script, ScriptStart start) {
  std::lock_guard lock(mutex_);
  scripts_[templateId].emplace_back(std::move(script), start);
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

std::string SimUi::Leftovers() const {
  std::lock_guard lock(mutex_);
  std::string out;
  auto add = [&out](const std::string& part) { out += (out.empty() ? "" : "; ") + part; };
  if (!windows_.empty()) add("dialogs not destroyed: " + std::to_string(windows_.size()));
  if (!timers_.empty()) add("timers still set: " + std::to_string(timers_.size()));
  if (!progressOutOfRange_.empty()) add(progressOutOfRange_);
  return out;
}

}  // namespace sim
