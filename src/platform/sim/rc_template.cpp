#include "platform/sim/rc_template.h"
#include "platform/sim/names.h"

#include <cctype>
#include <fstream>
#include <mutex>
#include <sstream>
#include <utility>

namespace sim {

namespace {

constexpr uint32_t kWsChild = 0x40000000u;
constexpr uint32_t kWsVisible = 0x10000000u;
constexpr uint32_t kWsDisabled = 0x08000000u;
constexpr uint32_t kWsCaption = 0x00C00000u;
constexpr uint32_t kWsBorder = 0x00800000u;
constexpr uint32_t kWsGroup = 0x00020000u;
constexpr uint32_t kWsTabstop = 0x00010000u;
constexpr uint32_t kDsSetFont = 0x40u;
constexpr uint32_t kBsTypeMask = 0x0Fu;
constexpr uint32_t kEsReadOnly = 0x0800u;

// The constants of the Windows headers that dialog templates use.
const std::map<std::string, long>& BuiltinConstants() {
  static const std::map<std::string, long> table = {
      {"WS_OVERLAPPED", 0},
      {"WS_POPUP", static_cast<long>(0x80000000u)},
      {"WS_CHILD", 0x40000000},
      {"WS_MINIMIZE", 0x20000000},
      {"WS_VISIBLE", 0x10000000},
      {"WS_DISABLED", 0x08000000},
      {"WS_CLIPSIBLINGS", 0x04000000},
      {"WS_CLIPCHILDREN", 0x02000000},
      {"WS_MAXIMIZE", 0x01000000},
      {"WS_CAPTION", 0x00C00000},
      {"WS_BORDER", 0x00800000},
      {"WS_DLGFRAME", 0x00400000},
      {"WS_VSCROLL", 0x00200000},
      {"WS_HSCROLL", 0x00100000},
      {"WS_SYSMENU", 0x00080000},
      {"WS_THICKFRAME", 0x00040000},
      {"WS_GROUP", 0x00020000},
      {"WS_TABSTOP", 0x00010000},
      {"WS_MINIMIZEBOX", 0x00020000},
      {"WS_MAXIMIZEBOX", 0x00010000},
      {"WS_OVERLAPPEDWINDOW", 0x00CF0000},
      {"WS_POPUPWINDOW", static_cast<long>(0x80880000u)},
      {"WS_EX_DLGMODALFRAME", 0x1},
      {"WS_EX_NOPARENTNOTIFY", 0x4},
      {"WS_EX_TOPMOST", 0x8},
      {"WS_EX_ACCEPTFILES", 0x10},
      {"WS_EX_TRANSPARENT", 0x20},
      {"WS_EX_TOOLWINDOW", 0x80},
      {"WS_EX_WINDOWEDGE", 0x100},
      {"WS_EX_CLIENTEDGE", 0x200},
      {"WS_EX_CONTEXTHELP", 0x400},
      {"WS_EX_RIGHT", 0x1000},
      {"WS_EX_LEFT", 0},
      {"WS_EX_LTRREADING", 0},
      {"WS_EX_RIGHTSCROLLBAR", 0},
      {"WS_EX_CONTROLPARENT", 0x10000},
      {"WS_EX_STATICEDGE", 0x20000},
      {"WS_EX_APPWINDOW", 0x40000},
      {"DS_ABSALIGN", 0x1},
      {"DS_SYSMODAL", 0x2},
      {"DS_3DLOOK", 0x4},
      {"DS_FIXEDSYS", 0x8},
      {"DS_NOFAILCREATE", 0x10},
      {"DS_LOCALEDIT", 0x20},
      {"DS_SETFONT", 0x40},
      {"DS_MODALFRAME", 0x80},
      {"DS_NOIDLEMSG", 0x100},
      {"DS_SETFOREGROUND", 0x200},
      {"DS_CONTROL", 0x400},
      {"DS_CENTER", 0x800},
      {"DS_CENTERMOUSE", 0x1000},
      {"DS_CONTEXTHELP", 0x2000},
      {"DS_SHELLFONT", 0x48},
      {"BS_PUSHBUTTON", 0x0},
      {"BS_DEFPUSHBUTTON", 0x1},
      {"BS_CHECKBOX", 0x2},
      {"BS_AUTOCHECKBOX", 0x3},
      {"BS_RADIOBUTTON", 0x4},
      {"BS_3STATE", 0x5},
      {"BS_AUTO3STATE", 0x6},
      {"BS_GROUPBOX", 0x7},
      {"BS_USERBUTTON", 0x8},
      {"BS_AUTORADIOBUTTON", 0x9},
      {"BS_PUSHBOX", 0xA},
      {"BS_OWNERDRAW", 0xB},
      {"BS_TYPEMASK", 0xF},
      {"BS_LEFTTEXT", 0x20},
      {"BS_TEXT", 0x0},
      {"BS_ICON", 0x40},
      {"BS_BITMAP", 0x80},
      {"BS_LEFT", 0x100},
      {"BS_RIGHT", 0x200},
      {"BS_CENTER", 0x300},
      {"BS_TOP", 0x400},
      {"BS_BOTTOM", 0x800},
      {"BS_VCENTER", 0xC00},
      {"BS_PUSHLIKE", 0x1000},
      {"BS_MULTILINE", 0x2000},
      {"BS_NOTIFY", 0x4000},
      {"BS_FLAT", 0x8000},
      {"SS_LEFT", 0x0},
      {"SS_CENTER", 0x1},
      {"SS_RIGHT", 0x2},
      {"SS_ICON", 0x3},
      {"SS_BLACKRECT", 0x4},
      {"SS_GRAYRECT", 0x5},
      {"SS_WHITERECT", 0x6},
      {"SS_BLACKFRAME", 0x7},
      {"SS_GRAYFRAME", 0x8},
      {"SS_WHITEFRAME", 0x9},
      {"SS_SIMPLE", 0xB},
      {"SS_LEFTNOWORDWRAP", 0xC},
      {"SS_OWNERDRAW", 0xD},
      {"SS_BITMAP", 0xE},
      {"SS_ETCHEDHORZ", 0x10},
      {"SS_ETCHEDVERT", 0x11},
      {"SS_ETCHEDFRAME", 0x12},
      {"SS_NOPREFIX", 0x80},
      {"SS_NOTIFY", 0x100},
      {"SS_CENTERIMAGE", 0x200},
      {"SS_SUNKEN", 0x1000},
      {"SS_ENDELLIPSIS", 0x4000},
      {"SS_PATHELLIPSIS", 0x8000},
      {"SS_WORDELLIPSIS", 0xC000},
      {"ES_LEFT", 0x0},
      {"ES_CENTER", 0x1},
      {"ES_RIGHT", 0x2},
      {"ES_MULTILINE", 0x4},
      {"ES_UPPERCASE", 0x8},
      {"ES_LOWERCASE", 0x10},
      {"ES_PASSWORD", 0x20},
      {"ES_AUTOVSCROLL", 0x40},
      {"ES_AUTOHSCROLL", 0x80},
      {"ES_NOHIDESEL", 0x100},
      {"ES_OEMCONVERT", 0x400},
      {"ES_READONLY", 0x800},
      {"ES_WANTRETURN", 0x1000},
      {"ES_NUMBER", 0x2000},
      {"CBS_SIMPLE", 0x1},
      {"CBS_DROPDOWN", 0x2},
      {"CBS_DROPDOWNLIST", 0x3},
      {"CBS_OWNERDRAWFIXED", 0x10},
      {"CBS_OWNERDRAWVARIABLE", 0x20},
      {"CBS_AUTOHSCROLL", 0x40},
      {"CBS_OEMCONVERT", 0x80},
      {"CBS_SORT", 0x100},
      {"CBS_HASSTRINGS", 0x200},
      {"CBS_NOINTEGRALHEIGHT", 0x400},
      {"CBS_DISABLENOSCROLL", 0x800},
      {"CBS_UPPERCASE", 0x2000},
      {"CBS_LOWERCASE", 0x4000},
      {"LBS_NOTIFY", 0x1},
      {"LBS_SORT", 0x2},
      {"LBS_NOREDRAW", 0x4},
      {"LBS_MULTIPLESEL", 0x8},
      {"LBS_OWNERDRAWFIXED", 0x10},
      {"LBS_OWNERDRAWVARIABLE", 0x20},
      {"LBS_HASSTRINGS", 0x40},
      {"LBS_USETABSTOPS", 0x80},
      {"LBS_NOINTEGRALHEIGHT", 0x100},
      {"LBS_MULTICOLUMN", 0x200},
      {"LBS_WANTKEYBOARDINPUT", 0x400},
      {"LBS_EXTENDEDSEL", 0x800},
      {"LBS_DISABLENOSCROLL", 0x1000},
      {"LBS_NODATA", 0x2000},
      {"LBS_NOSEL", 0x4000},
      {"LBS_STANDARD", 0xA00003},
      {"LVS_ICON", 0x0},
      {"LVS_REPORT", 0x1},
      {"LVS_SMALLICON", 0x2},
      {"LVS_LIST", 0x3},
      {"LVS_SINGLESEL", 0x4},
      {"LVS_SHOWSELALWAYS", 0x8},
      {"LVS_SORTASCENDING", 0x10},
      {"LVS_SORTDESCENDING", 0x20},
      {"LVS_SHAREIMAGELISTS", 0x40},
      {"LVS_NOLABELWRAP", 0x80},
      {"LVS_AUTOARRANGE", 0x100},
      {"LVS_EDITLABELS", 0x200},
      {"LVS_OWNERDRAWFIXED", 0x400},
      {"LVS_ALIGNTOP", 0x0},
      {"LVS_ALIGNLEFT", 0x800},
      {"LVS_OWNERDATA", 0x1000},
      {"LVS_NOSCROLL", 0x2000},
      {"LVS_NOCOLUMNHEADER", 0x4000},
      {"LVS_NOSORTHEADER", 0x8000},
      {"PBS_SMOOTH", 0x1},
      {"PBS_VERTICAL", 0x4},
      {"PBS_MARQUEE", 0x8},
      {"SBS_HORZ", 0x0},
      {"SBS_VERT", 0x1},
      {"IDOK", 1},
      {"IDCANCEL", 2},
      {"IDABORT", 3},
      {"IDRETRY", 4},
      {"IDIGNORE", 5},
      {"IDYES", 6},
      {"IDNO", 7},
      {"IDC_STATIC", -1},
      {"LANG_NEUTRAL", 0},
      {"LANG_ENGLISH", 9},
      {"LANG_CHINESE", 4},
      {"SUBLANG_NEUTRAL", 0},
      {"SUBLANG_DEFAULT", 1},
      {"SUBLANG_ENGLISH_US", 1},
      {"SUBLANG_CHINESE_SIMPLIFIED", 2},
  };
  return table;
}

// Class names that the headers define as macros.
const std::map<std::string, std::string>& ClassMacros() {
  static const std::map<std::string, std::string> table = {
      {"WC_LISTVIEW", "SysListView32"},
      {"PROGRESS_CLASS", "msctls_progress32"},
      {"WC_BUTTON", "Button"},
      {"WC_STATIC", "Static"},
      {"WC_EDIT", "Edit"},
      {"WC_COMBOBOX", "ComboBox"},
      {"WC_LISTBOX", "ListBox"},
      {"BUTTON", "Button"},
      {"STATIC", "Static"},
      {"EDIT", "Edit"},
      {"COMBOBOX", "ComboBox"},
      {"LISTBOX", "ListBox"},
      {"SCROLLBAR", "ScrollBar"},
  };
  return table;
}

struct Token {
  enum Kind { Ident, Number, String, Punct, End } kind = End;
  std::string text;  // identifier, processed string, or the punctuation
  long number = 0;
  int line = 0;
};

// Short control forms: class, default style, and whether a text comes first.
struct ShortForm {
  const char* keyword;
  const char* className;
  uint32_t style;
  bool hasText;
};

const ShortForm kShortForms[] = {
    {"LTEXT", "Static", 0x0 | kWsGroup, true},
    {"RTEXT", "Static", 0x2 | kWsGroup, true},
    {"CTEXT", "Static", 0x1 | kWsGroup, true},
    {"ICON", "Static", 0x3, true},
    {"PUSHBUTTON", "Button", 0x0 | kWsTabstop, true},
    {"DEFPUSHBUTTON", "Button", 0x1 | kWsTabstop, true},
    {"PUSHBOX", "Button", 0xA | kWsTabstop, true},
    {"GROUPBOX", "Button", 0x7, true},
    {"CHECKBOX", "Button", 0x2 | kWsTabstop, true},
    {"AUTOCHECKBOX", "Button", 0x3 | kWsTabstop, true},
    {"RADIOBUTTON", "Button", 0x4, true},
    {"AUTORADIOBUTTON", "Button", 0x9, true},
    {"STATE3", "Button", 0x5 | kWsTabstop, true},
    {"AUTO3STATE", "Button", 0x6 | kWsTabstop, true},
    {"EDITTEXT", "Edit", 0x0 | kWsBorder | kWsTabstop, false},
    {"COMBOBOX", "ComboBox", 0x1 | kWsTabstop, false},
    {"LISTBOX", "ListBox", 0x1 | kWsBorder, false},
    {"SCROLLBAR", "ScrollBar", 0x0, false},
};

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

}  // namespace

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

class RcParser {
 public:
  RcParser(RcTemplates& out, std::string includeDir)
      : out_(out), includeDir_(std::move(includeDir)) {}

