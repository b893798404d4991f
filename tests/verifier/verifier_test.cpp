#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "package_layout.h"
#include "package_verifier.h"

namespace fs = std::filesystem;

namespace {

class PackageVerifier : public ::testing::Test {
 protected:
  fs::path dir;

  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "verifier-test-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir = pattern;
    std::string error;
    ASSERT_TRUE(package::WriteSamplePackage(dir / "pkg", {}, error)) << error;
  }
  void TearDown() override { fs::remove_all(dir); }

  std::string NameList() {
    std::ifstream in(dir / "pkg" / "DriverName.cfg", std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }
  void SetNameList(const std::string& text) {
    std::ofstream(dir / "pkg" / "DriverName.cfg", std::ios::binary) << text;
  }
  void Replace(const std::string& from, const std::string& to) {
    std::string text = NameList();
    const size_t at = text.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    text.replace(at, from.size(), to);
    SetNameList(text);
  }

  std::vector<std::string> Findings(const verifier::Report& report) {
    EXPECT_TRUE(report.readable) << report.error;
    std::vector<std::string> lines;
    for (const auto& f : report.findings) {
      lines.push_back(f.kind + " " + std::to_string(f.row) + " " + f.arch + " " + f.detail);
    }
    return lines;
  }
  std::vector<std::string> VerifyFolder() { return Findings(verifier::VerifyFolder(dir / "pkg")); }
};

TEST_F(PackageVerifier, TheSamplePackageIsCleanAsAFolderAndAsACabinet) {
  EXPECT_EQ(VerifyFolder(), std::vector<std::string>{});
  std::string error;
  ASSERT_TRUE(package::BuildCabinet(dir / "pkg", dir / "DriverData.Drv", error)) << error;
  EXPECT_EQ(Findings(verifier::VerifyArchive(dir / "DriverData.Drv")), std::vector<std::string>{});
}

TEST_F(PackageVerifier, AMissingEngineDllIsReportedForEveryLabelRowOfThatArchitecture) {
  fs::remove(dir / "pkg" / "Barcode" / "x64" / "LBXENG56.DLL");
  std::vector<std::string> expected;
  for (int row = 52; row <= 56; ++row) {
    expected.push_back("missing-file " + std::to_string(row) + " x64 Barcode/x64/LBXENG56.DLL");
  }
  EXPECT_EQ(VerifyFolder(), expected);
}

TEST_F(PackageVerifier, FilesAreFoundWhateverTheirLetterCase) {
  fs::rename(dir / "pkg" / "Ticket" / "x86" / "RXF12.DLL",
             dir / "pkg" / "Ticket" / "x86" / "rxf12.dll");
  EXPECT_EQ(VerifyFolder(), std::vector<std::string>{});
}

TEST_F(PackageVerifier, SwappedSectionsAreFlaggedAsOutOfCatalogueOrder) {
  Replace("PrintName1=RX-01 Series", "PrintName1=@@");
  Replace("PrintName1=RX-02 Series", "PrintName1=RX-01 Series");
  Replace("PrintName1=@@", "PrintName1=RX-02 Series");
  EXPECT_EQ(VerifyFolder(),
            (std::vector<std::string>{
                "section-order 1  holds \"RX-01 Series\", the driver name of row 0",
                "section-order 0  holds \"RX-02 Series\", the driver name of row 1"}));
}

TEST_F(PackageVerifier, NameLimitsOfTheInstallersReadingAreFlagged) {
  std::string extra;
  for (int n = 2; n <= 51; ++n) {
    extra += "PrintName" + std::to_string(n) + "=Till " + std::to_string(n) + "\r\n";
  }
  Replace("PrintName1=RX-03 Series\r\n", "PrintName1=RX-03 Series\r\n" + extra);
  Replace("PrintName1=RX-04 Series\r\n",
          "PrintName1=RX-04 Series\r\nPrintName2=" + std::string(128, 'N') + "\r\n");
  Replace("PrintName1=RX-05 Series\r\n", "PrintName1=RX-05 Series\r\nPrintName3=Gap\r\n");
  EXPECT_EQ(VerifyFolder(), (std::vector<std::string>{
                                "too-many-names 2  PrintName51",
                                "name-too-long 3  " + std::string(40, 'N') + "...",
                                "numbering-gap 4  PrintName2",
                            }));
}

TEST_F(PackageVerifier, ANameInTwoSectionsIsReportedWithTheSectionThatWins) {
  Replace("PrintName1=RX-09 Series\r\n", "PrintName1=RX-09 Series\r\nPrintName2=Front Till\r\n");
  Replace("PrintName1=RX-30(No Cut) Series\r\n",
          "PrintName1=RX-30(No Cut) Series\r\nPrintName2=Front Till\r\n");
  EXPECT_EQ(VerifyFolder(),
            (std::vector<std::string>{
                "duplicate-name 29  \"Front Till\" in 2 sections; the last one is installed"}));
}

TEST_F(PackageVerifier, AnEntryThatWouldEscapeTheDestinationIsReported) {
  std::vector<package::CabinetEntry> entries;
  std::vector<std::string> files;
  std::string error;
  ASSERT_TRUE(package::ListPackageFolder(dir / "pkg", files, error)) << error;
  for (const auto& name : files) {
    std::ifstream in(dir / "pkg" / name, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    std::string stored = name;
    for (char& c : stored) c = c == '/' ? '\\' : c;
    entries.push_back({stored, bytes.str()});
  }
  entries.push_back({"..\\Windows\\evil.dll", "x"});
  ASSERT_TRUE(package::WriteStoredCabinet(dir / "hostile.Drv", entries, error)) << error;
  EXPECT_EQ(Findings(verifier::VerifyArchive(dir / "hostile.Drv")),
            // The cabinet reader hands the name over with forward slashes.
            std::vector<std::string>{"unsafe-entry -1  ../Windows/evil.dll"});
}

TEST_F(PackageVerifier, AFileThatIsNoArchiveIsUnreadable) {
  std::ofstream(dir / "junk.Drv") << "not an archive";
  EXPECT_FALSE(verifier::VerifyArchive(dir / "junk.Drv").readable);
}

}  // namespace
