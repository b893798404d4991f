#include "package/work_area.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "checked_machine.h"

namespace {

class WorkArea : public ::testing::Test {
 protected:
  void SeedWorkArea() {
    m.fs().WriteFile("C:\\DriverName.cfg", "[A]\r\nPrintName1=X\r\n");
    m.fs().WriteFile("C:\\Ticket\\x86\\RXF01.GPD", "a");
    m.fs().WriteFile("C:\\Ticket\\x86\\uniDRV.DLL", "b");
    m.fs().WriteFile("C:\\Ticket\\x64\\RXF01.GPD", "c");
    m.fs().WriteFile("C:\\Barcode\\x86\\deep\\deeper\\file.bin", "e");
    m.fs().MakeDirectory("C:\\Barcode\\x64\\empty");
  }
  uint64_t Calls(const char* call) { return m.faults().Calls(call); }

  CheckedMachine m;
};

TEST_F(WorkArea, DeleteTreeRemovesNestedFoldersAndNothingMore) {
  m.fs().WriteFile("C:\\Top\\a.txt", "1");
  m.fs().WriteFile("C:\\Top\\Sub\\b.txt", "2");
  m.fs().MakeDirectory("C:\\Top\\Sub\\Empty");
  EXPECT_TRUE(DeleteTree(m, "c:\\Top"));
  EXPECT_FALSE(m.fs().Exists("C:\\Top"));
  // One search per folder, each entry taken once.
  EXPECT_EQ(Calls("FindFirstFileA"), 3u);
  EXPECT_EQ(Calls("DeleteFileA"), 2u);
  EXPECT_EQ(Calls("RemoveDirectoryA"), 3u);
  // A missing path or a file is no folder to remove.
  SeedWorkArea();
  EXPECT_FALSE(DeleteTree(m, "c:\\NoSuchFolder"));
  EXPECT_FALSE(DeleteTree(m, "c:\\DriverName.cfg"));
  EXPECT_TRUE(m.fs().Exists("C:\\DriverName.cfg"));
  EXPECT_EQ(Calls("DeleteFileA"), 2u);
}

// A read-only file stays with its folders; links left by an earlier run or
// unpacked by a foreign archive library (a folder link into the system
// folder, a file link to a system file) go as links, and what they point at
// stays.
TEST_F(WorkArea, RemovesTheThreeItemsAndNothingElse) {
  SeedWorkArea();
  m.fs().SetReadOnly("C:\\Ticket\\x86\\uniDRV.DLL");
  m.fs().WriteFile("C:\\TicketArchive\\keep.txt", "not part of the work area");
  m.fs().WriteFile("C:\\DriverName.cfg.bak", "not part of the work area");
  m.fs().WriteFile("C:\\WINDOWS\\system32\\spoolsv.exe", "system");
  m.fs().WriteFile("C:\\WINDOWS\\system32\\drivers\\disk.sys", "system");
  m.fs().MakeLink("C:\\Barcode\\x86\\sys", "C:\\WINDOWS\\system32");
  m.fs().MakeLink("C:\\Barcode\\x86\\spool.lnk", "C:\\WINDOWS\\system32\\spoolsv.exe");
  RemoveWorkArea(m);
  EXPECT_EQ(m.fs().List("C:\\"), (std::vector<std::string>{"DriverName.cfg.bak", "Setup", "Ticket",
                                                           "TicketArchive", "WINDOWS"}));
  EXPECT_EQ(m.fs().List("C:\\Ticket"), std::vector<std::string>{"x86"});
  EXPECT_EQ(m.fs().List("C:\\Ticket\\x86"), std::vector<std::string>{"uniDRV.DLL"});
  EXPECT_EQ(m.fs().ReadFile("C:\\WINDOWS\\system32\\spoolsv.exe"), "system");
  EXPECT_EQ(m.fs().ReadFile("C:\\WINDOWS\\system32\\drivers\\disk.sys"), "system");
}

TEST_F(WorkArea, PathsBeyondTheSystemLimitAreLeftAlone) {
  // "c:\Deep//<240 n>//inner.txt" is 260 characters: one past the limit,
  // where a cut path could name another file.
  const std::string longName(240, 'n');
  m.fs().WriteFile("C:\\Deep\\short.txt", "x");
  m.fs().WriteFile("C:\\Deep\\" + longName + "\\inner.txt", "y");
  EXPECT_FALSE(DeleteTree(m, "c:\\Deep"));
  EXPECT_FALSE(m.fs().Exists("C:\\Deep\\short.txt"));
  EXPECT_TRUE(m.fs().Exists("C:\\Deep\\" + longName + "\\inner.txt"));
  EXPECT_EQ(Calls("DeleteFileA"), 1u);
}

}  // namespace
