#include "install/model_catalogue.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

using namespace catalogue;

TEST(ModelCatalogue, GroupsFollowTheRunningSumsOfTheSizes) {
  // The boundaries of each group, first and last index.
  const std::pair<int32_t, int32_t> expected[] = {{-1, 0}, {0, 1},  {14, 1}, {15, 2}, {21, 2},
                                                  {22, 3}, {26, 3}, {27, 4}, {51, 4}, {52, 0}};
  for (const auto& [index, group] : expected) {
    EXPECT_EQ(ReceiptGroup(index), group) << "index " << index;
  }
  // The window's sizes decide, not fixed numbers.
  const ReceiptGroupSizes sizes{2, 1, 1, 1};
  EXPECT_EQ(ReceiptGroup(1, sizes), 1);
  EXPECT_EQ(ReceiptGroup(2, sizes), 2);
  EXPECT_EQ(ReceiptGroup(3, sizes), 3);
  EXPECT_EQ(ReceiptGroup(4, sizes), 4);
  EXPECT_EQ(ReceiptGroup(5, sizes), 0);
}

TEST(ModelCatalogue, PluginRowsAreRecognisedByTheirEntryOnly) {
  std::set<int32_t> pluginRows;
  for (int32_t i = 0; i < kReceiptModelCount; ++i) {
    if (IsPluginRow(ReceiptModelNames[i])) pluginRows.insert(i + 1);
  }
  EXPECT_EQ(pluginRows, (std::set<int32_t>{33, 34, 35, 36, 42, 43, 44, 45, 46, 47, 48, 49}));

  // The same text from elsewhere (a combo box, a list file) is not the entry.
  const std::string typed = ReceiptModelNames[45];
  EXPECT_FALSE(IsPluginRow(typed.c_str()));
  EXPECT_FALSE(IsPluginRow(nullptr));
  EXPECT_FALSE(IsPluginRow(LabelModelNames[0]));
}

TEST(ModelCatalogue, GroupTwoPicksItsDllByThePrinterNameText) {
  EXPECT_STREQ(GroupDllBase(2, "RX-20 Series"), "RXG03");
  // Exact and case-sensitive: anything else is the first group-2 DLL.
  for (const char* other : {"RX-20 series", "RX-20 Series ", "RX-19 Series", ""}) {
    EXPECT_STREQ(GroupDllBase(2, other), "RXG02") << other;
  }
  // Groups other than 2 ignore the name, even row 20's.
  EXPECT_STREQ(GroupDllBase(1, "RX-20 Series"), "RXF12");
  EXPECT_STREQ(GroupDllBase(3, "RX-20 Series"), "RXG04");
  EXPECT_STREQ(GroupDllBase(4, "RX-20 Series"), "RXG05");
  EXPECT_EQ(GroupDllBase(0, "x"), nullptr);
  EXPECT_EQ(GroupDllBase(5, "x"), nullptr);
}

TEST(ModelCatalogue, SharedAndRepeatedEntriesAreKept) {
  EXPECT_STREQ(ReceiptFileBases[5], ReceiptFileBases[6]);
  EXPECT_STREQ(ReceiptFileBases[11], GroupDllBases[0]);
  EXPECT_STREQ(ReceiptFileBases[14], ReceiptModelNames[14]);
  EXPECT_STREQ(ReceiptFileBases[26], ReceiptModelNames[26]);
  // Every other receipt row has a file base of its own.
  std::set<std::string> bases(std::begin(ReceiptFileBases), std::end(ReceiptFileBases));
  EXPECT_EQ(bases.size(), static_cast<size_t>(kReceiptModelCount - 1));
  std::set<std::string> names(std::begin(ReceiptModelNames), std::end(ReceiptModelNames));
  EXPECT_EQ(names.size(), static_cast<size_t>(kReceiptModelCount));
}

TEST(ModelCatalogue, EngineListsHaveTheSameRolesOnBothArchitectures) {
  EXPECT_EQ(LabelEngineFiles(false), LabelEngineFilesX86);
  EXPECT_EQ(LabelEngineFiles(true), LabelEngineFilesX64);
  EXPECT_STREQ(LabelEngineFilesX86[kLabelMonitorDll], "lbxmonNT.dll");
  EXPECT_STREQ(LabelEngineFilesX64[kLabelMonitorDll], "lbxmon64.dll");
  // Past the monitor DLL the 64-bit name is the 32-bit one with 56 for 50.
  for (int32_t i = kLabelDriverDll; i < kLabelEngineFileCount; ++i) {
    std::string x86 = LabelEngineFilesX86[i];
    const auto at = x86.rfind("50.DLL");
    ASSERT_NE(at, std::string::npos) << x86;
    ASSERT_EQ(at + 6, x86.size()) << x86;
    x86.replace(at, 2, "56");
    EXPECT_EQ(x86, LabelEngineFilesX64[i]);
  }
  std::set<std::string> unique(std::begin(LabelEngineFilesX86), std::end(LabelEngineFilesX86));
  EXPECT_EQ(unique.size(), static_cast<size_t>(kLabelEngineFileCount));
}

}  // namespace
