// Checks a driver package against what the installer will do with it: every
// file that installing a catalogue row copies, and the driver-name list as
// the installer reads it. One source of truth: the installer's own catalogue
// and name-list walk.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace verifier {

struct Finding {
  std::string kind;    // missing-file, section-count, section-order, name-too-long,
                       // too-many-names, numbering-gap, section-list-too-long,
                       // duplicate-name, unsafe-entry
  int row = -1;        // catalogue row (0-based model index), -1 when none
  std::string arch;    // "x86", "x64" or empty
  std::string detail;  // the file, name or entry concerned
};

struct Report {
  bool readable = false;  // the package could be read at all
  std::string error;      // why not
  std::vector<Finding> findings;
};

// Verifies an unpacked package folder (the layout below C:\ after unpacking).
Report VerifyFolder(const std::filesystem::path& folder);
// Verifies a DriverData.Drv: unpacks it into a temporary folder the way the
// installer's extractor does (unsafe entries refused and reported), then
// verifies that folder.
Report VerifyArchive(const std::filesystem::path& archive);

// A readable report: one line per finding.
std::string FormatText(const Report& report);
std::string FormatJson(const Report& report);

}  // namespace verifier
