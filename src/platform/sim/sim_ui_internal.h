// What the parts of the simulated window system share: the window table's
// entries, the control-style bits they read, and the way a control call
// reaches a control on its window's thread. Internal to the simulator.
#pragma once

#include <string>
#include <thread>
#include <vector>

#include "platform/sim/sim_ui.h"

namespace sim {

inline constexpr uint32_t kCbsTypeMask = 0x3;
inline constexpr uint32_t kCbsDropDownList = 0x3;
inline constexpr uint32_t kCbsSort = 0x100;
inline constexpr uint32_t kLvsSingleSel = 0x4;

struct SimUi::Window {
  platform::WindowId hwnd = 0;
  int templateId = 0;
  platform::WindowId parent = 0;
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

// A drop-down list has no text of its own: its text is the selected item's.
inline bool IsDropDownList(const ControlState& c) {
  return c.tmpl.kind == ControlKind::ComboBox && (c.tmpl.style & kCbsTypeMask) == kCbsDropDownList;
}

inline std::string ComboText(const ControlState& c) {
  if (c.comboSelection >= 0 && c.comboSelection < static_cast<int>(c.comboItems.size())) {
    return c.comboItems[c.comboSelection];
  }
  return "";
}

int FirstSelectedRow(const ControlState& c);

// `text` in quotes with line breaks made visible, for error messages and
// the dump.
std::string Quoted(const std::string& text);

template <typename R, typename Fn>
R SimUi::OnControl(platform::WindowId dialog, int controlId, const char* op, R fallback, Fn fn) {
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

}  // namespace sim
