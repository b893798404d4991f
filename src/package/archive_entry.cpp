#include "package/archive_entry.h"

namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

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
