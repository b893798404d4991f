#include "install/environment_probe.h"
#include "checked_machine.h"

#include <gtest/gtest.h>

#include "shell_fixture.h"

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
  }
}

TEST(WindowsVersionCode, FallsBackToThePlainRecordAndGivesUpWhenBothFail) {
  CheckedMachine m;
  m.sys().SetVersion(2, 5, 1);
  m.sys().SetExtendedVersionQueryWorks(false);
  EXPECT_EQ(WindowsVersionCode(m), 6);
  EXPECT_EQ(m.faults().Calls("GetVersionExA"), 2u);
  CheckedMachine failing;
  failing.faults().Fail("GetVersionExA", win::ERROR_INVALID_PARAMETER, {.times = 2});
  EXPECT_EQ(WindowsVersionCode(failing), -1);
}

TEST(RunningOnWow64, FalseWhenTheFunctionIsMissingOrFails) {
  CheckedMachine m;
  m.sys().Set64Bit(true);
  EXPECT_TRUE(RunningOnWow64(m));
  m.faults().Fail("IsWow64Process", win::ERROR_ACCESS_DENIED);
  EXPECT_FALSE(RunningOnWow64(m));
  m.sys().SetHasIsWow64Process(false);
  EXPECT_FALSE(RunningOnWow64(m));
}

TEST(EnvironmentLine, StatusLineNamesVersionAndBitness) {
  struct Case {
    uint32_t major, minor;
    bool is64Bit, hasIsWow64;
    const char* line;
  };
  const Case cases[] = {
      {6, 1, true, true, "Current Systems is Microsoft Windows 7  64 bit"},
      {10, 0, false, true, "Current Systems is Microsoft Windows 10  32 bit"},
      {6, 3, true, true, "Current Systems is  64 bit"},
      {5, 1, false, false, "Current Systems is Microsoft Windows XP  32 bit"},
      {6, 0, true, false, "Current Systems is Microsoft Windows vista  32 bit"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    shell_test::ShellRig rig;
    rig.m.sys().SetVersion(2, c.major, c.minor);
    rig.m.sys().Set64Bit(c.is64Bit);
    rig.m.sys().SetHasIsWow64Process(c.hasIsWow64);
    rig.AfterStartUp([&](sim::UserActions& u) { EXPECT_EQ(u.Text(IDC_STATUS), c.line); });
    EXPECT_EQ(rig.window->installation().statusText, c.line);
    EXPECT_EQ(rig.window->installation().isWow64, c.is64Bit && c.hasIsWow64);
  }
}

}  // namespace
