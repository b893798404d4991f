#include "platform/sim/rc_parser.h"

namespace sim {

std::optional<long> RcParser::Lookup(const std::string& name) const {
  auto own = out_.defines_.find(name);
  if (own != out_.defines_.end()) return own->second;
  auto builtin = rc::BuiltinConstants().find(name);
  if (builtin != rc::BuiltinConstants().end()) return builtin->second;
  return std::nullopt;
}

bool RcParser::Fail(int line, const std::string& what) {
  if (!quiet_ && out_.error_.empty()) {
    out_.error_ = line > 0 ? "line " + std::to_string(line) + ": " + what : what;
  }
  return false;
}

bool RcParser::Operand(Value& v) {
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

bool RcParser::Expression(Value& v) {
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

bool RcParser::Int(int& out) {
  Value v;
  if (!Expression(v)) return false;
  out = static_cast<int>(v.set);
  return true;
}

bool RcParser::Comma() {
  const Token& t = Next();
  if (!IsPunct(t, ',')) return Fail(t.line, "expected ',' but found '" + t.text + "'");
  return true;
}
bool RcParser::OptionalComma() {
  if (IsPunct(Peek(), ',')) {
    Next();
    return true;
  }
  return false;
}

}  // namespace sim
