// The sample driver package, packed once per test run.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "package_layout.h"

namespace package_test {

// The bytes of the sample package as a cabinet (DriverData.Drv).
inline const std::string& SampleCabinet() {
  static const std::string bytes = [] {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("sample-cab-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    std::string error, result;
    if (package::WriteSamplePackage(dir / "folder", {}, error) &&
        package::BuildCabinet(dir / "folder", dir / "DriverData.Drv", error)) {
      std::ifstream in(dir / "DriverData.Drv", std::ios::binary);
      std::ostringstream s;
      s << in.rdbuf();
      result = s.str();
    }
    fs::remove_all(dir);
    return result;
  }();
  return bytes;
}

}  // namespace package_test
