#include "drivers/windows_version.h"

#include <gtest/gtest.h>

#include <string>

#include "checked_machine.h"
#include "platform/win_constants.h"

namespace {

TEST(WindowsVersionCode, NamesEachKnownVersionAndRefusesTheGaps) {
  struct Case {
    uint32_t platformId, major, minor;
    int32_t code;
  };
  const Case cases[] = {
      {1, 4, 0, 1},   {1, 4, 10, 2},  {1, 4, 90, 3}, {1, 4, 3, -1},  {1, 5, 0, -1},
      {2, 3, 51, 4},  {2, 4, 0, 4},   {2, 5, 0, 5},  {2, 5, 1, 6},   {2, 5, 2, 7},
      {2, 5, 3, -1},  {2, 6, 0, 8},   {2, 6, 1, 9},  {2, 6, 2, 10},  {2, 6, 3, -1},
      {2, 10, 0, 11}, {2, 10, 7, 11}, {2, 7, 0, -1}, {2, 11, 0, -1}, {3, 6, 1, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.platformId << " " << c.major << "." << c.minor);
    CheckedMachine m;
    m.sys().SetVersion(c.platformId, c.major, c.minor);
    EXPECT_EQ(WindowsVersionCode(m), c.code);
    // The extended record is taken at once: the plain one is only a fall-back.
    EXPECT_EQ(m.faults().Calls("GetVersionExA"), 1u);
  }
  std::string texts;
  for (int32_t code = -1; code <= 12; ++code) texts += WindowsVersionText(code) + std::string("|");
  EXPECT_EQ(texts,
            "||Microsoft Windows 95 |Microsoft Windows 98 |Microsoft Windows Me |Microsoft "
            "Windows NT |Microsoft Windows 2000 |Microsoft Windows XP |Microsoft Windows 2003 "
            "|Microsoft Windows vista |Microsoft Windows 7 |Microsoft Windows 8 |Microsoft "
            "Windows 10 ||");
}

TEST(WindowsVersionCode, FallsBackToThePlainRecordAndWow64IsFalseWhenItCannotBeAsked) {
  CheckedMachine m;
  m.sys().SetVersion(2, 5, 1);
  m.sys().SetExtendedVersionQueryWorks(false);
  EXPECT_EQ(WindowsVersionCode(m), 6);
  EXPECT_EQ(m.faults().Calls("GetVersionExA"), 2u);
  m.faults().Fail("GetVersionExA", win::ERROR_INVALID_PARAMETER, {.times = 2});
  EXPECT_EQ(WindowsVersionCode(m), -1);

  m.sys().Set64Bit(true);
  EXPECT_TRUE(RunningOnWow64(m));
  m.faults().Fail("IsWow64Process", win::ERROR_ACCESS_DENIED);
  EXPECT_FALSE(RunningOnWow64(m));
  m.sys().SetHasIsWow64Process(false);
  EXPECT_FALSE(RunningOnWow64(m));
}

}  // namespace
