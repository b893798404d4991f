#include "package_verifier.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include <cstdio>
#include <cstdlib>

#include "drivers/driver_name_list.h"
#include "drivers/model_catalogue.h"
#include "package_layout.h"
#include "platform/sim/sim_archive.h"
#include "platform/sim/sim_machine.h"

namespace fs = std::filesystem;

namespace verifier {
namespace {

constexpr const char* kArchitectures[] = {"x86", "x64"};
// What the installer reads of the name list: a 3000-byte section list,
// names "PrintName1" to "PrintName50", values of at most 127 characters.
constexpr size_t kSectionListBytes = 3000;
constexpr int kMaxNamesPerSection = 50;
constexpr size_t kMaxNameLength = 127;

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

std::string Trim(const std::string& s) {
  const size_t begin = s.find_first_not_of(" \t\r");
  if (begin == std::string::npos) return std::string();
  const size_t end = s.find_last_not_of(" \t\r");
  return s.substr(begin, end - begin + 1);
}

// The files that installing `row` copies from the package on `arch`.
std::vector<std::string> FilesOfRow(int row, const std::string& arch) {
  std::vector<std::string> files;
  if (row < catalogue::kReceiptModelCount) {
    const std::string ticket = "Ticket/" + arch + "/";
    files.push_back(ticket + catalogue::ReceiptFileBases[row] + ".GPD");
    const int32_t group = catalogue::ReceiptGroup(row);
    if (group == 2) {
      // Which group-2 DLL is copied depends on the name the user picks.
      files.push_back(ticket + catalogue::GroupDllBases[1] + ".DLL");
      files.push_back(ticket + catalogue::GroupDllBases[2] + ".DLL");
    } else {
      files.push_back(ticket + catalogue::GroupDllBase(group, "") + ".DLL");
    }
    files.push_back(ticket + "OEMPLUG.ini");
    files.push_back(ticket + "OEMPLUG.dll");
    for (const char* core : catalogue::UnidrvCoreFiles) files.push_back(ticket + core);
    return files;
  }
  const int label = row - catalogue::kReceiptModelCount;
  const char* const* engine = catalogue::LabelEngineFiles(arch == "x64");
  for (int e = 0; e < catalogue::kLabelEngineFileCount; ++e) {
    files.push_back("Barcode/" + arch + "/" + engine[e]);
  }
  files.push_back("Barcode/Common/THERMAL.chm");
  for (const char* ext : {".BA0", ".DAT", ".PP0"}) {
    files.push_back(std::string("Barcode/Common/") + catalogue::LabelFileBases[label] + ext);
  }
  return files;
}

std::string DriverNameOfRow(int row) {
  return row < catalogue::kReceiptModelCount
             ? catalogue::ReceiptModelNames[row]
             : catalogue::LabelModelNames[row - catalogue::kReceiptModelCount];
}

struct RawSection {
  std::string name;
  std::map<int, std::string> names;  // PrintName number -> value
};

// The file as written, for the limits that the installer's reading hides.
std::vector<RawSection> ParseRaw(const std::string& text) {
  std::vector<RawSection> sections;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    line = Trim(line);
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      const size_t close = line.find(']');
      sections.push_back(
          {Trim(line.substr(1, close == std::string::npos ? line.size() - 1 : close - 1)), {}});
      continue;
    }
    const size_t eq = line.find('=');
    if (sections.empty() || eq == std::string::npos) continue;
    const std::string key = Lower(Trim(line.substr(0, eq)));
    if (key.rfind("printname", 0) != 0 || key.size() == 9) continue;
    const std::string digits = key.substr(9);
    if (!std::all_of(digits.begin(), digits.end(), ::isdigit) || digits.size() > 6) continue;
    sections.back().names.emplace(std::stoi(digits), Trim(line.substr(eq + 1)));
  }
  return sections;
}

