// Fuzzes the archive entry check and the extraction command reading: an
// accepted name never leaves the destination, and an accepted command reads
// back exactly as it was built.
#include <algorithm>
#include <cctype>
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
    std::string base = part.substr(0, part.find('.'));
    base.erase(base.find_last_not_of(' ') + 1);
    for (char& c : base) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const bool numbered = base.size() == 4 &&
                          (base.rfind("COM", 0) == 0 || base.rfind("LPT", 0) == 0) &&
                          std::isdigit(static_cast<unsigned char>(base[3]));
    Require(!numbered && base != "CON" && base != "PRN" && base != "AUX" && base != "NUL",
            "device name accepted");
    start = end + 1;
  }
}

// At a drive root: the list file, or something below one of the two folders.
static void CheckAcceptedAtRoot(const std::string& name) {
  std::string rest = name;
  while (rest.rfind("./", 0) == 0 || rest.rfind(".\\", 0) == 0 || rest.rfind("/", 0) == 0 ||
         rest.rfind("\\", 0) == 0) {
    rest.erase(0, rest[0] == '.' ? 2 : 1);
  }
  std::string first = rest.substr(0, rest.find_first_of("/\\"));
  for (char& c : first) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  Require(first == "ticket" || first == "barcode" || first == "drivername.cfg",
          "entry outside the work area accepted at the drive root");
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  if (IsSafeArchiveEntry(input)) CheckAcceptedName(input);
  if (IsSafeArchiveEntryAt("C:\\", input)) {
    Require(IsSafeArchiveEntry(input), "refused name accepted at the drive root");
    CheckAcceptedAtRoot(input);
  }

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