  bool Run(const std::string& text) {
    std::string body;
    if (!Preprocess(text, body, 0)) return false;
    if (!Tokenize(body)) return false;
    return ParseTopLevel();
  }

 private:
  // --- Preprocessing: comments, #define, #include; other directives skipped.
  static std::string StripComments(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    bool inString = false;
    for (size_t i = 0; i < text.size(); ++i) {
      const char c = text[i];
      if (inString) {
        out += c;
        if (c == '\\' && i + 1 < text.size()) {
          out += text[++i];
        } else if (c == '"') {
          inString = false;
        }
        continue;
      }
      if (c == '"') {
        inString = true;
        out += c;
      } else if (c == '/' && i + 1 < text.size() && text[i + 1] == '/') {
        while (i < text.size() && text[i] != '\n') ++i;
        if (i < text.size()) out += '\n';
      } else if (c == '/' && i + 1 < text.size() && text[i + 1] == '*') {
        i += 2;
        while (i + 1 < text.size() && !(text[i] == '*' && text[i + 1] == '/')) {
          if (text[i] == '\n') out += '\n';  // keep line numbers
          ++i;
        }
        ++i;
      } else {
        out += c;
      }
    }
    return out;
  }

  bool Preprocess(const std::string& text, std::string& body, int depth) {
    if (depth > 8) return Fail(0, "#include nested too deeply");
    std::istringstream in(StripComments(text));
    std::string line;
    int lineNo = 0;
    while (std::getline(in, line)) {
      ++lineNo;
      if (!line.empty() && line.back() == '\r') line.pop_back();
      size_t p = line.find_first_not_of(" \t");
      if (p == std::string::npos || line[p] != '#') {
        if (depth == 0) body += line;
        body += '\n';
        continue;
      }
      if (depth == 0) body += '\n';  // keep the script's line numbers
      std::istringstream directive(line.substr(p + 1));
      std::string word;
      directive >> word;
      if (word == "define") {
        std::string name, value;
        directive >> name;
        std::getline(directive, value);
        long number = 0;
        if (EvaluateDefine(value, number)) out_.defines_[name] = number;
      } else if (word == "include") {
        std::string target;
        std::getline(directive, target);
        size_t q1 = target.find('"');
        if (q1 == std::string::npos) continue;  // <system header>: constants are built in
        size_t q2 = target.find('"', q1 + 1);
        if (q2 == std::string::npos) return Fail(lineNo, "malformed #include");
        const std::string name = target.substr(q1 + 1, q2 - q1 - 1);
        std::string path = includeDir_.empty() ? name : includeDir_ + "/" + name;
        std::ifstream file(path, std::ios::binary);
        if (!file) return Fail(lineNo, "cannot read included file " + name);
        std::stringstream content;
        content << file.rdbuf();
        std::string ignored;
        if (!Preprocess(content.str(), ignored, depth + 1)) return false;
      }
    }
    return true;
  }

