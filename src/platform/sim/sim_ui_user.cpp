// The scripted user: input to the dialog being run, and what it reads back.
#include "platform/sim/sim_ui.h"

#include "platform/sim/sim_ui_internal.h"
#include "platform/win_constants.h"

namespace sim {

using platform::WindowId;
using platform::WParam;

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
