#include "package/archive_library.h"

#include <gtest/gtest.h>

#include <string>

#include "package/archive_entry.h"
#include "package_fixture.h"
#include "package_layout.h"
#include "platform/sim/sim_machine.h"
#include "platform/win_constants.h"

namespace {

constexpr const char* kArchive = "C:\\Setup\\DriverData.Drv";

class ArchiveLibraryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(package_test::SampleCabinet().empty()) << "gcab could not pack the sample";
  }
  sim::SimMachine m;
};

TEST_F(ArchiveLibraryTest, UnpacksThePackageWithTheLibrarysCommandAndPauses) {
  m.fs().WriteFile(kArchive, package_test::SampleCabinet());
  const uint64_t sleptBefore = m.simClock().SleptMs();
  {
    ArchiveLibrary library(m);
    library.SetOwnerWindow(0x1234);
    EXPECT_EQ(library.Extract(kArchive, "C:\\"), 2);
    // Still loaded until unloaded or destroyed.
    EXPECT_TRUE(m.simArchive().IsLoaded());
    EXPECT_EQ(m.simArchive().registeredOwner(), 0u);
  }
  EXPECT_FALSE(m.simArchive().IsLoaded());
  EXPECT_EQ(m.simArchive().lastLoadedName(), "7-zip32.dll");
  ASSERT_EQ(m.simArchive().commands().size(), 1u);
  EXPECT_EQ(m.simArchive().commands()[0], "x -y \"C:\\Setup\\DriverData.Drv\" -o\"C:\\\" -hide");
  EXPECT_EQ(m.simClock().SleptMs() - sleptBefore, 120u);

  for (const std::string& name : package::SamplePackageFiles()) {
    std::string windowsName = "C:\\" + name;
    for (char& c : windowsName) {
      if (c == '/') c = '\\';
    }
    const auto content = m.fs().ReadFile(windowsName);
    ASSERT_TRUE(content.has_value()) << windowsName;
    if (name != "DriverName.cfg") {
      EXPECT_EQ(*content, package::PlaceholderContent(name));
    }
  }
  EXPECT_EQ(m.fs().ReadFile("C:\\DriverName.cfg"), package::SampleDriverNameFile());
}

TEST_F(ArchiveLibraryTest, AbsentLibraryGivesZeroWithoutCallingIt) {
  m.fs().WriteFile(kArchive, package_test::SampleCabinet());
  m.simArchive().SetPresent(false);
  ArchiveLibrary library(m);
  EXPECT_EQ(library.Load(), 0);
  EXPECT_EQ(m.GetLastError(), win::ERROR_MOD_NOT_FOUND);
  EXPECT_EQ(library.Extract(kArchive, "C:\\"), 0);
  EXPECT_TRUE(m.simArchive().commands().empty());
  EXPECT_FALSE(m.fs().Exists("C:\\DriverName.cfg"));
}

TEST_F(ArchiveLibraryTest, MissingArchiveGivesZeroWithoutCallingTheLibrary) {
  ArchiveLibrary library(m);
  EXPECT_EQ(library.Extract(kArchive, "C:\\"), 0);
  EXPECT_TRUE(m.simArchive().commands().empty());
  EXPECT_EQ(m.simArchive().loadCount(), 1);
}

TEST_F(ArchiveLibraryTest, LibraryErrorGivesZeroAndEndsTheRegistration) {
  m.fs().WriteFile(kArchive, "not a cabinet");
  ArchiveLibrary library(m);
  library.SetOwnerWindow(0x42);
  EXPECT_EQ(library.Extract(kArchive, "C:\\"), 0);
  EXPECT_EQ(m.simArchive().registeredOwner(), 0u);

  m.fs().WriteFile(kArchive, package_test::SampleCabinet());
  m.simArchive().FailWith(7);
  EXPECT_EQ(library.Extract(kArchive, "C:\\"), 0);
  m.simArchive().FailWith(0);
  EXPECT_EQ(library.Extract(kArchive, "C:\\"), 2);
}

TEST_F(ArchiveLibraryTest, EachLoadFreesTheEarlierOne) {
  ArchiveLibrary library(m);
  EXPECT_EQ(library.Load(), 1);
  EXPECT_EQ(library.Load(), 1);
  EXPECT_EQ(m.simArchive().freeCount(), 1);
  library.Unload();
  EXPECT_EQ(m.simArchive().freeCount(), 2);
  library.Unload();  // nothing loaded: nothing freed
  EXPECT_EQ(m.simArchive().freeCount(), 2);
}

TEST_F(ArchiveLibraryTest, HostileEntriesAreRefusedAndTheRestUnpacked) {
  m.fs().WriteFile("C:\\Setup\\victim.txt", "original");
  m.fs().WriteFile(kArchive, package_test::RawCabinet({{"..\\victim.txt", "escaped"},
                                                       {"../victim.txt", "escaped"},
                                                       {"C:\\Setup\\victim.txt", "drive"},
                                                       {"\\Setup\\victim.txt", "absolute"},
                                                       {"Ticket\\x86\\RXF01.GPD", "gpd"}}));
  ArchiveLibrary library(m);
  // The library reports the refusal; the safe entry is there all the same.
  EXPECT_EQ(library.Extract(kArchive, "C:\\Setup\\dest"), 0);
  EXPECT_EQ(m.fs().ReadFile("C:\\Setup\\victim.txt"), "original");
  EXPECT_EQ(m.fs().ReadFile("C:\\Setup\\dest\\Ticket\\x86\\RXF01.GPD"), "gpd");
  EXPECT_EQ(m.simArchive().lastReport().refused.size(), 4u);
}

TEST_F(ArchiveLibraryTest, ASecondRunOverwritesTheOldWorkArea) {
  m.fs().WriteFile("C:\\DriverName.cfg", "[Old]\r\nPrintName1=Stale\r\n");
  m.fs().WriteFile("C:\\Ticket\\x86\\RXF01.GPD", "stale and longer than the placeholder text");
  m.fs().SetReadOnly("C:\\Ticket\\x86\\RXF01.GPD");
  m.fs().WriteFile(kArchive, package_test::SampleCabinet());
  ArchiveLibrary library(m);
  EXPECT_EQ(library.Extract(kArchive, "C:\\"), 2);
  EXPECT_EQ(m.fs().ReadFile("C:\\DriverName.cfg"), package::SampleDriverNameFile());
  EXPECT_EQ(m.fs().ReadFile("C:\\Ticket\\x86\\RXF01.GPD"),
            package::PlaceholderContent("Ticket/x86/RXF01.GPD"));
  EXPECT_EQ(m.fs().GetFileAttributesA("C:\\Ticket\\x86\\RXF01.GPD") & win::FILE_ATTRIBUTE_READONLY,
            0u);
}

}  // namespace
