#include "package/archive_entry.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace {

TEST(ArchiveEntryCheck, AcceptsPlainRelativeNamesAndRefusesEveryWayOut) {
  for (const char* name :
       {"DriverName.cfg", "Ticket/x86/RXF01.GPD", "Ticket\\x64\\uniDRV.DLL", "Barcode/Common/",
        "a/./b.txt", "..name", "name..", "dir/..hidden/file", "x y/z", ".profile"}) {
    EXPECT_TRUE(IsSafeArchiveEntry(name)) << name;
  }
  // Every way out of the destination, and names that are no name at all.
  for (const char* name : {"../x", "..\\x", "a/../../x", "a\\..\\..\\x", "..", "a/..", "/abs",
                           "\\abs", "//server/share/x", "\\\\server\\share\\x", "\\\\?\\C:\\x",
                           "C:\\x", "C:x", "c:/x", "a/b:stream", ". ./x", "a/... /x", "a/ /x"}) {
    EXPECT_FALSE(IsSafeArchiveEntry(name)) << name;
  }
  for (const char* name : {"", ".", "./", "a\nb"}) {
    EXPECT_FALSE(IsSafeArchiveEntry(name)) << name;
  }
  EXPECT_FALSE(IsSafeArchiveEntry(std::string("a\0b", 3)));
}

// Device names open the device in any folder and with any extension; at a
// drive root only the package's own three names have a place.
TEST(ArchiveEntryCheck, RefusesDeviceNamesAndAtADriveRootAnythingButTheWorkArea) {
  const struct {
    const char* destination;
    const char* name;
    bool accepted;
  } cases[] = {
      {"C:\\", "DriverName.cfg", true},
      {"C:\\", "Ticket\\x86\\RXF01.GPD", true},
      {"C:\\", "ticket/x64/uniDRV.DLL", true},
      {"C:\\", "Barcode/Common/", true},
      {"C:\\", "Barcode", true},
      {"C:\\", "./Ticket/x86/a.dll", true},
      {"C:", "Ticket\\a", true},
      {"c:/", "BARCODE\\x86\\lbxmonNT.dll", true},
      {"C:\\", "Windows\\System32\\planted.dll", false},
      {"C:\\", "ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\StartUp\\run.bat", false},
      {"C:\\", "./Windows/System32/planted.dll", false},
      {"C:\\", "TicketX\\a", false},
      {"C:\\", "planted.dll", false},
      {"C:\\", "DriverName.cfg\\x", false},
      {"C:\\", "Ticket\\x86\\COM1.GPD", false},
      {"C:\\", "NUL", false},
      {"C:\\", "Ticket\\LPT1", false},
      {"C:\\", "Ticket\\con.txt", false},
      {"C:\\", "Ticket\\aux .inf", false},
      {"C:\\", "Barcode\\prn\\a", false},
      {"C:\\", "Ticket\\Com\xB9.dll", false},
      {"C:\\", "Ticket\\CONOUT$", false},
      // Names that only begin like a device are files.
      {"C:\\", "Ticket\\COM10.GPD", true},
      {"C:\\", "Ticket\\CONFIG.GPD", true},
      {"C:\\", "Ticket\\nul_port.txt", true},
      {"C:\\", "Ticket\\LPT.ini", true},
      // Below a folder every safe name is the package's business.
      {"C:\\Setup\\", "Windows\\System32\\a.dll", true},
      {"C:\\Setup", "readme.txt", true},
      {"C:\\Setup\\", "x86\\COM3", false},
      {"C:\\Setup\\", "..\\Windows\\a.dll", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsSafeArchiveEntryAt(c.destination, c.name), c.accepted)
        << c.destination << " + " << c.name;
  }
}

// The attributes of some paths (exact spelling), every other path missing;
// each case lists the paths it expects to be asked about, in order.
TEST(ArchiveEntryLinks, AsksAboutEveryComponentBelowTheRootAndStopsAtALink) {
  const uint32_t kDir = 0x10, kFile = 0x20, kLink = 0x400;
  const struct {
    const char* path;
    std::map<std::string, uint32_t> known;
    bool crosses;
    std::vector<std::string> asked;
  } cases[] = {
      {"C:\\T\\x\\F", {{"C:\\T", kDir}, {"C:\\T\\x", kDir | kLink}}, true, {"C:\\T", "C:\\T\\x"}},
      {"C:\\T\\x\\F", {{"C:\\T", kDir | kLink}}, true, {"C:\\T"}},
      {"C:\\F", {{"C:\\F", kFile | kLink}}, true, {"C:\\F"}},
      // Forward slashes and doubled separators reach the same folders.
      {"C:/T//x/F", {{"C:/T", kDir}, {"C:/T//x", kDir | kLink}}, true, {"C:/T", "C:/T//x"}},
      {"C:\\T\\F", {{"C:\\T", kDir}, {"C:\\T\\F", kFile}}, false, {"C:\\T", "C:\\T\\F"}},
      // INVALID_FILE_ATTRIBUTES has every bit set, the reparse bit included,
      // yet means "missing"; missing components are asked about all the same.
      {"C:\\a\\b", {}, false, {"C:\\a", "C:\\a\\b"}},
      // The drive, a share and a device prefix are not the archive's to
      // judge, even when the drive's root is a link (a mounted folder).
      {"C:\\a", {{"C:\\", kDir | kLink}, {"C:", kDir | kLink}}, false, {"C:\\a"}},
      {"c:a", {}, false, {"c:a"}},
      {"\\\\srv\\share\\a\\b", {}, false, {"\\\\srv\\share\\a", "\\\\srv\\share\\a\\b"}},
      {"\\\\?\\C:\\a", {}, false, {"\\\\?\\C:\\a"}},
      {"\\\\?\\UNC\\srv\\share\\a", {}, false, {"\\\\?\\UNC\\srv\\share\\a"}},
      {"\\a\\b", {}, false, {"\\a", "\\a\\b"}},
      {"a\\b\\", {}, false, {"a", "a\\b"}},
  };
  for (const auto& c : cases) {
    std::vector<std::string> asked;
    const auto attributesOf = [&](const std::string& p) {
      asked.push_back(p);
      const auto found = c.known.find(p);
      return found == c.known.end() ? 0xFFFFFFFFu : found->second;
    };
    EXPECT_EQ(CrossesLink(c.path, attributesOf), c.crosses) << c.path;
    EXPECT_EQ(asked, c.asked) << c.path;
  }
}

TEST(ArchiveCommandParsing, TakesTheArchiveAndDestinationOfTheExtractCommand) {
  ExtractCommand parsed;
  ASSERT_TRUE(
      ParseExtractCommand("x -y \"C:\\Setup dir\\DriverData.Drv\" -o\"C:\\\" -hide", parsed));
  EXPECT_EQ(parsed.archive, "C:\\Setup dir\\DriverData.Drv");
  EXPECT_EQ(parsed.destination, "C:\\");
  for (const char* bad :
       {"", "x -y C:\\a -oC:\\ -hide", "e -y \"a\" -o\"b\" -hide", "x -y \"a\" -o\"b\"",
        "x -y \"\" -o\"b\" -hide", "x -y \"a\" -o\"\" -hide", "x -y \"a\"b\" -o\"c\" -hide"}) {
    EXPECT_FALSE(ParseExtractCommand(bad, parsed)) << bad;
  }
}

}  // namespace
