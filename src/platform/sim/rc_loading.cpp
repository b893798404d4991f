// Loading resource scripts: parsing a script's text or file into its dialog
// templates and defines, and the installer's own script, read once.
#include <fstream>
#include <sstream>

#include "platform/sim/names.h"
#include "platform/sim/rc_parser.h"
#include "platform/sim/rc_template.h"

namespace sim {

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
