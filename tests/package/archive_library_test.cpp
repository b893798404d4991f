#include "package/archive_library.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "checked_machine.h"
#include "package_fixture.h"
#include "platform/win_constants.h"

namespace {

constexpr const char* kArchive = "C:\\Setup\\DriverData.Drv";

// Each load frees the earlier one; every failure gives zero, an unpacked
// package two.
TEST(ArchiveLibrary, EachLoadFreesTheEarlierOneAndEveryFailureGivesZero) {
  ASSERT_FALSE(package_test::SampleCabinet().empty()) << "gcab could not pack the sample";
  CheckedMachine m;
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
  m.simArchive().SetPresent(true);
  EXPECT_EQ(library.Extract(kArchive, "C:\\"), 2);
  // Every call runs for the library's owner window, registered around it.
  const sim::SimArchive::CallOwner owned{0x42, 0x42};
  EXPECT_EQ(m.simArchive().callOwners(),
            (std::vector<sim::SimArchive::CallOwner>{owned, owned, owned}));
  EXPECT_EQ(m.simArchive().registeredOwner(), 0u);

  // A second extraction over the first: every file is made new, none is
  // overwritten, so each one in the way fails the extraction and stays.
  m.fs().WriteFile("C:\\Ticket\\x86\\uniDRV.DLL", "put there");
  EXPECT_EQ(library.Extract(kArchive, "C:\\"), 0);
  EXPECT_EQ(m.fs().ReadFile("C:\\Ticket\\x86\\uniDRV.DLL"), "put there");
}

}  // namespace