void CheckNameList(const std::string& text, std::vector<Finding>& findings) {
  const std::vector<RawSection> raw = ParseRaw(text);
  size_t listBytes = 1;
  for (const auto& section : raw) listBytes += section.name.size() + 1;
  if (listBytes > kSectionListBytes) {
    findings.push_back({"section-list-too-long", -1, "",
                        std::to_string(listBytes) + " bytes; the installer reads " +
                            std::to_string(kSectionListBytes)});
  }
  for (size_t s = 0; s < raw.size(); ++s) {
    const int row = static_cast<int>(s);
    int expected = 1;
    for (const auto& [number, value] : raw[s].names) {
      if (number > kMaxNamesPerSection) {
        findings.push_back({"too-many-names", row, "", "PrintName" + std::to_string(number)});
        continue;
      }
      if (number != expected) {
        findings.push_back({"numbering-gap", row, "", "PrintName" + std::to_string(expected)});
        expected = number;
      }
      ++expected;
      if (value.size() > kMaxNameLength) {
        findings.push_back({"name-too-long", row, "", value.substr(0, 40) + "..."});
      }
    }
  }

  // What the installer itself sees, read by its own walk.
  sim::SimMachine machine;
  machine.fs().WriteFile(kDriverNameFile, text);
  std::map<std::string, std::vector<int>> sectionsOfName;
  int sectionsSeen = 0;
  WalkDriverNameFile(machine, [&](int32_t section, const std::string& name) {
    sectionsOfName[name].push_back(section);
    sectionsSeen = std::max(sectionsSeen, section + 1);
  });
  if (static_cast<int>(raw.size()) != catalogue::kModelCount) {
    findings.push_back({"section-count", -1, "",
                        std::to_string(raw.size()) + " sections; the catalogue has " +
                            std::to_string(catalogue::kModelCount) + " rows"});
  }
  for (int row = 0; row < catalogue::kModelCount; ++row) {
    const auto found = sectionsOfName.find(DriverNameOfRow(row));
    if (found == sectionsOfName.end()) continue;
    for (int section : found->second) {
      if (section != row) {
        findings.push_back({"section-order", section, "",
                            "holds \"" + DriverNameOfRow(row) + "\", the driver name of row " +
                                std::to_string(row)});
      }
    }
  }
  for (const auto& [name, sections] : sectionsOfName) {
    std::set<int> distinct(sections.begin(), sections.end());
    if (distinct.size() > 1) {
      findings.push_back({"duplicate-name", *distinct.rbegin(), "",
                          "\"" + name + "\" in " + std::to_string(distinct.size()) +
                              " sections; the last one is installed"});
    }
  }
}

}  // namespace

Report VerifyFolder(const fs::path& folder) {
  Report report;
  std::vector<std::string> files;
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) {
    report.error = "not a folder: " + folder.string();
    return report;
  }
  std::set<std::string> present;  // lower case: the installer's copies ignore case
  for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    if (!it->is_regular_file(ec)) continue;
    present.insert(Lower(fs::relative(it->path(), folder, ec).generic_string()));
  }
  if (ec) {
    report.error = "cannot read " + folder.string() + ": " + ec.message();
    return report;
  }
  report.readable = true;

  for (int row = 0; row < catalogue::kModelCount; ++row) {
    for (const char* arch : kArchitectures) {
      for (const auto& file : FilesOfRow(row, arch)) {
        if (!present.count(Lower(file)))
          report.findings.push_back({"missing-file", row, arch, file});
      }
    }
  }
  if (!present.count("drivername.cfg")) {
    report.findings.push_back({"missing-file", -1, "", "DriverName.cfg"});
    return report;
  }
  std::ifstream in(folder / "DriverName.cfg", std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  CheckNameList(text.str(), report.findings);
  return report;
}

Report VerifyArchive(const fs::path& archive) {
  std::string pattern = (fs::temp_directory_path() / "package-verify-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) {
    Report report;
    report.error = "cannot make a temporary folder";
    return report;
  }
  const fs::path temp = pattern;
  std::error_code ec;
  const sim::ExtractReport extracted = sim::ExtractArchive(archive, [&](const std::string& name) {
    std::string relative = name;
    std::replace(relative.begin(), relative.end(), '\\', '/');
    return temp / relative;
  });
  Report report;
  if (!extracted.opened || !extracted.complete) {
    report.error = "cannot read " + archive.string() +
                   (extracted.error.empty() ? std::string() : ": " + extracted.error);
  } else {
    report = VerifyFolder(temp);
    for (const auto& entry : extracted.refused) {
      report.findings.push_back({"unsafe-entry", -1, "", entry});
    }
  }
  fs::remove_all(temp, ec);
  return report;
}

std::string FormatText(const Report& report) {
  if (!report.readable) return "unreadable: " + report.error + "\n";
  std::ostringstream out;
  for (const auto& f : report.findings) {
    out << f.kind;
    if (f.row >= 0) out << " row " << f.row;
    if (!f.arch.empty()) out << " " << f.arch;
    out << ": " << f.detail << "\n";
  }
  out << report.findings.size() << " finding(s)\n";
  return out.str();
}

namespace {
std::string JsonString(const std::string& s) {
  std::string out = "\"";
  for (unsigned char c : s) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      char buffer[8];
      std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
      out += buffer;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}
}  // namespace

std::string FormatJson(const Report& report) {
  std::ostringstream out;
  out << "{\"readable\":" << (report.readable ? "true" : "false");
  if (!report.readable) out << ",\"error\":" << JsonString(report.error);
  out << ",\"findings\":[";
  for (size_t i = 0; i < report.findings.size(); ++i) {
    const auto& f = report.findings[i];
    out << (i ? "," : "") << "{\"kind\":" << JsonString(f.kind) << ",\"row\":" << f.row
        << ",\"arch\":" << JsonString(f.arch) << ",\"detail\":" << JsonString(f.detail) << "}";
  }
  out << "]}\n";
  return out.str();
}

}  // namespace verifier
