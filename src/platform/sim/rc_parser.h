// The resource-script reader behind RcTemplates, in parts: the preprocessor
// (rc_preprocessor.cpp) keeps #define values and drops other directives, the
// tokenizer (rc_tokenizer.cpp) splits what is left, constant expressions
// (rc_expression.cpp) give styles and ids their values, and the dialog parser
// (rc_dialog_parser.cpp) builds the templates. Internal to the simulator.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/sim/names.h"
#include "platform/sim/rc_template.h"

namespace sim {

namespace rc {

struct Token {
  enum Kind { Ident, Number, String, Punct, End } kind = End;
  std::string text;  // identifier, processed string, or the punctuation
  long number = 0;
  int line = 0;
};

struct TokenError {
  int line = 0;
  std::string what;
};

// Splits preprocessed script text into tokens, the last one End. Strings
// come with their escapes processed. False on an unterminated string or a
// malformed number.
bool Tokenize(const std::string& text, std::vector<Token>& tokens, TokenError& error);

// The constants of the Windows headers that dialog templates use.
const std::map<std::string, long>& BuiltinConstants();
// Class names that the headers define as macros.
const std::map<std::string, std::string>& ClassMacros();

// What a control of this class and style is to the window system.
ControlKind KindOf(const std::string& className, uint32_t style);

}  // namespace rc

class RcParser {
 public:
  RcParser(RcTemplates& out, std::string includeDir)
      : out_(out), includeDir_(std::move(includeDir)) {}

  bool Run(const std::string& text);

 private:
  using Token = rc::Token;

  // Numbers and names joined by |, +, -, &, with NOT x taking x's bits away
  // from the control's final style.
  struct Value {
    long set = 0;
    long cleared = 0;
  };

  // --- Preprocessing: comments, #define, #include; other directives skipped.
  bool Preprocess(const std::string& text, std::string& body, int depth);
  bool EvaluateDefine(const std::string& value, long& number) const;

  // --- Tokens.
  bool Tokenize(const std::string& text) {
    rc::TokenError error;
    if (rc::Tokenize(text, tokens_, error)) return true;
    return Fail(error.line, error.what);
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
  bool Fail(int line, const std::string& what);

  // --- Expressions.
  std::optional<long> Lookup(const std::string& name) const;
  bool Operand(Value& v);
  bool Expression(Value& v);
  bool Int(int& out);
  bool Comma();
  bool OptionalComma();

  // --- Script structure.
  bool ParseTopLevel();
  bool ParseDialog();
  bool Text(std::string& text);
  bool Tail(Value& style, Value& exStyle);
  bool ParseControl(ControlTemplate& c);

  RcTemplates& out_;
  std::string includeDir_;
  std::vector<Token> tokens_;
  size_t pos_ = 0;
  bool quiet_ = false;  // evaluating a #define: failures are not script errors
};

}  // namespace sim
