// The transcript of everything the simulated window system showed, and the
// queries tests read it with.
#include "platform/sim/sim_ui.h"

#include <sstream>

#include "platform/sim/sim_ui_internal.h"

namespace sim {

using platform::WindowId;

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

}  // namespace sim
