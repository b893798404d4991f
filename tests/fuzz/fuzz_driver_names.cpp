// Fuzzes the profile reading of the simulated machine and the driver-name
// walk over it, with the fuzzer's bytes as "C:\DriverName.cfg".
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "install/driver_name_list.h"
#include "platform/sim/sim_machine.h"

namespace {

void Require(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "property violated: %s\n", what);
    std::abort();
  }
}

constexpr char kGuard = '\x5A';
constexpr size_t kGuardBytes = 16;

// Calls the section-name list with a buffer of `size` bytes and checks the
// Win32 buffer rules: nothing written past the buffer, the result leaves
// room for the closing zeros, and the list is closed by them.
void CheckSectionNames(sim::SimFiles& files, uint32_t size) {
  std::vector<char> buffer(size + kGuardBytes, kGuard);
  const uint32_t n = files.GetPrivateProfileSectionNamesA(buffer.data(), size, kDriverNameFile);
  for (size_t i = size; i < buffer.size(); ++i)
    Require(buffer[i] == kGuard, "section list overrun");
  if (size == 0) {
    Require(n == 0, "size 0 returned characters");
    return;
  }
  if (size < 2) return;
  Require(n <= size - 2, "section list result too large");
  Require(buffer[n] == '\0', "section list not closed");
  if (n == size - 2) {
    // Either cut to the buffer (the zeros at n and n + 1) or a whole list
    // that happens to end there (the zeros at n - 1 and n): two zero bytes
    // close it either way.
    Require(buffer[size - 1] == '\0' || (n > 0 && buffer[n - 1] == '\0'),
            "section list at the buffer's end not closed");
  } else if (n > 0) {
    Require(buffer[n - 1] == '\0', "last section name not ended");
  }
}

void CheckValue(sim::SimFiles& files, const std::string& section, const std::string& key,
                uint32_t size) {
  std::vector<char> buffer(size + kGuardBytes, kGuard);
  const uint32_t n =
      files.GetPrivateProfileStringA(section, key, nullptr, buffer.data(), size, kDriverNameFile);
  for (size_t i = size; i < buffer.size(); ++i) Require(buffer[i] == kGuard, "value overrun");
  if (size == 0) return;
  Require(n <= size - 1, "value result too large");
  Require(buffer[n] == '\0', "value not ended");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static sim::SimMachine* machine = new sim::SimMachine();
  sim::SimFiles& files = machine->fs();
  files.WriteFile(kDriverNameFile, std::string(reinterpret_cast<const char*>(data), size));

  for (uint32_t bufferSize : {0u, 1u, 2u, 3u, 7u, 64u, 3000u}) CheckSectionNames(files, bufferSize);

  struct Visit {
    int32_t section;
    std::string name;
  };
  std::vector<Visit> visits;
  WalkDriverNameFile(*machine, [&](int32_t section, const std::string& name) {
    visits.push_back({section, name});
  });

  std::map<int32_t, int> perSection;
  std::map<std::string, int32_t> lastSection;
  int32_t previous = 0;
  for (const Visit& v : visits) {
    Require(v.section >= previous, "sections out of order");
    previous = v.section;
    Require(++perSection[v.section] <= 50, "more than 50 names in a section");
    Require(!v.name.empty(), "empty name offered");
    Require(v.name.size() <= 127, "name longer than 127 characters");
    Require(v.name.find('\0') == std::string::npos, "zero byte inside a name");
    Require(v.name.find('\n') == std::string::npos, "line break inside a name");
    lastSection[v.name] = v.section;
  }
  // The lookup agrees with the walk: the last section holding the name.
  for (const auto& [name, section] : lastSection) {
    Require(LookupDriverName(*machine, name, -7) == section, "lookup disagrees with the walk");
  }
  Require(LookupDriverName(*machine, std::string(200, 'q'), -7) == -7, "lookup of no name");

  // Values of arbitrary sections and keys, at the edges of the buffer.
  const std::string text(reinterpret_cast<const char*>(data), size < 40 ? size : 40);
  for (uint32_t bufferSize : {0u, 1u, 2u, 128u}) {
    CheckValue(files, text, "PrintName1", bufferSize);
    CheckValue(files, "Receipt01", text, bufferSize);
  }
  return 0;
}
