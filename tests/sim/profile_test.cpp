#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/sim/sim_machine.h"

namespace {

constexpr const char* kIni = "C:\\DriverName.cfg";

class SimProfileTest : public ::testing::Test {
 protected:
  std::string Read(const std::string& section, const std::string& key, uint32_t size = 256,
                   const char* defaultValue = nullptr, uint32_t* length = nullptr) {
    std::vector<char> buffer(size + 1, '#');
    const uint32_t n =
        m.files().GetPrivateProfileStringA(section, key, defaultValue, buffer.data(), size, kIni);
    if (length) *length = n;
    EXPECT_EQ(buffer[n], '\0') << "result not terminated";
    EXPECT_EQ(buffer[size], '#') << "wrote past the buffer";
    return std::string(buffer.data(), n);
  }

  // The bytes of the section-name list, the return value in `result`.
  std::string Names(uint32_t size, uint32_t& result, const std::string& file = kIni) {
    std::vector<char> buffer(size + 1, '#');
    result = m.files().GetPrivateProfileSectionNamesA(buffer.data(), size, file);
    EXPECT_EQ(buffer[size], '#') << "wrote past the buffer";
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
                   "PrintName1=Label 4\n"
                   "[MODEL0]\n"
                   "PrintName9=later section of the same name\n");
  EXPECT_EQ(Read("model0", "printname1"), "POS-80 Series");
  EXPECT_EQ(Read("Model0", "PrintName2", 256, "none"), "none");
  EXPECT_EQ(Read("Model0", "PrintName3"), "quoted");
  EXPECT_EQ(Read("Model0", "PrintName4"), "single");
  EXPECT_EQ(Read("Model0", "PrintName5"), "\"unbalanced'");
  EXPECT_EQ(Read("Model1", "PrintName1"), "Label 4");
  EXPECT_EQ(Read("Model0", "PrintName9"), "");
  uint32_t length = 99;
  EXPECT_EQ(Read("Model0", "PrintName1", 7, nullptr, &length), "POS-80");
  EXPECT_EQ(length, 6u);
}

TEST_F(SimProfileTest, MissingFileGivesTheDefault) {
  EXPECT_EQ(Read("Model0", "PrintName1", 256, "fallback"), "fallback");
  EXPECT_EQ(Read("Model0", "PrintName1"), "");
  uint32_t result = 99;
  EXPECT_EQ(Names(8, result).substr(0, 2), std::string(2, '\0'));
  EXPECT_EQ(result, 0u);
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
  EXPECT_EQ(Names(10, result), std::string("Model0\0M\0\0", 10));
  EXPECT_EQ(result, 8u);
}

TEST_F(SimProfileTest, AZeroByteEndsTheFileAsText) {
  m.fs().WriteFile(kIni, std::string("[Model0]\nPrintName1=Till\0One\n[Model1]\n", 38));
  EXPECT_EQ(Read("Model0", "PrintName1"), "Till");
  uint32_t result = 0;
  EXPECT_EQ(Names(64, result).substr(0, 8), std::string("Model0\0\0", 8));
  EXPECT_EQ(result, 7u);
}

TEST_F(SimProfileTest, ABareFileNameIsLookedForInTheWindowsFolder) {
  m.fs().WriteFile("C:\\WINDOWS\\setup.ini", "[S]\nk=windows\n");
  m.fs().WriteFile("C:\\Setup\\setup.ini", "[S]\nk=current\n");
  char buffer[32];
  EXPECT_EQ(m.files().GetPrivateProfileStringA("S", "k", nullptr, buffer, 32, "setup.ini"), 7u);
  EXPECT_STREQ(buffer, "windows");
}

}  // namespace
