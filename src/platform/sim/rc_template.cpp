#include "platform/sim/rc_template.h"

#include "platform/sim/names.h"

namespace sim {

namespace {

constexpr uint32_t kWsDisabled = 0x08000000u;
constexpr uint32_t kBsTypeMask = 0x0Fu;
constexpr uint32_t kEsReadOnly = 0x0800u;

}  // namespace

namespace rc {

ControlKind KindOf(const std::string& className, uint32_t style) {
  if (SameName(className, "Button")) {
    switch (style & kBsTypeMask) {
      case 0x0:
      case 0x1:
      case 0xA:
      case 0xB:
        return ControlKind::PushButton;
      case 0x2:
      case 0x3:
      case 0x5:
      case 0x6:
        return ControlKind::CheckBox;
      case 0x4:
      case 0x9:
        return ControlKind::RadioButton;
      case 0x7:
        return ControlKind::GroupBox;
      default:
        return ControlKind::Other;
    }
  }
  if (SameName(className, "Static")) return ControlKind::Static;
  if (SameName(className, "Edit")) return ControlKind::Edit;
  if (SameName(className, "ComboBox")) return ControlKind::ComboBox;
  if (SameName(className, "ListBox")) return ControlKind::ListBox;
  if (SameName(className, "SysListView32")) return ControlKind::ListView;
  if (SameName(className, "msctls_progress32")) return ControlKind::Progress;
  return ControlKind::Other;
}

}  // namespace rc

bool ControlTemplate::disabled() const { return (style & kWsDisabled) != 0; }
bool ControlTemplate::defaultButton() const {
  return kind == ControlKind::PushButton && (style & kBsTypeMask) == 0x1;
}
bool ControlTemplate::autoCheck() const {
  const uint32_t type = style & kBsTypeMask;
  return SameName(className, "Button") && (type == 0x3 || type == 0x6 || type == 0x9);
}
bool ControlTemplate::readOnly() const {
  return kind == ControlKind::Edit && (style & kEsReadOnly);
}

const ControlTemplate* DialogTemplate::Control(int controlId) const {
  for (const auto& c : controls) {
    if (c.id == controlId) return &c;
  }
  return nullptr;
}

}  // namespace sim
