#include "package/work_area.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "checked_machine.h"
#include "platform/win_constants.h"

namespace {

using Names = std::vector<std::string>;

const char* const kStandardUser = "S-1-5-21-1004336348-1177238915-682003330-1001";

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
  EXPECT_EQ(m.fs().List("C:\\"),
            (Names{"DriverName.cfg.bak", "Setup", "Ticket", "TicketArchive", "WINDOWS"}));
  EXPECT_EQ(m.fs().List("C:\\Ticket"), Names{"x86"});
  EXPECT_EQ(m.fs().List("C:\\Ticket\\x86"), Names{"uniDRV.DLL"});
  EXPECT_EQ(m.fs().ReadFile("C:\\WINDOWS\\system32\\spoolsv.exe"), "system");
  EXPECT_EQ(m.fs().ReadFile("C:\\WINDOWS\\system32\\drivers\\disk.sys"), "system");
}

// A standard user may create folders in C:\ and make them junctions. The
// clean-up runs as administrator (or SYSTEM) after every run: a link at the
// top goes as the link, as one below does, and what it points at stays.
TEST_F(WorkArea, ALinkAtTheTopGoesAsTheLinkAndItsTargetStays) {
  m.fs().WriteFile("C:\\Shop\\till.db", "sales");
  m.fs().WriteFile("C:\\Shop\\Sub\\keep.txt", "kept");
  m.fs().WriteFile("C:\\WINDOWS\\system32\\hosts.ini", "system");
  m.fs().MakeLink("C:\\Ticket", "C:\\Shop");
  m.fs().SetOwner("C:\\Ticket", kStandardUser);
  m.fs().MakeLink("C:\\Barcode", "C:\\WINDOWS\\system32");
  m.fs().MakeLink("C:\\DriverName.cfg", "C:\\WINDOWS\\system32\\hosts.ini");
  RemoveWorkArea(m);
  EXPECT_EQ(m.fs().List("C:\\"), (Names{"Setup", "Shop", "WINDOWS"}));
  EXPECT_EQ(m.fs().ReadFile("C:\\Shop\\till.db"), "sales");
  EXPECT_EQ(m.fs().ReadFile("C:\\Shop\\Sub\\keep.txt"), "kept");
  EXPECT_EQ(m.fs().ReadFile("C:\\WINDOWS\\system32\\hosts.ini"), "system");
  EXPECT_EQ(Calls("FindFirstFileA"), 0u) << "no link is searched";

  // DeleteTree on a link of its own, the same.
  m.fs().MakeLink("C:\\Other", "C:\\Shop");
  EXPECT_TRUE(DeleteTree(m, "c:\\Other"));
  EXPECT_EQ(m.fs().List("C:\\Shop"), (Names{"Sub", "till.db"}));
}

// Another account's folder is not the installer's to clean: its owner could
// swap a folder below it for a junction between the listing and the descent.
TEST_F(WorkArea, AnotherUsersEntriesAreLeftAlone) {
  SeedWorkArea();
  m.fs().SetOwner("C:\\Barcode", kStandardUser);
  m.fs().SetOwner("C:\\DriverName.cfg", kStandardUser);
  RemoveWorkArea(m);
  EXPECT_EQ(m.fs().List("C:\\"), (Names{"Barcode", "DriverName.cfg", "Setup", "WINDOWS"}));
  EXPECT_EQ(m.fs().ReadFile("C:\\Barcode\\x86\\deep\\deeper\\file.bin"), "e");
  EXPECT_EQ(m.fs().List("C:\\Barcode\\x64"), Names{"empty"});
}

// What makes an entry unfit for use, in the order the start-up looks.
TEST_F(WorkArea, UnsafeEntriesAreLinksAndOtherAccountsEntries) {
  EXPECT_EQ(UnsafeWorkAreaEntry(m), "") << "nothing there";
  SeedWorkArea();
  m.fs().SetOwner("C:\\Ticket", platform::kSidSystem);
  m.fs().SetOwner("C:\\DriverName.cfg", platform::kSidTrustedInstaller);
  // Made by the installer's own account where objects belong to their
  // creator.
  m.fs().SetOwner("C:\\Barcode", sim::SimSecurity::kDefaultProcessUser);
  EXPECT_EQ(UnsafeWorkAreaEntry(m), "");
  // Only the three entries themselves count: a link below is removed as a
  // link when the work area is renewed.
  m.fs().MakeLink("C:\\Ticket\\x86\\sys", "C:\\WINDOWS\\system32");
  EXPECT_EQ(UnsafeWorkAreaEntry(m), "");
  m.fs().SetOwner("C:\\DriverName.cfg", kStandardUser);
  EXPECT_EQ(UnsafeWorkAreaEntry(m), "C:\\DriverName.cfg");
  m.fs().SetOwner("C:\\Barcode", "S-1-1-0");  // Everyone
  EXPECT_EQ(UnsafeWorkAreaEntry(m), "C:\\Barcode");
  DeleteTree(m, "C:\\Ticket");
  m.fs().MakeDirectory("C:\\Elsewhere");
  m.fs().MakeLink("C:\\Ticket", "C:\\Elsewhere");  // made by an administrator: still a link
  EXPECT_EQ(UnsafeWorkAreaEntry(m), "C:\\Ticket");
  // An owner that cannot be read was hidden by someone.
  m.fs().SetOwner("C:\\Barcode", platform::kSidAdministrators);
  m.fs().SetOwner("C:\\DriverName.cfg", platform::kSidAdministrators);
  m.fs().RemoveDirectoryA("C:\\Ticket");
  m.faults().Fail("GetEntryOwnerA", win::ERROR_ACCESS_DENIED, {.fromCall = 2});
  EXPECT_EQ(UnsafeWorkAreaEntry(m), "C:\\Barcode");
}

// The folders are made anew for each unpacking; one that someone made in
// the moment between the removal and the creation is not used.
TEST_F(WorkArea, RenewedFoldersAreTheInstallersOwnAndProtected) {
  SeedWorkArea();
  EXPECT_EQ(RenewWorkArea(m), "");
  EXPECT_EQ(m.fs().List("C:\\"), (Names{"Barcode", "Setup", "Ticket", "WINDOWS"}));
  for (const char* folder : {"C:\\Ticket", "C:\\Barcode"}) {
    EXPECT_TRUE(m.fs().List(folder).empty()) << folder;
    EXPECT_EQ(m.fs().OwnerOf(folder), platform::kSidAdministrators);
    const auto security = m.fs().SecurityOf(folder);
    ASSERT_TRUE(security.has_value()) << folder;
    std::vector<std::pair<std::string, uint32_t>> allowed;
    for (const auto& entry : security->allowed) allowed.emplace_back(entry.sid, entry.access);
    EXPECT_EQ(allowed, (std::vector<std::pair<std::string, uint32_t>>{
                           {platform::kSidSystem, win::FILE_ALL_ACCESS},
                           {platform::kSidAdministrators, win::FILE_ALL_ACCESS},
                           {platform::kSidUsers, 0x1200A9u}}))
        << "users may read and execute, not write";
  }
  m.faults().Fail("CreateSecuredDirectoryA", win::ERROR_ALREADY_EXISTS, {.fromCall = 2});
  EXPECT_EQ(RenewWorkArea(m), "C:\\Barcode");
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
