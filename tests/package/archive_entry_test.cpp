#include "package/archive_entry.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(ArchiveEntryCheck, AcceptsPlainRelativeNamesWithEitherSeparator) {
  for (const char* name :
       {"DriverName.cfg", "Ticket/x86/RXF01.GPD", "Ticket\\x64\\uniDRV.DLL", "Barcode/Common/",
        "a/./b.txt", "..name", "name..", "dir/..hidden/file", "x y/z", ".profile"}) {
    EXPECT_TRUE(IsSafeArchiveEntry(name)) << name;
  }
}

TEST(ArchiveEntryCheck, RefusesEveryWayOutOfTheDestination) {
  for (const char* name : {"../x", "..\\x", "a/../../x", "a\\..\\..\\x", "..", "a/..", "/abs",
                           "\\abs", "//server/share/x", "\\\\server\\share\\x", "\\\\?\\C:\\x",
                           "C:\\x", "C:x", "c:/x", "a/b:stream", ". ./x", "a/... /x", "a/ /x"}) {
    EXPECT_FALSE(IsSafeArchiveEntry(name)) << name;
  }
}

TEST(ArchiveEntryCheck, RefusesEmptyAndControlCharacterNames) {
  EXPECT_FALSE(IsSafeArchiveEntry(""));
  EXPECT_FALSE(IsSafeArchiveEntry("."));
  EXPECT_FALSE(IsSafeArchiveEntry("./"));
  EXPECT_FALSE(IsSafeArchiveEntry(std::string("a\0b", 3)));
  EXPECT_FALSE(IsSafeArchiveEntry("a\nb"));
}

}  // namespace
