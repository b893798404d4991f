// Texts, enabled states, buttons' checks and progress bars of dialog controls.
#include "platform/sim/sim_ui.h"

#include <algorithm>

#include "platform/sim/names.h"
#include "platform/sim/sim_ui_internal.h"

namespace sim {

using platform::WindowId;

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
    if ((position < 0 || position > 100) && progressOutOfRange_.empty()) {
      progressOutOfRange_ = "progress bar " + std::to_string(c.tmpl.id) + " of dialog " +
                            std::to_string(w.templateId) + " set to " + std::to_string(position) +
                            ", outside 0..100";
    }
    c.progress = std::clamp(position, 0, 100);  // the default range
    RecordControlLocked(EventKind::Progress, w, c, c.progress);
    return 0;
  });
}

int SimUi::GetProgressPos(WindowId dialog, int controlId) {
  return OnControl(dialog, controlId, "GetProgressPos", 0,
                   [&](ControlState& c, Window&) { return c.progress; });
}

}  // namespace sim
