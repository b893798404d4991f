// Fuzzes the archive entry check and the extraction command reading: an
// accepted name never leaves the destination, and an accepted command reads
// back exactly as it was built.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "package/archive_entry.h"

namespace {

void Require(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "property violated: %s\n", what);
    std::abort();
  }
}

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// Independent statement of what "stays below the destination" means.
void CheckAcceptedName(const std::string& name) {
  Require(!name.empty(), "empty name accepted");
  Require(!IsSeparator(name[0]), "rooted name accepted");
  Require(name.find(':') == std::string::npos, "drive or stream accepted");
  size_t start = 0;
  int depth = 0;
  for (;;) {
    size_t end = start;
    while (end < name.size() && !IsSeparator(name[end])) ++end;
    std::string part = name.substr(start, end - start);
    // Windows drops trailing dots and spaces.
    while (!part.empty() && (part.back() == '.' || part.back() == ' ')) part.pop_back();
    const std::string raw = name.substr(start, end - start);
    if (raw == "..") --depth;
    Require(raw != "..", "dot-dot component accepted");
    Require(!(part.empty() && raw.size() > 1), "component of dots and spaces accepted");
    if (!raw.empty() && raw != ".") ++depth;
    Require(depth >= 0, "name climbs above the destination");
    if (end == name.size()) break;
    start = end + 1;
  }
  for (unsigned char c : name) Require(c >= 0x20, "control character accepted");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  if (IsSafeArchiveEntry(input)) CheckAcceptedName(input);

  ExtractCommand parsed;
  if (ParseExtractCommand(input, parsed)) {
    Require(!parsed.archive.empty() && !parsed.destination.empty(), "empty path parsed");
    const std::string rebuilt =
        "x -y \"" + parsed.archive + "\" -o\"" + parsed.destination + "\" -hide";
    Require(rebuilt == input, "command does not read back");
  }
  // Any archive path and destination without quotes make a command that
  // reads back to themselves.
  const size_t split = size / 2;
  const std::string archive = input.substr(0, split);
  const std::string destination = input.substr(split);
  if (!archive.empty() && !destination.empty() && archive.find('"') == std::string::npos &&
      destination.find('"') == std::string::npos) {
    ExtractCommand round;
    Require(ParseExtractCommand("x -y \"" + archive + "\" -o\"" + destination + "\" -hide", round),
            "built command refused");
    Require(round.archive == archive && round.destination == destination,
            "built command read back differently");
  }
  return 0;
}
