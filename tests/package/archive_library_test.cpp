#include "package/archive_library.h"

#include <gtest/gtest.h>

#include <string>

#include "checked_machine.h"
#include "package_fixture.h"
#include "platform/win_constants.h"

namespace {

constexpr const char* kArchive = "C:\\Setup\\DriverData.Drv";

class ArchiveLibraryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(package_test::SampleCabinet().empty()) << "gcab could not pack the sample";
  }
  CheckedMachine m;
};

TEST_F(ArchiveLibraryTest, UnpacksThePackageWithTheLibrarysCommandAndPauses) {
  m.fs().WriteFile(kArchive, package_test::SampleCabinet());
  const uint64_t sleptBefore = m.simClock().SleptMs();
  {
    ArchiveLibrary library(m);
    library.SetOwnerWindow(0x1234);
    EXPECT_EQ(library.Extract(kArchive, "C:\\"), 2);
    // Still loaded until unloaded or destroyed (the machine checks the latter).
    EXPECT_TRUE(m.simArchive().IsLoaded());
    EXPECT_EQ(m.simArchive().registeredOwner(), 0u);
  }
  EXPECT_EQ(m.simArchive().lastLoadedName(), "7-zip32.dll");
  EXPECT_EQ(m.simArchive().commands(),
            std::vector<std::string>{"x -y \"C:\\Setup\\DriverData.Drv\" -o\"C:\\\" -hide"});
  EXPECT_EQ(m.simClock().SleptMs() - sleptBefore, 120u);
  for (const std::string& name : package::SamplePackageFiles()) {
    std::string windowsName = "C:\\" + name;
    for (char& c : windowsName) c = c == '/' ? '\\' : c;
    EXPECT_EQ(m.fs().ReadFile(windowsName), name == "DriverName.cfg"
                                                ? package::SampleDriverNameFile()
                                                : package::PlaceholderContent(name));
  }
}

// Each load frees the earlier one; every failure gives zero.
TEST_F(ArchiveLibraryTest, EveryFailureGivesZero) {
  ArchiveLibrary library(m);
  EXPECT_EQ(library.Load(), 1);
  EXPECT_EQ(library.Load(), 1);
  EXPECT_EQ(m.simArchive().freeCount(), 1);
  library.Unload();
  library.Unload();  // nothing loaded: nothing freed
  EXPECT_EQ(m.simArchive().freeCount(), 2);
  // No archive: the library is loaded but not called.
  EXPECT_EQ(library.Extract(kArchive, "C:\\"), 0);
  EXPECT_EQ(m.simArchive().loadCount(), 3);
  EXPECT_TRUE(m.simArchive().commands().empty());

  m.fs().WriteFile(kArchive, "not a cabinet");
  library.SetOwnerWindow(0x42);
  EXPECT_EQ(library.Extract(kArchive, "C:\\"), 0);
  EXPECT_EQ(m.simArchive().registeredOwner(), 0u);

  m.fs().WriteFile(kArchive, package_test::SampleCabinet());
  m.simArchive().FailWith(7);
  EXPECT_EQ(library.Extract(kArchive, "C:\\"), 0);
  EXPECT_EQ(m.simArchive().commands().size(), 2u);

  m.simArchive().FailWith(0);
  m.simArchive().SetPresent(false);
  EXPECT_EQ(library.Load(), 0);
  EXPECT_EQ(m.GetLastError(), win::ERROR_MOD_NOT_FOUND);
  EXPECT_EQ(library.Extract(kArchive, "C:\\"), 0);
  EXPECT_EQ(m.simArchive().commands().size(), 2u);
  EXPECT_FALSE(m.fs().Exists("C:\\DriverName.cfg"));
}

}  // namespace
