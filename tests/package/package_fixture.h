// Driver packages for the tests: the sample package packed once per test
// run, and placing archives on the simulated drive C:.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "package_layout.h"
#include "platform/sim/sim_machine.h"

namespace package_test {

// The bytes of the sample package as a cabinet (DriverData.Drv).
inline const std::string& SampleCabinet() {
  static const std::string bytes = [] {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("sample-cab-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    std::string error;
    std::string result;
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

// A cabinet with the given entries, names stored unchecked.
inline std::string RawCabinet(const std::vector<package::CabinetEntry>& entries) {
  namespace fs = std::filesystem;
  const fs::path file = fs::temp_directory_path() / ("raw-cab-" + std::to_string(::getpid()));
  std::string error;
  std::string result;
  if (package::WriteStoredCabinet(file, entries, error)) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    result = s.str();
  }
  fs::remove(file);
  return result;
}

}  // namespace package_test
