#include "package/archive_entry.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/sim/sim_machine.h"

namespace {

constexpr uint32_t kMissing = 0xFFFFFFFF;
constexpr uint32_t kDirectory = 0x10;
constexpr uint32_t kArchive = 0x20;
constexpr uint32_t kReparsePoint = 0x400;

// A file system reduced to the attributes of some paths (exact spelling);
// every other path is missing. Remembers what it was asked, in order.
struct FakeAttributes {
  std::map<std::string, uint32_t> known;
  std::vector<std::string> asked;
  uint32_t operator()(const std::string& path) {
    asked.push_back(path);
    const auto found = known.find(path);
    return found == known.end() ? kMissing : found->second;
  }
};

bool Crosses(FakeAttributes& fake, const std::string& path) {
  return CrossesLink(path, [&fake](const std::string& p) { return fake(p); });
}

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

TEST(ArchiveEntryLinks, RefusesAPathThroughALinkAtAnyDepth) {
  FakeAttributes folderLink;
  folderLink.known = {{"C:\\Ticket", kDirectory}, {"C:\\Ticket\\x86", kDirectory | kReparsePoint}};
  EXPECT_TRUE(Crosses(folderLink, "C:\\Ticket\\x86\\RXF01.GPD"));

  FakeAttributes topLink;
  topLink.known = {{"C:\\Ticket", kDirectory | kReparsePoint}};
  EXPECT_TRUE(Crosses(topLink, "C:\\Ticket\\x86\\RXF01.GPD"));

  FakeAttributes fileLink;
  fileLink.known = {{"C:\\Ticket", kDirectory}, {"C:\\DriverName.cfg", kArchive | kReparsePoint}};
  EXPECT_TRUE(Crosses(fileLink, "C:\\DriverName.cfg"));

  // Forward slashes and doubled separators reach the same folders.
  FakeAttributes slashes;
  slashes.known = {{"C:/Ticket", kDirectory}, {"C:/Ticket//x86", kDirectory | kReparsePoint}};
  EXPECT_TRUE(Crosses(slashes, "C:/Ticket//x86/RXF01.GPD"));
}

TEST(ArchiveEntryLinks, AcceptsPlainAndMissingComponents) {
  FakeAttributes plain;
  plain.known = {{"C:\\Ticket", kDirectory},
                 {"C:\\Ticket\\x86", kDirectory},
                 {"C:\\Ticket\\x86\\RXF01.GPD", kArchive}};
  EXPECT_FALSE(Crosses(plain, "C:\\Ticket\\x86\\RXF01.GPD"));
  EXPECT_EQ(plain.asked, (std::vector<std::string>{"C:\\Ticket", "C:\\Ticket\\x86",
                                                   "C:\\Ticket\\x86\\RXF01.GPD"}));

  // INVALID_FILE_ATTRIBUTES has every bit set, the reparse bit included, yet
  // means "missing".
  FakeAttributes nothing;
  EXPECT_FALSE(Crosses(nothing, "C:\\Ticket\\x86\\RXF01.GPD"));
  EXPECT_EQ(nothing.asked.size(), 3u);
}

TEST(ArchiveEntryLinks, AsksAboutEveryComponentBelowTheRootOnly) {
  // The drive, a share and a device prefix are not the archive's to judge.
  const std::map<std::string, std::vector<std::string>> cases = {
      {"C:\\a\\b", {"C:\\a", "C:\\a\\b"}},
      {"c:a", {"c:a"}},
      {"\\\\server\\share\\a\\b", {"\\\\server\\share\\a", "\\\\server\\share\\a\\b"}},
      {"\\\\?\\C:\\a", {"\\\\?\\C:\\a"}},
      {"\\\\?\\UNC\\server\\share\\a", {"\\\\?\\UNC\\server\\share\\a"}},
      {"\\a\\b", {"\\a", "\\a\\b"}},
      {"a\\b\\", {"a", "a\\b"}},
  };
  for (const auto& [path, expected] : cases) {
    FakeAttributes fake;
    EXPECT_FALSE(Crosses(fake, path)) << path;
    EXPECT_EQ(fake.asked, expected) << path;
  }

  // A link as the drive's root (as a mounted folder can be) is not refused;
  // one right below it is.
  FakeAttributes rootLink;
  rootLink.known = {{"C:\\", kDirectory | kReparsePoint}, {"C:", kDirectory | kReparsePoint}};
  EXPECT_FALSE(Crosses(rootLink, "C:\\a"));
}

TEST(ArchiveEntryLinks, SeesTheLinksOfTheSimulatedMachine) {
  sim::SimMachine m;
  m.fs().MakeDirectory("C:\\Ticket\\x64");
  m.fs().MakeLink("C:\\Ticket\\x86", sim::SimFiles::kSystemDirectory);
  m.fs().WriteFile("C:\\Elsewhere\\names.cfg", "[Any]\r\n");
  m.fs().MakeLink("C:\\DriverName.cfg", "C:\\Elsewhere\\names.cfg");
  const auto attributesOf = [&m](const std::string& path) {
    return m.files().GetFileAttributesA(path);
  };

  // A folder link on the way, found whatever the case and separators.
  EXPECT_TRUE(CrossesLink("C:\\Ticket\\x86\\RXF01.GPD", attributesOf));
  EXPECT_TRUE(CrossesLink("c:/TICKET//X86/Common/RXF01.GPD", attributesOf));
  // A file link as the last component.
  EXPECT_TRUE(CrossesLink("C:\\DriverName.cfg", attributesOf));
  // Plain folders, existing or not, and what lies beside the links.
  EXPECT_FALSE(CrossesLink("C:\\Ticket\\x64\\RXF01.GPD", attributesOf));
  EXPECT_FALSE(CrossesLink("C:\\Barcode\\Common\\LXF5.PP0", attributesOf));
  EXPECT_FALSE(CrossesLink("C:\\Elsewhere\\names.cfg", attributesOf));
  // The system folder reached by its own name is no link.
  EXPECT_FALSE(CrossesLink("C:\\WINDOWS\\system32\\RXF01.GPD", attributesOf));
}

}  // namespace
