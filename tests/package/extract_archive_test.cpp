// Unpacking with libarchive as the simulated machine and the package tools
// do: hostile entries are refused, the rest lands below the destination.
#include <archive.h>
#include <archive_entry.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "package_layout.h"
#include "platform/sim/sim_archive.h"

namespace fs = std::filesystem;

namespace {

struct Entry {
  enum Kind { File, Folder, Symlink };
  Entry(std::string n, std::string c, Kind k = File, std::string l = "")
      : name(std::move(n)), content(std::move(c)), kind(k), link(std::move(l)) {}
  std::string name;
  std::string content;
  Kind kind;
  std::string link;
};

class TempDir {
 public:
  TempDir() {
    std::string pattern = (fs::temp_directory_path() / "pkgtestXXXXXX").string();
    path_ = mkdtemp(pattern.data());
  }
  ~TempDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

// Writes an archive of the given libarchive format with the entries as they
// are, names unchecked: the writer is the attacker here.
void WriteArchive(const fs::path& file, int format, const std::vector<Entry>& entries) {
  struct archive* a = archive_write_new();
  ASSERT_EQ(archive_write_set_format(a, format), ARCHIVE_OK);
  ASSERT_EQ(archive_write_open_filename(a, file.c_str()), ARCHIVE_OK);
  for (const Entry& e : entries) {
    struct archive_entry* entry = archive_entry_new();
    archive_entry_set_pathname(entry, e.name.c_str());
    switch (e.kind) {
      case Entry::File:
        archive_entry_set_filetype(entry, AE_IFREG);
        archive_entry_set_size(entry, static_cast<la_int64_t>(e.content.size()));
        break;
      case Entry::Folder:
        archive_entry_set_filetype(entry, AE_IFDIR);
        break;
      case Entry::Symlink:
        archive_entry_set_filetype(entry, AE_IFLNK);
        archive_entry_set_symlink(entry, e.link.c_str());
        break;
    }
    archive_entry_set_perm(entry, e.kind == Entry::Folder ? 0755 : 0644);
    ASSERT_EQ(archive_write_header(a, entry), ARCHIVE_OK) << e.name;
    if (e.kind == Entry::File && !e.content.empty()) {
      ASSERT_EQ(archive_write_data(a, e.content.data(), e.content.size()),
                static_cast<la_ssize_t>(e.content.size()));
    }
    archive_entry_free(entry);
  }
  ASSERT_EQ(archive_write_close(a), ARCHIVE_OK);
  archive_write_free(a);
}

std::string ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

sim::EntryPathMapper Below(const fs::path& root) {
  return [root](const std::string& name) {
    std::string relative = name;
    std::replace(relative.begin(), relative.end(), '\\', '/');
    return root / relative;
  };
}

// Every regular file below `root`, relative.
std::vector<std::string> FilesBelow(const fs::path& root) {
  std::vector<std::string> files;
  for (const auto& e : fs::recursive_directory_iterator(root)) {
    if (e.is_regular_file() || e.is_symlink()) {
      files.push_back(fs::relative(e.path(), root).generic_string());
    }
  }
  std::sort(files.begin(), files.end());
  return files;
}

class HostileArchive : public ::testing::TestWithParam<int> {};

TEST_P(HostileArchive, RefusesEscapingEntriesAndLinksAndExtractsTheRest) {
  TempDir dir;
  const fs::path archive = dir.path() / "hostile.arc";
  const fs::path destination = dir.path() / "drive" / "dest";
  fs::create_directories(destination);
  const fs::path victim = dir.path() / "drive" / "victim.txt";
  std::ofstream(victim) << "original";

  WriteArchive(archive, GetParam(),
               {{"DriverName.cfg", "[A]\r\nPrintName1=X\r\n"},
                {"../victim.txt", "overwritten by ../"},
                {"..\\victim.txt", "overwritten by ..\\"},
                {"/abs-" + std::to_string(getpid()), "absolute"},
                {"C:\\x.txt", "drive letter"},
                {"Ticket/link", "", Entry::Symlink, victim.string()},
                {"Ticket/x86/RXF01.GPD", "gpd"}});

  const sim::ExtractReport report = sim::ExtractArchive(archive, Below(destination));
  EXPECT_TRUE(report.opened);
  EXPECT_TRUE(report.complete) << report.error;
  EXPECT_EQ(ReadAll(victim), "original");
  EXPECT_FALSE(fs::exists("/abs-" + std::to_string(getpid())));
  EXPECT_EQ(FilesBelow(destination),
            (std::vector<std::string>{"DriverName.cfg", "Ticket/x86/RXF01.GPD"}));
  EXPECT_EQ(ReadAll(destination / "Ticket/x86/RXF01.GPD"), "gpd");
  std::vector<std::string> refused = report.refused;
  std::sort(refused.begin(), refused.end());
  EXPECT_EQ(refused.size(), 5u);
  EXPECT_NE(std::find(refused.begin(), refused.end(), "Ticket/link"), refused.end());
  EXPECT_EQ(report.extracted.size(), 2u);
}

INSTANTIATE_TEST_SUITE_P(Formats, HostileArchive,
                         ::testing::Values(ARCHIVE_FORMAT_ZIP, ARCHIVE_FORMAT_7ZIP));

TEST(ExtractArchive, DoesNotFollowALinkAlreadyInTheDestination) {
  TempDir dir;
  const fs::path destination = dir.path() / "dest";
  const fs::path outside = dir.path() / "outside";
  fs::create_directories(destination);
  fs::create_directories(outside);
  fs::create_directory_symlink(outside, destination / "Ticket");
  const fs::path archive = dir.path() / "a.zip";
  WriteArchive(archive, ARCHIVE_FORMAT_ZIP, {{"Ticket/x86/a.GPD", "through the link"}});

  sim::ExtractArchive(archive, Below(destination));
  EXPECT_TRUE(fs::is_empty(outside));
}

TEST(ExtractArchive, ReportsAFileThatIsNoArchive) {
  TempDir dir;
  const fs::path notArchive = dir.path() / "DriverData.Drv";
  std::ofstream(notArchive) << "this is plain text, not an archive";
  const sim::ExtractReport report = sim::ExtractArchive(notArchive, Below(dir.path() / "d"));
  EXPECT_FALSE(report.opened && report.complete);
  EXPECT_TRUE(report.extracted.empty());
  const sim::ExtractReport missing = sim::ExtractArchive(dir.path() / "none", Below(dir.path()));
  EXPECT_FALSE(missing.opened);
}

TEST(ExtractArchive, OverwritesFilesLeftByAnEarlierRun) {
  TempDir dir;
  const fs::path destination = dir.path() / "dest";
  fs::create_directories(destination / "Ticket");
  std::ofstream(destination / "Ticket" / "a.GPD") << "old contents, longer than the new";
  const fs::path archive = dir.path() / "a.7z";
  WriteArchive(archive, ARCHIVE_FORMAT_7ZIP, {{"Ticket/a.GPD", "new"}});
  const sim::ExtractReport report = sim::ExtractArchive(archive, Below(destination));
  EXPECT_TRUE(report.complete) << report.error;
  EXPECT_EQ(ReadAll(destination / "Ticket" / "a.GPD"), "new");
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

TEST(PackageCabinet, SamplePackageSurvivesTheRoundTripThroughGcab) {
  TempDir dir;
  std::string error;
  ASSERT_TRUE(package::WriteSamplePackage(dir.path() / "folder", {}, error)) << error;
  const fs::path cab = dir.path() / "DriverData.Drv";
  ASSERT_TRUE(package::BuildCabinet(dir.path() / "folder", cab, error)) << error;

  const sim::ExtractReport report = sim::ExtractArchive(cab, Below(dir.path() / "out"));
  ASSERT_TRUE(report.complete) << report.error;
  EXPECT_TRUE(report.refused.empty());
  std::vector<std::string> expected = package::SamplePackageFiles();
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(FilesBelow(dir.path() / "out"), expected);
  EXPECT_EQ(ReadAll(dir.path() / "out" / "DriverName.cfg"), package::SampleDriverNameFile());
  EXPECT_EQ(ReadAll(dir.path() / "out" / "Barcode/x64/LBXPBR56.DLL"),
            package::PlaceholderContent("Barcode/x64/LBXPBR56.DLL"));
}

TEST(PackageCabinet, RefusesAFolderWithALink) {
  TempDir dir;
  fs::create_directories(dir.path() / "folder" / "Ticket");
  std::ofstream(dir.path() / "folder" / "DriverName.cfg") << "[A]\r\n";
  fs::create_symlink("/etc/passwd", dir.path() / "folder" / "Ticket" / "x");
  std::string error;
  EXPECT_FALSE(package::BuildCabinet(dir.path() / "folder", dir.path() / "out.cab", error));
  EXPECT_NE(error.find("link"), std::string::npos) << error;
  EXPECT_FALSE(fs::exists(dir.path() / "out.cab"));
}

}  // namespace

namespace {

TEST(HostileCabinet, RefusesEscapingNamesWithBackslashesAndExtractsTheRest) {
  TempDir dir;
  const fs::path destination = dir.path() / "drive" / "dest";
  fs::create_directories(destination);
  const fs::path cab = dir.path() / "raw.cab";
  std::string error;
  ASSERT_TRUE(package::WriteStoredCabinet(cab,
                                          {{"..\\victim.txt", "escaped"},
                                           {"Ticket\\x86\\RXF01.GPD", std::string(70000, 'g')},
                                           {"C:\\x.txt", "drive"},
                                           {"\\abs.txt", "absolute"},
                                           {"Barcode\\..\\..\\up.txt", "up"},
                                           {"DriverName.cfg", "[A]\r\n"}},
                                          error))
      << error;
  const sim::ExtractReport report = sim::ExtractArchive(cab, Below(destination));
  EXPECT_TRUE(report.complete) << report.error;
  EXPECT_EQ(report.refused.size(), 4u);
  EXPECT_EQ(FilesBelow(dir.path()),
            (std::vector<std::string>{"drive/dest/DriverName.cfg",
                                      "drive/dest/Ticket/x86/RXF01.GPD", "raw.cab"}));
  // Spans three data blocks of the cabinet.
  EXPECT_EQ(ReadAll(destination / "Ticket/x86/RXF01.GPD"), std::string(70000, 'g'));
}

}  // namespace
