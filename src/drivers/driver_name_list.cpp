#include "drivers/driver_name_list.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kSectionListSize = 3000;
constexpr uint32_t kNameBufferSize = 128;
constexpr int kMaxNamesPerSection = 50;

}  // namespace

void WalkDriverNameFile(
    platform::Machine& machine,
    const std::function<void(int32_t section, const std::string& name)>& visit) {
  platform::FileSystem& files = machine.files();
  char sections[kSectionListSize] = {};
  const uint32_t length =
      files.GetPrivateProfileSectionNamesA(sections, kSectionListSize, kDriverNameFile);
  // A list too long for the buffer comes back cut, with the length size - 2
  // and its last name a stub of a longer one: that stub could equal an
  // earlier section's name and read its names again at a later position.
  // So a name that reaches the length of a cut list is not a section.
  const bool cut = length >= kSectionListSize - 2;

  int32_t position = -1;
  uint32_t start = 0;
  // The scan stops short of the last byte, so the byte after a name's zero
  // is always inside the buffer.
  for (uint32_t index = 0; index < kSectionListSize - 1; ++index) {
    if (sections[index] != '\0') continue;
    // An empty name can only be the empty list.
    if (index == start) break;
    if (cut && index >= length) break;
    // The full name is used, however long: a name cut short would read
    // another section's names, or none.
    const std::string section(sections + start, index - start);
    ++position;
    for (int n = 1; n <= kMaxNamesPerSection; ++n) {
      char value[kNameBufferSize] = {};
      const std::string key = "PrintName" + std::to_string(n);
      const uint32_t length = files.GetPrivateProfileStringA(section, key, nullptr, value,
                                                             kNameBufferSize, kDriverNameFile);
      if (length == 0) break;
      visit(position, std::string(value, std::min<uint32_t>(length, kNameBufferSize - 1)));
    }
    if (sections[index + 1] == '\0') break;
    start = index + 1;
  }
}

std::vector<std::string> DriverNameList(platform::Machine& machine) {
  std::vector<std::string> names;
  WalkDriverNameFile(machine, [&](int32_t, const std::string& name) { names.push_back(name); });
  return names;
}

int32_t LookupDriverName(platform::Machine& machine, const std::string& name, int32_t keepRow) {
  int32_t row = keepRow;
  WalkDriverNameFile(machine, [&](int32_t section, const std::string& value) {
    if (value == name) row = section;
  });
  return row;
}
