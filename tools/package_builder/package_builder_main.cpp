// package_builder: makes and unpacks driver packages (DriverData.Drv).
//   package_builder sample OUTDIR [--monitor-dll DLL] [--monitor-dll64 DLL]
//   package_builder build FOLDER -o DriverData.Drv
//   package_builder extract ARCHIVE DESTDIR
//   package_builder rawcab OUT.cab NAME=FILE...   (names stored unchecked)
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "package_layout.h"
#include "platform/sim/sim_archive.h"

namespace fs = std::filesystem;

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage:\n"
               "  package_builder sample OUTDIR [--monitor-dll DLL] [--monitor-dll64 DLL]\n"
               "  package_builder build FOLDER -o DriverData.Drv\n"
               "  package_builder extract ARCHIVE DESTDIR\n"
               "  package_builder rawcab OUT.cab NAME=FILE...   (names stored unchecked)\n");
  return 2;
}

int Sample(int argc, char** argv) {
  if (argc < 3) return Usage();
  package::SampleOptions options;
  for (int i = 3; i < argc; ++i) {
    if (std::strcmp(argv[i], "--monitor-dll") == 0 && i + 1 < argc) {
      options.monitorDllX86 = argv[++i];
    } else if (std::strcmp(argv[i], "--monitor-dll64") == 0 && i + 1 < argc) {
      options.monitorDllX64 = argv[++i];
    } else {
      return Usage();
    }
  }
  std::string error;
  if (!package::WriteSamplePackage(argv[2], options, error)) {
    std::fprintf(stderr, "package_builder: %s\n", error.c_str());
    return 1;
  }
  return 0;
}

int Build(int argc, char** argv) {
  if (argc != 5 || std::strcmp(argv[3], "-o") != 0) return Usage();
  std::string error;
  if (!package::BuildCabinet(argv[2], argv[4], error)) {
    std::fprintf(stderr, "package_builder: %s\n", error.c_str());
    return 1;
  }
  return 0;
}

int Extract(int argc, char** argv) {
  if (argc != 4) return Usage();
  const fs::path destination = fs::absolute(argv[3]);
  const auto start = std::chrono::steady_clock::now();
  const sim::ExtractReport report = sim::ExtractArchive(argv[2], [&](const std::string& name) {
    std::string relative = name;
    for (char& c : relative) {
      if (c == '\\') c = '/';
    }
    return destination / relative;
  });
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("%zu extracted, %zu refused, %llu bytes, %.3f s\n", report.extracted.size(),
              report.refused.size(), static_cast<unsigned long long>(report.bytesWritten), seconds);
  for (const std::string& name : report.refused) std::printf("refused: %s\n", name.c_str());
  if (!report.error.empty()) std::fprintf(stderr, "package_builder: %s\n", report.error.c_str());
  return report.opened && report.complete && report.refused.empty() ? 0 : 1;
}

int RawCab(int argc, char** argv) {
  if (argc < 4) return Usage();
  std::vector<package::CabinetEntry> entries;
  for (int i = 3; i < argc; ++i) {
    const std::string arg = argv[i];
    const size_t eq = arg.rfind('=');
    if (eq == std::string::npos || eq == 0) return Usage();
    std::ifstream in(arg.substr(eq + 1), std::ios::binary);
    if (!in) {
      std::fprintf(stderr, "package_builder: cannot read %s\n", arg.substr(eq + 1).c_str());
      return 1;
    }
    std::ostringstream content;
    content << in.rdbuf();
    entries.push_back({arg.substr(0, eq), content.str()});
  }
  std::string error;
  if (!package::WriteStoredCabinet(argv[2], entries, error)) {
    std::fprintf(stderr, "package_builder: %s\n", error.c_str());
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  const std::string command = argv[1];
  if (command == "sample") return Sample(argc, argv);
  if (command == "build") return Build(argc, argv);
  if (command == "extract") return Extract(argc, argv);
  if (command == "rawcab") return RawCab(argc, argv);
  return Usage();
}
