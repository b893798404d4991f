#include <fstream>
#include <sstream>

#include "platform/sim/rc_parser.h"

namespace sim {

namespace {

std::string StripComments(const std::string& text) {
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

}  // namespace

bool RcParser::Preprocess(const std::string& text, std::string& body, int depth) {
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
bool RcParser::EvaluateDefine(const std::string& value, long& number) const {
  RcParser sub(out_, "");
  sub.quiet_ = true;
  if (!sub.Tokenize(value) || sub.Peek().kind == Token::End) return false;
  Value v;
  if (!sub.Expression(v) || sub.Peek().kind != Token::End || v.cleared != 0) return false;
  number = v.set;
  return true;
}

}  // namespace sim
