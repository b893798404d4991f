#include "package/archive_entry.h"

#include <cctype>
#include <cstring>

namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

constexpr uint32_t kInvalidFileAttributes = 0xFFFFFFFF;
constexpr uint32_t kFileAttributeReparsePoint = 0x400;

bool IsDriveLetter(const std::string& path, size_t at) {
  return at + 1 < path.size() && std::isalpha(static_cast<unsigned char>(path[at])) &&
         path[at + 1] == ':';
}

// The index just past `count` components (and their separators) from `at`.
size_t SkipComponents(const std::string& path, size_t at, int count) {
  for (int i = 0; i < count && at < path.size(); ++i) {
    while (at < path.size() && !IsSeparator(path[at])) ++at;
    while (at < path.size() && IsSeparator(path[at])) ++at;
  }
  return at;
}

// Length of the part of `path` that names no folder of its own: the drive
// ("C:\", "C:"), the share of a UNC path ("\\server\share\"), a device prefix
// with either after it ("\\?\C:\", "\\?\UNC\server\share\"), or a lone
// leading separator. A link there is the system's business, not the
// archive's.
size_t RootLength(const std::string& path) {
  size_t at = 0;
  if (path.size() >= 4 && IsSeparator(path[0]) && IsSeparator(path[1]) &&
      (path[2] == '?' || path[2] == '.') && IsSeparator(path[3])) {
    at = 4;
    if (path.compare(at, 4, "UNC\\") == 0 || path.compare(at, 4, "UNC/") == 0) {
      return SkipComponents(path, at + 4, 2);
    }
  } else if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
    return SkipComponents(path, 2, 2);
  }
  if (IsDriveLetter(path, at)) {
    at += 2;
  }
  while (at < path.size() && IsSeparator(path[at])) ++at;
  return at;
}

char Upper(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

bool SameLetters(const std::string& a, const char* b) {
  if (a.size() != std::strlen(b)) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Upper(a[i]) != Upper(b[i])) return false;
  }
  return true;
}

// Windows opens the device, not a file, for these names in any folder and
// with any extension ("Ticket\x86\COM1.GPD" is the first serial port), and
// ignores blanks before the extension. The superscript digits are the
// system code page's, which Windows takes for 1, 2 and 3 here.
bool IsDeviceName(const std::string& component) {
  std::string base = component.substr(0, component.find('.'));
  while (!base.empty() && base.back() == ' ') base.pop_back();
  for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"}) {
    if (SameLetters(base, device)) return true;
  }
  if (base.size() != 4) return false;
  const std::string head = base.substr(0, 3);
  if (!SameLetters(head, "COM") && !SameLetters(head, "LPT")) return false;
  const char digit = base[3];
  return (digit >= '0' && digit <= '9') || digit == '\xB9' || digit == '\xB2' || digit == '\xB3';
}

// The first component that names something ("./Ticket/x" starts at
// "Ticket"), and whether anything is named below it.
std::string FirstComponent(const std::string& name, bool& more) {
  size_t start = 0;
  while (start < name.size()) {
    size_t end = start;
    while (end < name.size() && !IsSeparator(name[end])) ++end;
    const std::string component = name.substr(start, end - start);
    if (!component.empty() && component != ".") {
      more = name.find_first_not_of("/\\.", end) != std::string::npos;
      return component;
    }
    start = end + 1;
  }
  more = false;
  return std::string();
}

bool IsDriveRoot(const std::string& path) {
  if (!IsDriveLetter(path, 0)) return false;
  for (size_t i = 2; i < path.size(); ++i) {
    if (!IsSeparator(path[i])) return false;
  }
  return true;
}

}  // namespace

bool IsSafeArchiveEntry(const std::string& name) {
  if (name.empty()) return false;
  // Absolute ("/x", "\x"), UNC ("\\server") and device ("\\?\") paths.
  if (IsSeparator(name[0])) return false;
  // A colon anywhere: drive letters ("C:x", "C:\x") and alternate data
  // streams ("file:stream") are both ways out of a plain relative name.
  if (name.find(':') != std::string::npos) return false;

  bool anyComponent = false;
  size_t start = 0;
  while (start <= name.size()) {
    size_t end = start;
    while (end < name.size() && !IsSeparator(name[end])) ++end;
    const std::string component = name.substr(start, end - start);
    if (component == "..") return false;
    if (IsDeviceName(component)) return false;
    // Windows drops trailing dots and spaces from a component, so ". ." or
    // "... " can stand for ".." there, and " " for nothing at all.
    if (!component.empty() && component != "." &&
        component.find_first_not_of(". ") == std::string::npos) {
      return false;
    }
    if (!component.empty() && component != ".") anyComponent = true;
    if (end == name.size()) break;
    start = end + 1;
  }
  // Control characters (a zero byte would cut the name short on the way to
  // the file system).
  for (unsigned char c : name) {
    if (c < 0x20) return false;
  }
  return anyComponent;
}

bool IsSafeArchiveEntryAt(const std::string& destination, const std::string& name) {
  if (!IsSafeArchiveEntry(name)) return false;
  if (!IsDriveRoot(destination)) return true;
  bool more = false;
  const std::string first = FirstComponent(name, more);
  if (SameLetters(first, "Ticket") || SameLetters(first, "Barcode")) return true;
  return !more && SameLetters(first, "DriverName.cfg");
}

bool CrossesLink(const std::string& path,
                 const std::function<uint32_t(const std::string&)>& attributesOf) {
  // Every component is asked about, missing ones too: a ".." further on in
  // a destination can step out of a missing folder into an existing one.
  size_t at = RootLength(path);
  while (at < path.size()) {
    size_t end = at;
    while (end < path.size() && !IsSeparator(path[end])) ++end;
    const uint32_t attributes = attributesOf(path.substr(0, end));
    if (attributes != kInvalidFileAttributes && (attributes & kFileAttributeReparsePoint) != 0) {
      return true;
    }
    at = end;
    while (at < path.size() && IsSeparator(path[at])) ++at;
  }
  return false;
}

bool ParseExtractCommand(const std::string& command, ExtractCommand& parsed) {
  static const std::string kHead = "x -y \"";
  static const std::string kMiddle = "\" -o\"";
  static const std::string kTail = "\" -hide";
  if (command.compare(0, kHead.size(), kHead) != 0) return false;
  const size_t archiveEnd = command.find(kMiddle, kHead.size());
  if (archiveEnd == std::string::npos) return false;
  const size_t destinationStart = archiveEnd + kMiddle.size();
  if (command.size() < destinationStart + kTail.size()) return false;
  if (command.compare(command.size() - kTail.size(), kTail.size(), kTail) != 0) return false;
  const std::string archive = command.substr(kHead.size(), archiveEnd - kHead.size());
  const std::string destination =
      command.substr(destinationStart, command.size() - kTail.size() - destinationStart);
  if (archive.empty() || destination.empty()) return false;
  if (archive.find('"') != std::string::npos) return false;
  if (destination.find('"') != std::string::npos) return false;
  parsed.archive = archive;
  parsed.destination = destination;
  return true;
}
