// Combo boxes: items, sorting and the selection.
#include "platform/sim/sim_ui.h"

#include "platform/sim/names.h"
#include "platform/sim/sim_ui_internal.h"
#include "platform/win_constants.h"

namespace sim {

using platform::WindowId;

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

}  // namespace sim
