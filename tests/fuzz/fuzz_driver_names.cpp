// Fuzzes the profile reading of the simulated machine and the driver-name
// walk over it, with the fuzzer's bytes as "C:\DriverName.cfg".
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "drivers/driver_name_list.h"
#include "fuzz_require.h"
#include "platform/sim/sim_machine.h"

// Calls `read` with a buffer of `size` bytes followed by guard bytes, which
// nothing may overwrite. Returns the buffer and what `read` returned.
template <typename Read>
static std::pair<std::vector<char>, uint32_t> Guarded(uint32_t size, Read read) {
  std::vector<char> buffer(size + 16, 'Z');
  const uint32_t n = read(buffer.data(), size);
  for (size_t i = size; i < buffer.size(); ++i) Require(buffer[i] == 'Z', "write past the buffer");
  return {buffer, n};
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static sim::SimMachine* machine = new sim::SimMachine();
  sim::SimFiles& files = machine->fs();
  files.WriteFile(kDriverNameFile, std::string(reinterpret_cast<const char*>(data), size));

  // The section-name list ends in two zeros, cut to the buffer or not.
  for (uint32_t bufferSize : {0u, 1u, 2u, 3u, 7u, 64u, 3000u}) {
    const auto [b, n] = Guarded(bufferSize, [&](char* buffer, uint32_t s) {
      return files.GetPrivateProfileSectionNamesA(buffer, s, kDriverNameFile);
    });
    Require(bufferSize != 0 || n == 0, "size 0 returned characters");
    if (bufferSize < 2) continue;
    Require(n <= bufferSize - 2 && b[n] == '\0', "section list too long or not closed");
    Require((n > 0 && b[n - 1] == '\0') || (n == bufferSize - 2 ? b[n + 1] == '\0' : n == 0),
            "section list not closed by two zeros");
  }

  std::map<int32_t, int> perSection;
  std::map<std::string, int32_t> lastSection;
  int32_t previous = 0;
  WalkDriverNameFile(*machine, [&](int32_t section, const std::string& name) {
    Require(section >= previous, "sections out of order");
    previous = section;
    Require(++perSection[section] <= 50, "more than 50 names in a section");
    Require(!name.empty() && name.size() <= 127, "empty name or longer than 127 characters");
    Require(name.find_first_of(std::string("\n\0", 2)) == std::string::npos,
            "zero byte or line break inside a name");
    lastSection[name] = section;
  });
  // The lookup agrees with the walk: the last section holding the name.
  for (const auto& [name, section] : lastSection) {
    Require(LookupDriverName(*machine, name, -7) == section, "lookup disagrees with the walk");
  }
  Require(LookupDriverName(*machine, std::string(200, 'q'), -7) == -7, "lookup of no name");

  // Values of arbitrary sections and keys, at the edges of the buffer.
  const std::string text(reinterpret_cast<const char*>(data), size < 40 ? size : 40);
  for (uint32_t bufferSize : {0u, 1u, 2u, 128u}) {
    for (const auto& kv :
         {std::pair{text, std::string("PrintName1")}, std::pair{std::string("Receipt01"), text}}) {
      const auto [b, n] = Guarded(bufferSize, [&](char* p, uint32_t s) {
        return files.GetPrivateProfileStringA(kv.first, kv.second, nullptr, p, s, kDriverNameFile);
      });
      Require(bufferSize == 0 || (n < bufferSize && b[n] == '\0'), "value too long or not ended");
    }
  }
  return 0;
}
