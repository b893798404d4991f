#include "platform/sim/rc_parser.h"

namespace sim {

namespace {

constexpr uint32_t kWsChild = 0x40000000u;
constexpr uint32_t kWsVisible = 0x10000000u;
constexpr uint32_t kWsCaption = 0x00C00000u;
constexpr uint32_t kWsBorder = 0x00800000u;
constexpr uint32_t kWsGroup = 0x00020000u;
constexpr uint32_t kWsTabstop = 0x00010000u;
constexpr uint32_t kDsSetFont = 0x40u;

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

}  // namespace

bool RcParser::Run(const std::string& text) {
  std::string body;
  if (!Preprocess(text, body, 0)) return false;
  if (!Tokenize(body)) return false;
  return ParseTopLevel();
}

bool RcParser::ParseTopLevel() {
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

bool RcParser::ParseDialog() {
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

bool RcParser::Text(std::string& text) {
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
bool RcParser::Tail(Value& style, Value& exStyle) {
  if (!OptionalComma()) return true;
  if (!Expression(style)) return false;
  if (!OptionalComma()) return true;
  if (!Expression(exStyle)) return false;
  if (!OptionalComma()) return true;
  Value helpId;
  return Expression(helpId);
}

bool RcParser::ParseControl(ControlTemplate& c) {
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
      auto macro = rc::ClassMacros().find(UpperCase(cls.text));
      if (macro == rc::ClassMacros().end()) macro = rc::ClassMacros().find(cls.text);
      if (macro == rc::ClassMacros().end()) return Fail(cls.line, "unknown class " + cls.text);
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
  c.kind = rc::KindOf(c.className, c.style);
  return true;
}

}  // namespace sim
