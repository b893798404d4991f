// Windows' rule for the names the simulated machine keeps (registry keys and
// values, files, printers, ports, services, resource words): ASCII letters
// compare without regard to case, every other byte as it is.
#pragma once

#include <string>
#include <vector>

namespace sim {

inline char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

inline std::string UpperCase(std::string s) {
  for (char& c : s) c = Upper(c);
  return s;
}

inline bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::string::size_type i = 0; i < a.size(); ++i) {
    if (Upper(a[i]) != Upper(b[i])) return false;
  }
  return true;
}

// The non-empty parts of `path` between any of the `separators`.
inline std::vector<std::string> SplitPath(const std::string& path, const char* separators) {
  std::vector<std::string> parts;
  std::string::size_type start = 0;
  while (start <= path.size()) {
    std::string::size_type end = path.find_first_of(separators, start);
    if (end == std::string::npos) end = path.size();
    if (end > start) parts.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

}  // namespace sim
