#include <cctype>
#include <utility>

#include "platform/sim/rc_parser.h"

namespace sim::rc {

namespace {

bool ParseNumber(const std::string& s, long& value) {
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

}  // namespace

bool Tokenize(const std::string& text, std::vector<Token>& tokens, TokenError& error) {
  auto fail = [&](int at, std::string what) {
    error = TokenError{at, std::move(what)};
    return false;
  };
  int line = 1;
  size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (c == '\n') {
      ++line;
      ++i;
    } else if (std::isspace(static_cast<unsigned char>(c))) {
      ++i;
    } else if (c == '"' || ((c == 'L' || c == 'l') && i + 1 < text.size() && text[i + 1] == '"')) {
      if (c != '"') ++i;
      Token t{Token::String, "", 0, line};
      ++i;
      for (;;) {
        if (i >= text.size() || text[i] == '\n') return fail(line, "unterminated string");
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
                v = v * 16 + static_cast<unsigned>(std::isdigit(static_cast<unsigned char>(text[i]))
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
      tokens.push_back(t);
    } else if (std::isdigit(static_cast<unsigned char>(c))) {
      size_t j = i;
      while (j < text.size() && std::isalnum(static_cast<unsigned char>(text[j]))) ++j;
      Token t{Token::Number, text.substr(i, j - i), 0, line};
      if (!ParseNumber(t.text, t.number)) return fail(line, "bad number " + t.text);
      tokens.push_back(t);
      i = j;
    } else if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
      size_t j = i;
      while (j < text.size() &&
             (std::isalnum(static_cast<unsigned char>(text[j])) || text[j] == '_')) {
        ++j;
      }
      tokens.push_back(Token{Token::Ident, text.substr(i, j - i), 0, line});
      i = j;
    } else {
      tokens.push_back(Token{Token::Punct, std::string(1, c), 0, line});
      ++i;
    }
  }
  tokens.push_back(Token{Token::End, "", 0, line});
  return true;
}

}  // namespace sim::rc
