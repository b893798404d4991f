// The Windows file and profile rules the installer's reading of the driver
// name list, its work-area clean-up and its system-folder lookup rely on.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/sim/sim_machine.h"
#include "platform/win_constants.h"

namespace {

using namespace std::string_literals;

constexpr const char* kIni = "C:\\DriverName.cfg";

class SimProfileTest : public ::testing::Test {
 protected:
  // The fuzzer of the driver names checks the buffer rules of both calls.
  std::string Read(const std::string& section, const std::string& key, uint32_t size = 256,
                   const char* defaultValue = nullptr) {
    std::vector<char> buffer(size);
    return std::string(buffer.data(), m.files().GetPrivateProfileStringA(
                                          section, key, defaultValue, buffer.data(), size, kIni));
  }
  // The bytes of the section-name list, the return value in `result`.
  std::string Names(uint32_t size, uint32_t& result) {
    std::vector<char> buffer(size);
    result = m.files().GetPrivateProfileSectionNamesA(buffer.data(), size, kIni);
    return std::string(buffer.data(), size);
  }

  sim::SimMachine m;
};

TEST_F(SimProfileTest, ValuesFollowTheWindowsReadingRules) {
  m.fs().WriteFile(kIni,
                   "; driver names\r\n"
                   "[Model0]\r\n"
                   "  PrintName1 =  POS-80 Series  \r\n"
                   "PRINTNAME1=second one loses\r\n"
                   ";PrintName2=commented\r\n"
                   "PrintName3=\"quoted\"\r\n"
                   "PrintName4='single'\r\n"
                   "PrintName5=\"unbalanced'\r\n"
                   "[ model1 ]\n"
                   "PrintName1=Till\0One\n"
                   "[MODEL0]\n"
                   "PrintName9=later section of the same name\n"s);
  EXPECT_EQ(Read("model0", "printname1"), "POS-80 Series");
  EXPECT_EQ(Read("Model0", "PrintName2", 256, "none"), "none");
  EXPECT_EQ(Read("Model0", "PrintName3"), "quoted");
  EXPECT_EQ(Read("Model0", "PrintName4"), "single");
  EXPECT_EQ(Read("Model0", "PrintName5"), "\"unbalanced'");
  // A zero byte ends the file as text: nothing after it is read.
  EXPECT_EQ(Read("Model1", "PrintName1"), "Till");
  EXPECT_EQ(Read("Model0", "PrintName9"), "");
  EXPECT_EQ(Read("Model0", "PrintName1", 7), "POS-80");
}

TEST_F(SimProfileTest, SectionNamesAreZeroSeparatedAndCutToSizeMinusTwo) {
  m.fs().WriteFile(kIni, "[Model0]\nA=1\n[Model1]\n[ M2 ]\n");
  uint32_t result = 0;
  EXPECT_EQ(Names(64, result).substr(0, 18), std::string("Model0\0Model1\0M2\0\0", 18));
  EXPECT_EQ(result, 17u);
  // Exactly enough room still counts as cut, as Windows counts it: the
  // bytes are all there, the result is size - 2.
  EXPECT_EQ(Names(18, result), std::string("Model0\0Model1\0M2\0\0", 18));
  EXPECT_EQ(result, 16u);
  // One byte short: the last name is cut and the list still ends in two zeros.
  EXPECT_EQ(Names(17, result), std::string("Model0\0Model1\0M\0\0", 17));
  EXPECT_EQ(result, 15u);
}

TEST(SimFiles, SearchListsDotsFirstAndMarksLinksAsReparsePoints) {
  sim::SimMachine m;
  platform::FileSystem& fs = m.files();
  m.fs().WriteFile("C:\\Ticket\\b.dll", "");
  m.fs().WriteFile("C:\\Ticket\\A.GPD", "");
  m.fs().WriteFile("C:\\Target\\keep.txt", "keep");
  m.fs().MakeLink("C:\\Ticket\\dir", "C:\\Target");
  m.fs().MakeLink("C:\\Ticket\\file", "C:\\Target\\keep.txt");
  constexpr uint32_t kDir = win::FILE_ATTRIBUTE_DIRECTORY;
  constexpr uint32_t kLink = win::FILE_ATTRIBUTE_REPARSE_POINT;
  EXPECT_EQ(fs.GetFileAttributesA("c:/ticket//DIR"), kDir | kLink);
  EXPECT_EQ(fs.GetFileAttributesA("C:\\Ticket\\file") & (kDir | kLink), kLink);

  // Each name with D for a folder, L for a link.
  std::string listing;
  platform::FindData data;
  platform::FindHandle find = fs.FindFirstFileA("c:\\Ticket//*.*", data);
  ASSERT_NE(find, 0u);
  do {
    listing += data.fileName + ((data.attributes & kDir) ? "D" : "") +
               ((data.attributes & kLink) ? "L " : " ");
  } while (fs.FindNextFileA(find, data));
  EXPECT_EQ(m.GetLastError(), 18u);  // ERROR_NO_MORE_FILES
  EXPECT_TRUE(fs.FindClose(find));
  EXPECT_EQ(listing, ".D ..D A.GPD b.dll dirDL fileL ");

  // Removing a link removes the link, never what it points at.
  EXPECT_TRUE(fs.RemoveDirectoryA("C:\\Ticket\\dir"));
  EXPECT_TRUE(fs.DeleteFileA("C:\\Ticket\\file"));
  EXPECT_EQ(m.fs().ReadFile("C:\\Target\\keep.txt"), "keep");
}

TEST(SimFiles, ATooSmallFolderBufferGivesTheSizeNeededAndNoText) {
  sim::SimMachine m;
  std::string dir = "unchanged";
  EXPECT_EQ(m.files().GetSystemDirectoryA(dir, 19), 20u);  // no room for the zero
  EXPECT_EQ(dir, "unchanged");
  EXPECT_EQ(m.files().GetSystemDirectoryA(dir, 20), 19u);
  EXPECT_EQ(dir, "C:\\WINDOWS\\system32");
}

}  // namespace
