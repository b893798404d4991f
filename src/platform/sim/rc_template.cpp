#include "platform/sim/rc_template.h"

#include <fstream>
#include <sstream>

#include "platform/sim/names.h"
#include "platform/sim/rc_parser.h"

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

bool RcTemplates::Parse(const std::string& text, const std::string& includeDir) {
  defines_.clear();
  dialogs_.clear();
  error_.clear();
  RcParser parser(*this, includeDir);
  if (parser.Run(text)) return true;
  dialogs_.clear();
  return false;
}

bool RcTemplates::ParseFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    defines_.clear();
    dialogs_.clear();
    error_ = "cannot read " + path;
    return false;
  }
  std::stringstream content;
  content << file.rdbuf();
  const size_t slash = path.find_last_of("/\\");
  return Parse(content.str(), slash == std::string::npos ? "." : path.substr(0, slash));
}

const DialogTemplate* RcTemplates::Find(int templateId) const {
  for (const auto& d : dialogs_) {
    if (d.id == templateId) return &d;
  }
  return nullptr;
}

std::optional<long> RcTemplates::Define(const std::string& name) const {
  auto it = defines_.find(name);
  if (it == defines_.end()) return std::nullopt;
  return it->second;
}

namespace {

struct InstallerScript {
  RcTemplates templates;
  bool ok = false;
};

const InstallerScript& LoadInstallerScript() {
  static const InstallerScript script = [] {
    InstallerScript s;
#ifdef INSTALLER_RESOURCE_SCRIPT
    s.ok = s.templates.ParseFile(INSTALLER_RESOURCE_SCRIPT);
#else
    s.ok = s.templates.Parse("", "") && false;
#endif
    return s;
  }();
  return script;
}

}  // namespace

std::string RcTemplates::InstallerScriptPath() {
#ifdef INSTALLER_RESOURCE_SCRIPT
  return INSTALLER_RESOURCE_SCRIPT;
#else
  return "";
#endif
}

const RcTemplates* RcTemplates::Installer() {
  const InstallerScript& s = LoadInstallerScript();
  return s.ok ? &s.templates : nullptr;
}

std::string RcTemplates::LoadError() {
  const InstallerScript& s = LoadInstallerScript();
  if (s.ok) return "";
  return s.templates.error().empty() ? "no resource script configured" : s.templates.error();
}

}  // namespace sim
