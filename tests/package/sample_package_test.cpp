#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "install/model_catalogue.h"
#include "package_layout.h"

namespace fs = std::filesystem;

namespace {

bool Has(const std::vector<std::string>& files, const std::string& name) {
  return std::find(files.begin(), files.end(), name) != files.end();
}

TEST(SamplePackage, NameListHasOneSectionPerCatalogueRowInCatalogueOrder) {
  const std::string text = package::SampleDriverNameFile();
  std::istringstream in(text);
  std::string line;
  std::vector<std::string> sections;
  std::vector<std::string> names;
  while (std::getline(in, line)) {
    ASSERT_FALSE(line.empty() || line.back() != '\r') << "line without CR LF: " << line;
    line.pop_back();
    if (line.empty()) continue;
    if (line.front() == '[') {
      sections.push_back(line);
    } else {
      ASSERT_EQ(line.rfind("PrintName1=", 0), 0u) << line;
      names.push_back(line.substr(11));
    }
  }
  ASSERT_EQ(sections.size(), static_cast<size_t>(catalogue::kModelCount));
  ASSERT_EQ(names.size(), sections.size());
  EXPECT_EQ(std::set<std::string>(sections.begin(), sections.end()).size(), sections.size());
  for (int32_t i = 0; i < catalogue::kReceiptModelCount; ++i) {
    EXPECT_EQ(names[i], catalogue::ReceiptModelNames[i]) << i;
  }
  for (int32_t j = 0; j < catalogue::kLabelModelCount; ++j) {
    EXPECT_EQ(names[catalogue::kReceiptModelCount + j], catalogue::LabelModelNames[j]) << j;
  }
  // The installer reads the section list into 3000 bytes.
  size_t listBytes = 1;
  for (const std::string& s : sections) listBytes += s.size() - 2 + 1;
  EXPECT_LT(listBytes, 3000u);
}

TEST(SamplePackage, HoldsEveryFileTheInstallationsCopyForBothArchitectures) {
  const std::vector<std::string> files = package::SamplePackageFiles();
  EXPECT_EQ(std::set<std::string>(files.begin(), files.end()).size(), files.size());
  for (const std::string& arch : {std::string("x86"), std::string("x64")}) {
    const std::string ticket = "Ticket/" + arch + "/";
    for (int32_t i = 0; i < catalogue::kReceiptModelCount; ++i) {
      EXPECT_TRUE(Has(files, ticket + catalogue::ReceiptFileBases[i] + ".GPD")) << i;
      const int32_t group = catalogue::ReceiptGroup(i);
      for (const std::string& printer : {std::string(catalogue::ReceiptModelNames[i]),
                                         std::string(catalogue::ReceiptModelNames[19])}) {
        EXPECT_TRUE(Has(files, ticket + catalogue::GroupDllBase(group, printer) + ".DLL")) << i;
      }
    }
    EXPECT_TRUE(Has(files, ticket + "OEMPLUG.dll"));
    EXPECT_TRUE(Has(files, ticket + "OEMPLUG.ini"));
    for (int32_t c = 0; c < catalogue::kUnidrvCoreFileCount; ++c) {
      EXPECT_TRUE(Has(files, ticket + catalogue::UnidrvCoreFiles[c]));
    }
    const char* const* engine = catalogue::LabelEngineFiles(arch == "x64");
    for (int32_t e = 0; e < catalogue::kLabelEngineFileCount; ++e) {
      EXPECT_TRUE(Has(files, "Barcode/" + arch + "/" + engine[e])) << engine[e];
    }
  }
  EXPECT_TRUE(Has(files, "Barcode/Common/THERMAL.chm"));
  for (int32_t j = 0; j < catalogue::kLabelModelCount; ++j) {
    for (const char* ext : {".BA0", ".DAT", ".PP0"}) {
      EXPECT_TRUE(Has(files, std::string("Barcode/Common/") + catalogue::LabelFileBases[j] + ext));
    }
  }
  // Nothing outside the five folders and the name list.
  for (const std::string& f : files) {
    const bool placed = f == "DriverName.cfg" || f.rfind("Ticket/x86/", 0) == 0 ||
                        f.rfind("Ticket/x64/", 0) == 0 || f.rfind("Barcode/x86/", 0) == 0 ||
                        f.rfind("Barcode/x64/", 0) == 0 || f.rfind("Barcode/Common/", 0) == 0;
    EXPECT_TRUE(placed) << f;
  }
}

TEST(SamplePackage, MonitorDllOptionReplacesOnlyTheMonitorPlaceholders) {
  const fs::path root = fs::temp_directory_path() / ("sample" + std::to_string(getpid()));
  fs::remove_all(root);
  const fs::path dll = root / "monitor.dll";
  fs::create_directories(root);
  std::ofstream(dll, std::ios::binary) << std::string("MZ\0\x01tiny", 8);
  package::SampleOptions options;
  options.monitorDllX86 = dll;
  std::string error;
  ASSERT_TRUE(package::WriteSamplePackage(root / "pkg", options, error)) << error;
  auto read = [](const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  };
  EXPECT_EQ(read(root / "pkg/Barcode/x86/lbxmonNT.dll"), std::string("MZ\0\x01tiny", 8));
  EXPECT_EQ(read(root / "pkg/Barcode/x64/lbxmon64.dll"),
            package::PlaceholderContent("Barcode/x64/lbxmon64.dll"));

  options.monitorDllX64 = root / "missing.dll";
  EXPECT_FALSE(package::WriteSamplePackage(root / "pkg2", options, error));
  EXPECT_NE(error.find("missing.dll"), std::string::npos);
  fs::remove_all(root);
}

}  // namespace
