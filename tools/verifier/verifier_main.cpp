// verifier: catches a broken driver package before a technician does.
//   verifier verify PACKAGE [--json]      (a DriverData.Drv or an unpacked folder)
//   verifier build FOLDER -o DriverData.Drv [--force]
// Exit status: 0 clean, 1 findings (or a refused build), 2 unreadable package.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "package_layout.h"
#include "package_verifier.h"

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage:\n  verifier verify PACKAGE [--json]\n"
               "  verifier build FOLDER -o DriverData.Drv [--force]\n");
  return 2;
}

verifier::Report Verify(const std::filesystem::path& package) {
  return std::filesystem::is_directory(package) ? verifier::VerifyFolder(package)
                                                : verifier::VerifyArchive(package);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return Usage();
  const std::string command = argv[1];
  if (command == "verify") {
    const bool json = argc == 4 && std::strcmp(argv[3], "--json") == 0;
    if (argc != 3 && !json) return Usage();
    const verifier::Report report = Verify(argv[2]);
    const std::string text = json ? verifier::FormatJson(report) : verifier::FormatText(report);
    std::fputs(text.c_str(), stdout);
    if (!report.readable) return 2;
    return report.findings.empty() ? 0 : 1;
  }
  if (command == "build") {
    if (argc < 5 || std::strcmp(argv[3], "-o") != 0) return Usage();
    const bool force = argc == 6 && std::strcmp(argv[5], "--force") == 0;
    if (argc != 5 && !force) return Usage();
    const verifier::Report report = verifier::VerifyFolder(argv[2]);
    if (!report.readable) {
      std::fputs(verifier::FormatText(report).c_str(), stderr);
      return 2;
    }
    if (!report.findings.empty() && !force) {
      std::fputs(verifier::FormatText(report).c_str(), stderr);
      std::fputs("verifier: not built (use --force to build anyway)\n", stderr);
      return 1;
    }
    std::string error;
    if (!package::BuildCabinet(argv[2], argv[4], error)) {
      std::fprintf(stderr, "verifier: %s\n", error.c_str());
      return 2;
    }
    return 0;
  }
  return Usage();
}