  // A #define value that is a constant expression of numbers and names
  // known so far. Anything else (macros with arguments, strings) is ignored.
  bool EvaluateDefine(const std::string& value, long& number) const {
    RcParser sub(out_, "");
    sub.quiet_ = true;
    if (!sub.Tokenize(value) || sub.Peek().kind == Token::End) return false;
    Value v;
    if (!sub.Expression(v) || sub.Peek().kind != Token::End || v.cleared != 0) return false;
    number = v.set;
    return true;
  }

  static bool ParseNumber(const std::string& s, long& value) {
    size_t i = 0;
    int base = 10;
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
      base = 16;
      i = 2;
    }
    unsigned long v = 0;
    size_t digits = 0;
    for (; i < s.size(); ++i) {
      const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(s[i])));
      int d;
      if (c >= '0' && c <= '9') {
        d = c - '0';
      } else if (base == 16 && c >= 'a' && c <= 'f') {
        d = c - 'a' + 10;
      } else {
        break;
      }
      v = v * base + d;
      ++digits;
    }
    for (; i < s.size(); ++i) {  // L and U suffixes
      const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(s[i])));
      if (c != 'L' && c != 'U') return false;
    }
    if (digits == 0) return false;
    value = static_cast<long>(v);
    return true;
  }

  std::optional<long> Lookup(const std::string& name) const {
    auto own = out_.defines_.find(name);
    if (own != out_.defines_.end()) return own->second;
    auto builtin = BuiltinConstants().find(name);
    if (builtin != BuiltinConstants().end()) return builtin->second;
    return std::nullopt;
  }

  // --- Tokens.
  bool Tokenize(const std::string& text) {
    int line = 1;
    size_t i = 0;
    while (i < text.size()) {
      const char c = text[i];
      if (c == '\n') {
        ++line;
        ++i;
      } else if (std::isspace(static_cast<unsigned char>(c))) {
        ++i;
      } else if (c == '"' ||
                 ((c == 'L' || c == 'l') && i + 1 < text.size() && text[i + 1] == '"')) {
        if (c != '"') ++i;
        Token t{Token::String, "", 0, line};
        ++i;
        for (;;) {
          if (i >= text.size() || text[i] == '\n') return Fail(line, "unterminated string");
          const char s = text[i];
          if (s == '"') {
            if (i + 1 < text.size() && text[i + 1] == '"') {  // "" stands for one quote
              t.text += '"';
              i += 2;
              continue;
            }
            ++i;
            break;
          }
          if (s == '\\' && i + 1 < text.size()) {
            const char e = text[i + 1];
            i += 2;
            switch (e) {
              case 'n':
                t.text += '\n';
                break;
              case 'r':
                t.text += '\r';
                break;
              case 't':
                t.text += '\t';
                break;
              case 'a':
                t.text += '\a';
                break;
              case '\\':
                t.text += '\\';
                break;
              case '"':
                t.text += '"';
                break;
              case 'x':
              case 'X': {
                unsigned v = 0;
                int n = 0;
                while (n < 2 && i < text.size() &&
                       std::isxdigit(static_cast<unsigned char>(text[i]))) {
                  v = v * 16 +
                      static_cast<unsigned>(std::isdigit(static_cast<unsigned char>(text[i]))
                                                ? text[i] - '0'
                                                : std::tolower(text[i]) - 'a' + 10);
                  ++i;
                  ++n;
                }
                t.text += static_cast<char>(v);
                break;
              }
              default:
                if (e >= '0' && e <= '7') {
                  unsigned v = static_cast<unsigned>(e - '0');
                  int n = 1;
                  while (n < 3 && i < text.size() && text[i] >= '0' && text[i] <= '7') {
                    v = v * 8 + static_cast<unsigned>(text[i] - '0');
                    ++i;
                    ++n;
                  }
                  t.text += static_cast<char>(v);
                } else {
                  t.text += '\\';  // unknown escapes keep their backslash
                  t.text += e;
                }
            }
            continue;
          }
          t.text += s;
          ++i;
        }
        tokens_.push_back(t);
      } else if (std::isdigit(static_cast<unsigned char>(c))) {
        size_t j = i;
        while (j < text.size() && std::isalnum(static_cast<unsigned char>(text[j]))) ++j;
        Token t{Token::Number, text.substr(i, j - i), 0, line};
        if (!ParseNumber(t.text, t.number)) return Fail(line, "bad number " + t.text);
        tokens_.push_back(t);
        i = j;
      } else if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
        size_t j = i;
        while (j < text.size() &&
               (std::isalnum(static_cast<unsigned char>(text[j])) || text[j] == '_')) {
          ++j;
        }
        tokens_.push_back(Token{Token::Ident, text.substr(i, j - i), 0, line});
        i = j;
      } else {
        tokens_.push_back(Token{Token::Punct, std::string(1, c), 0, line});
        ++i;
      }
    }
    tokens_.push_back(Token{Token::End, "", 0, line});
    return true;
  }

  const Token& Peek(size_t ahead = 0) const {
    return tokens_[std::min(pos_ + ahead, tokens_.size() - 1)];
  }
  const Token& Next() {
    const Token& t = Peek();
    if (pos_ < tokens_.size() - 1) ++pos_;
    return t;
  }
  bool IsWord(const Token& t, const char* word) const {
    return t.kind == Token::Ident && UpperCase(t.text) == word;
  }
  bool IsPunct(const Token& t, char p) const {
    return t.kind == Token::Punct && t.text.size() == 1 && t.text[0] == p;
  }
  bool IsBegin(const Token& t) const { return IsWord(t, "BEGIN") || IsPunct(t, '{'); }
  bool IsEnd(const Token& t) const { return IsWord(t, "END") || IsPunct(t, '}'); }

  bool Fail(int line, const std::string& what) {
    if (!quiet_ && out_.error_.empty()) {
      out_.error_ = line > 0 ? "line " + std::to_string(line) + ": " + what : what;
    }
    return false;
  }

  // --- Expressions: numbers and names joined by |, +, -, &, with NOT x
  // taking x's bits away from the control's final style.
  struct Value {
    long set = 0;
    long cleared = 0;
  };

  bool Operand(Value& v) {
    const Token& t = Next();
    if (IsWord(t, "NOT")) {
      Value inner;
      if (!Operand(inner)) return false;
      v.set = 0;
      v.cleared = inner.set;
      return true;
    }
    if (IsPunct(t, '(')) {
      if (!Expression(v)) return false;
      if (!IsPunct(Next(), ')')) return Fail(t.line, "missing )");
      return true;
    }
    if (IsPunct(t, '-')) {
      Value inner;
      if (!Operand(inner)) return false;
      v.set = -inner.set;
      return true;
    }
    if (IsPunct(t, '~')) {
      Value inner;
      if (!Operand(inner)) return false;
      v.set = ~inner.set;
      return true;
    }
    if (t.kind == Token::Number) {
      v.set = t.number;
      return true;
    }
    if (t.kind == Token::Ident) {
      auto found = Lookup(t.text);
      if (!found) return Fail(t.line, "unknown symbol " + t.text);
      v.set = *found;
      return true;
    }
    return Fail(t.line, "expected a value, found '" + t.text + "'");
  }

  bool Expression(Value& v) {
    if (!Operand(v)) return false;
    for (;;) {
      const Token& op = Peek();
      if (!(IsPunct(op, '|') || IsPunct(op, '+') || IsPunct(op, '-') || IsPunct(op, '&'))) {
        return true;
      }
      Next();
      Value rhs;
      if (!Operand(rhs)) return false;
      switch (op.text[0]) {
        case '|':
          v.set |= rhs.set;
          break;
        case '+':
          v.set += rhs.set;
          break;
        case '-':
          v.set -= rhs.set;
          break;
        default:
          v.set &= rhs.set;
      }
      v.cleared |= rhs.cleared;
    }
  }

  bool Int(int& out) {
    Value v;
    if (!Expression(v)) return false;
    out = static_cast<int>(v.set);
    return true;
  }

  bool Comma() {
    const Token& t = Next();
    if (!IsPunct(t, ',')) return Fail(t.line, "expected ',' but found '" + t.text + "'");
    return true;
  }
  bool OptionalComma() {
    if (IsPunct(Peek(), ',')) {
      Next();
      return true;
    }
    return false;
  }

  // --- Script structure.
  bool ParseTopLevel() {
    int depth = 0;
    while (Peek().kind != Token::End) {
      const Token& t = Peek();
      if (depth == 0 && (IsWord(Peek(1), "DIALOG") || IsWord(Peek(1), "DIALOGEX")) &&
          (t.kind == Token::Ident || t.kind == Token::Number || t.kind == Token::String)) {
        if (!ParseDialog()) return false;
        continue;
      }
      if (IsBegin(t)) ++depth;
      if (IsEnd(t)) {
        if (depth == 0) return Fail(t.line, "END without BEGIN");
        --depth;
      }
      Next();
    }
    if (depth != 0) return Fail(Peek().line, "BEGIN without END");
    return true;
  }

  bool ParseDialog() {
    DialogTemplate d;
    const Token& nameToken = Next();
    d.name = nameToken.kind == Token::Number ? std::to_string(nameToken.number) : nameToken.text;
    if (nameToken.kind == Token::Number) {
      d.id = static_cast<int>(nameToken.number);
    } else if (nameToken.kind == Token::Ident) {
      auto id = Lookup(nameToken.text);
      d.id = id ? static_cast<int>(*id) : 0;
    }
    d.extended = IsWord(Next(), "DIALOGEX");
    static const char* kMemoryOptions[] = {"DISCARDABLE", "MOVEABLE", "FIXED",     "PURE",
                                           "IMPURE",      "PRELOAD",  "LOADONCALL"};
    for (bool more = true; more;) {
      more = false;
      for (const char* option : kMemoryOptions) {
        if (IsWord(Peek(), option)) {
          Next();
          more = true;
        }
      }
    }
    if (!Int(d.x) || !Comma() || !Int(d.y) || !Comma() || !Int(d.cx) || !Comma() || !Int(d.cy)) {
      return false;
    }
    if (d.extended && OptionalComma()) {
      int helpId;
      if (!Int(helpId)) return false;
    }
    bool styleGiven = false;
    while (!IsBegin(Peek())) {
      const Token& t = Next();
      if (t.kind == Token::End) return Fail(t.line, "dialog " + d.name + " has no BEGIN");
      const std::string word = UpperCase(t.text);
      if (word == "STYLE") {
        Value v;
        if (!Expression(v)) return false;
        d.style = static_cast<uint32_t>(v.set & ~v.cleared);
        styleGiven = true;
      } else if (word == "EXSTYLE") {
        Value v;
        if (!Expression(v)) return false;
        d.exStyle = static_cast<uint32_t>(v.set & ~v.cleared);
      } else if (word == "CAPTION") {
        const Token& s = Next();
        if (s.kind != Token::String) return Fail(s.line, "CAPTION needs a string");
        d.caption = s.text;
        d.style |= kWsCaption;
      } else if (word == "FONT") {
        if (!Int(d.fontSize) || !Comma()) return false;
        const Token& s = Next();
        if (s.kind != Token::String) return Fail(s.line, "FONT needs a face name");
        d.fontName = s.text;
        while (OptionalComma()) {  // weight, italic, charset
          int ignored;
          if (!Int(ignored)) return false;
        }
        d.style |= kDsSetFont;
      } else if (word == "MENU" || word == "CLASS") {
        Next();
      } else if (word == "LANGUAGE") {
        int a, b;
        if (!Int(a) || !Comma() || !Int(b)) return false;
      } else if (word == "CHARACTERISTICS" || word == "VERSION") {
        int ignored;
        if (!Int(ignored)) return false;
      } else {
        return Fail(t.line, "unexpected '" + t.text + "' in dialog " + d.name);
      }
    }
    if (!styleGiven)
      d.style |= 0x80000000u | kWsBorder | 0x00080000u;  // WS_POPUP|WS_BORDER|WS_SYSMENU
    Next();                                              // BEGIN
    while (!IsEnd(Peek())) {
      if (Peek().kind == Token::End) return Fail(Peek().line, "dialog " + d.name + " has no END");
      ControlTemplate c;
      if (!ParseControl(c)) return false;
      d.controls.push_back(std::move(c));
    }
    Next();  // END
    out_.dialogs_.push_back(std::move(d));
    return true;
  }

  bool Text(std::string& text) {
    const Token& t = Next();
    if (t.kind == Token::String) {
      text = t.text;
    } else if (t.kind == Token::Number) {
      text = std::to_string(t.number);
    } else if (t.kind == Token::Ident) {
      text = t.text;
    } else {
      return Fail(t.line, "expected a control text");
    }
    return true;
  }

  // Optional trailing style, extended style and help id.
  bool Tail(Value& style, Value& exStyle) {
    if (!OptionalComma()) return true;
    if (!Expression(style)) return false;
    if (!OptionalComma()) return true;
    if (!Expression(exStyle)) return false;
    if (!OptionalComma()) return true;
    Value helpId;
    return Expression(helpId);
  }

  bool ParseControl(ControlTemplate& c) {
    const Token& keywordToken = Next();
    const std::string keyword = UpperCase(keywordToken.text);
    Value style, exStyle;
    uint32_t defaults = kWsChild | kWsVisible;
    if (keyword == "CONTROL") {
      if (!Text(c.text) || !Comma() || !Int(c.id) || !Comma()) return false;
      const Token& cls = Next();
      if (cls.kind == Token::String) {
        c.className = cls.text;
      } else if (cls.kind == Token::Ident) {
        auto macro = ClassMacros().find(UpperCase(cls.text));
        if (macro == ClassMacros().end()) macro = ClassMacros().find(cls.text);
        if (macro == ClassMacros().end()) return Fail(cls.line, "unknown class " + cls.text);
        c.className = macro->second;
      } else {
        return Fail(cls.line, "expected a class name");
      }
      if (!Comma() || !Expression(style) || !Comma() || !Int(c.x) || !Comma() || !Int(c.y) ||
          !Comma() || !Int(c.cx) || !Comma() || !Int(c.cy)) {
        return false;
      }
      if (OptionalComma()) {
        if (!Expression(exStyle)) return false;
        if (OptionalComma()) {
          Value helpId;
          if (!Expression(helpId)) return false;
        }
      }
    } else {
      const ShortForm* form = nullptr;
      for (const auto& f : kShortForms) {
        if (keyword == f.keyword) form = &f;
      }
      if (!form) return Fail(keywordToken.line, "unknown control '" + keywordToken.text + "'");
      c.className = form->className;
      defaults |= form->style;
      if (form->hasText && (!Text(c.text) || !Comma())) return false;
      if (!Int(c.id) || !Comma() || !Int(c.x) || !Comma() || !Int(c.y)) return false;
      if (keyword == "ICON") {
        if (OptionalComma() && (!Int(c.cx) || !Comma() || !Int(c.cy))) return false;
        if (!Tail(style, exStyle)) return false;
      } else {
        if (!Comma() || !Int(c.cx) || !Comma() || !Int(c.cy)) return false;
        if (!Tail(style, exStyle)) return false;
      }
    }
    c.style = (defaults | static_cast<uint32_t>(style.set)) & ~static_cast<uint32_t>(style.cleared);
    c.exStyle = static_cast<uint32_t>(exStyle.set) & ~static_cast<uint32_t>(exStyle.cleared);
    c.kind = KindOf(c.className, c.style);
    return true;
  }

  RcTemplates& out_;
  std::string includeDir_;
  std::vector<Token> tokens_;
  size_t pos_ = 0;
  bool quiet_ = false;  // evaluating a #define: failures are not script errors
};

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
