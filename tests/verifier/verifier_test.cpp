#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
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

  // Replaces the first `from` in the name list with `to`.
  void Replace(const std::string& from, const std::string& to) {
    std::string text;
    std::getline(std::ifstream(dir / "pkg" / "DriverName.cfg", std::ios::binary), text, '\0');
    const size_t at = text.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    std::ofstream(dir / "pkg" / "DriverName.cfg", std::ios::binary)
        << text.replace(at, from.size(), to);
  }
  void Add(const std::string& name, const std::string& line) {
    Replace("PrintName1=" + name + "\r\n", "PrintName1=" + name + "\r\n" + line + "\r\n");
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

TEST_F(PackageVerifier, TheSamplePackageIsCleanAndAnEntryThatWouldEscapeIsReported) {
  EXPECT_EQ(VerifyFolder(), std::vector<std::string>{});
  std::string error;
  ASSERT_TRUE(package::BuildCabinet(dir / "pkg", dir / "DriverData.Drv", error)) << error;
  EXPECT_EQ(Findings(verifier::VerifyArchive(dir / "DriverData.Drv")), std::vector<std::string>{});
  ASSERT_TRUE(
      package::WriteStoredCabinet(dir / "hostile.Drv", {{"..\\Windows\\evil.dll", "x"}}, error));
  // The cabinet reader hands the name over with forward slashes.
  const auto findings = Findings(verifier::VerifyArchive(dir / "hostile.Drv"));
  EXPECT_NE(std::find(findings.begin(), findings.end(), "unsafe-entry -1  ../Windows/evil.dll"),
            findings.end());
}

TEST_F(PackageVerifier, AMissingFileIsReportedForEveryRowNeedingItWhateverTheLetterCase) {
  fs::rename(dir / "pkg/Ticket/x86/RXF12.DLL", dir / "pkg/Ticket/x86/rxf12.dll");
  fs::remove(dir / "pkg/Barcode/x64/LBXENG56.DLL");
  std::vector<std::string> expected;
  for (int row = 52; row <= 56; ++row) {
    expected.push_back("missing-file " + std::to_string(row) + " x64 Barcode/x64/LBXENG56.DLL");
  }
  EXPECT_EQ(VerifyFolder(), expected);
}

TEST_F(PackageVerifier, OrderLimitsAndDuplicatesOfTheInstallersReadingAreFlagged) {
  Replace("PrintName1=RX-01 Series", "PrintName1=@@");
  Replace("PrintName1=RX-02 Series", "PrintName1=RX-01 Series");
  Replace("PrintName1=@@", "PrintName1=RX-02 Series");
  // Names past the 127 characters read, a gap in the numbering, a name in two sections.
  Add("RX-04 Series", "PrintName2=" + std::string(128, 'N'));
  Add("RX-05 Series", "PrintName3=Gap");
  Add("RX-09 Series", "PrintName2=Front Till");
  Add("RX-30(No Cut) Series", "PrintName2=Front Till");
  EXPECT_EQ(VerifyFolder(),
            (std::vector<std::string>{
                "name-too-long 3  " + std::string(40, 'N') + "...", "numbering-gap 4  PrintName2",
                "section-order 1  holds \"RX-01 Series\", the driver name of row 0",
                "section-order 0  holds \"RX-02 Series\", the driver name of row 1",
                "duplicate-name 29  \"Front Till\" in 2 sections; the last one is installed"}));
}

}  // namespace
