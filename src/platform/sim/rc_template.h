// Dialog templates read from the resource script, so the simulated window
// system builds each dialog with the controls, texts, ids and initial states
// that the real executable gets from the same script.
//
// Understood: #define (and #include of local headers, for their #defines),
// DIALOG and DIALOGEX blocks with STYLE, EXSTYLE, CAPTION, FONT, and the
// controls CONTROL, PUSHBUTTON, DEFPUSHBUTTON, LTEXT, RTEXT, CTEXT,
// GROUPBOX, CHECKBOX, AUTOCHECKBOX, RADIOBUTTON, AUTORADIOBUTTON, COMBOBOX,
// EDITTEXT and LISTBOX. Other resources are skipped.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace sim {

enum class ControlKind {
  PushButton,  // also the default push button
  CheckBox,    // check boxes of every kind
  RadioButton,
  GroupBox,
  Static,
  Edit,
  ComboBox,
  ListBox,
  ListView,
  Progress,
  Other,
};

struct ControlTemplate {
  std::string className;  // "Button", "Static", "Edit", "ComboBox", ...
  ControlKind kind = ControlKind::Other;
  int id = 0;
  std::string text;
  int x = 0, y = 0, cx = 0, cy = 0;
  uint32_t style = 0;  // WS_CHILD | WS_VISIBLE included, like the compiled template
  uint32_t exStyle = 0;

  bool disabled() const;
  bool defaultButton() const;  // BS_DEFPUSHBUTTON
  bool autoCheck() const;      // BS_AUTOCHECKBOX, BS_AUTO3STATE or BS_AUTORADIOBUTTON
  bool readOnly() const;       // ES_READONLY
};

struct DialogTemplate {
  int id = 0;
  std::string name;  // the symbol the script used, or the number as text
  bool extended = false;
  std::string caption;
  int fontSize = 0;
  std::string fontName;
  int x = 0, y = 0, cx = 0, cy = 0;
  uint32_t style = 0;
  uint32_t exStyle = 0;
  std::vector<ControlTemplate> controls;  // in script order

  const ControlTemplate* Control(int controlId) const;
};

class RcTemplates {
 public:
  // Parses script text. Relative #include files are looked up in
  // `includeDir`; system headers (<...>) are skipped, their constants are
  // known built in. Returns false with `error()` set on a malformed script.
  bool Parse(const std::string& text, const std::string& includeDir = "");
  bool ParseFile(const std::string& path);

  const std::string& error() const { return error_; }
  const std::vector<DialogTemplate>& dialogs() const { return dialogs_; }
  const DialogTemplate* Find(int templateId) const;
  // A #define seen in the script or its headers.
  std::optional<long> Define(const std::string& name) const;

  // The installer's own resource script, parsed once per process. Null when
  // it cannot be read or parsed; `LoadError()` tells why.
  static const RcTemplates* Installer();
  static std::string LoadError();
  // Where the installer's resource script is (empty when none is configured).
  static std::string InstallerScriptPath();

 private:
  std::map<std::string, long> defines_;
  std::vector<DialogTemplate> dialogs_;
  std::string error_;

  friend class RcParser;
};

}  // namespace sim
