// Fuzzes the archive entry check and the extraction command reading: an
// accepted name never leaves the destination, and an accepted command reads
// back exactly as it was built.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_require.h"
#include "package/archive_entry.h"

// Independent statement of what "stays below the destination" means.
static void CheckAcceptedName(const std::string& name) {
  Require(!name.empty() && name[0] != '/' && name[0] != '\\', "empty or rooted name accepted");
  Require(name.find(':') == std::string::npos, "drive or stream accepted");
  for (unsigned char c : name) Require(c >= 0x20, "control character accepted");
  for (size_t start = 0; start <= name.size();) {
    const size_t end = std::min(name.find_first_of("/\\", start), name.size());
    // Windows drops trailing dots and spaces: "..." names the parent too.
    const std::string part = name.substr(start, end - start);
    Require(part.size() <= 1 || part.find_first_not_of(". ") != std::string::npos,
            "component of dots and spaces accepted");
    start = end + 1;
  }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  if (IsSafeArchiveEntry(input)) CheckAcceptedName(input);

  ExtractCommand parsed;
  if (ParseExtractCommand(input, parsed)) {
    Require(!parsed.archive.empty() && !parsed.destination.empty() &&
                "x -y \"" + parsed.archive + "\" -o\"" + parsed.destination + "\" -hide" == input,
            "empty path parsed, or the command does not read back");
  }
  // Any archive path and destination without quotes make a command that
  // reads back to themselves.
  const std::string archive = input.substr(0, size / 2), destination = input.substr(size / 2);
  if (archive.empty() || destination.empty() ||
      (archive + destination).find('"') != std::string::npos) {
    return 0;
  }
  ExtractCommand round;
  Require(ParseExtractCommand("x -y \"" + archive + "\" -o\"" + destination + "\" -hide", round),
          "built command refused");
  Require(round.archive == archive && round.destination == destination,
          "built command read back differently");
  return 0;
}
