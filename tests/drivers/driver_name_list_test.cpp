#include "drivers/driver_name_list.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "checked_machine.h"

namespace {

using Visit = std::pair<int32_t, std::string>;
using Visits = std::vector<Visit>;

class DriverNameFile : public ::testing::Test {
 protected:
  void Write(const std::string& contents) { m.fs().WriteFile(kDriverNameFile, contents); }

  Visits Walk() {
    Visits visits;
    WalkDriverNameFile(
        m, [&](int32_t section, const std::string& name) { visits.emplace_back(section, name); });
    return visits;
  }

  // `count` sections named by `format` (number, then a zero), one name each.
  static std::string Sections(int count, const char* (*format)(int), const char* prefix) {
    std::string file;
    for (int s = 0; s < count; ++s) {
      char name[40];
      std::snprintf(name, sizeof name, format(s), s, 0);
      file += std::string("[") + name + "]\nPrintName1=" + prefix + std::to_string(s) + "\n";
    }
    return file;
  }

  CheckedMachine m;
};

TEST_F(DriverNameFile, ListsNamesInFileOrderAndMapsThemToSections) {
  EXPECT_TRUE(Walk().empty());
  EXPECT_EQ(LookupDriverName(m, "X", 3), 3);
  // Names are cut to 127 characters; section names are read whole.
  const std::string longName(150, 'L');
  Write("[A]\r\nPrintName1=X\r\nPrintName2=Y\r\n[B]\r\nPrintName1=Z\r\nPrintName2=" +
        std::string(200, 'n') + "\r\n[" + longName + "]\nPrintName1=long one\n[" +
        longName.substr(0, 99) + "]\nPrintName1=decoy\n");
  EXPECT_EQ(Walk(), (Visits{{0, "X"},
                            {0, "Y"},
                            {1, "Z"},
                            {1, std::string(127, 'n')},
                            {2, "long one"},
                            {3, "decoy"}}));
  EXPECT_EQ(LookupDriverName(m, "Z", 42), 1);
  EXPECT_EQ(LookupDriverName(m, "Y", 42), 0);
  // Exact, case-sensitive match; no match keeps the caller's row.
  EXPECT_EQ(LookupDriverName(m, "z", 42), 42);
}

TEST_F(DriverNameFile, AGapOrAnEmptyNameEndsTheSectionAndFiftyNamesAreTheMost) {
  std::string file =
      "[A]\nPrintName1=one\nPrintName2=two\nPrintName4=four\n[B]\nPrintName1=\n"
      "PrintName2=b2\n[Many]\n";
  for (int n = 1; n <= 60; ++n) {
    file += "PrintName" + std::to_string(n) + "=N" + std::to_string(n) + "\n";
  }
  Write(file + "[Last]\nprintname1=last\n");
  const Visits visits = Walk();
  // B ends at once but still counts as a position.
  ASSERT_EQ(visits.size(), 53u);
  EXPECT_EQ(visits[1], (Visit{0, "two"}));
  EXPECT_EQ(visits[2], (Visit{2, "N1"}));
  EXPECT_EQ(visits[51], (Visit{2, "N50"}));
  EXPECT_EQ(visits[52], (Visit{3, "last"}));
  EXPECT_EQ(LookupDriverName(m, "four", 9), 9);
  EXPECT_EQ(LookupDriverName(m, "b2", 9), 9);
}

TEST_F(DriverNameFile, SectionsBeyondTheListBufferAndANameCutByItAreNotSeen) {
  // 120 sections of 29-character names: 30 bytes each in the list, so 99 fit
  // whole in the 3000 bytes and the 100th is cut.
  Write(Sections(
      120, [](int) { return "Section%03d%019d"; }, "M"));
  Visits visits = Walk();
  ASSERT_EQ(visits.size(), 99u);
  EXPECT_EQ(LookupDriverName(m, "M98", -1), 98);
  EXPECT_EQ(LookupDriverName(m, "M99", -1), -1);
  // "Twin" (5 bytes in the list), 99 names of 29 characters and one of 18:
  // the next name, "TwinAndMore", is cut to "Twin" at the end of the buffer.
  Write("[Twin]\nPrintName1=Receipt\n" +
        Sections(
            100, [](int s) { return s < 99 ? "Filler%03d%020d" : "Filler%03d%09d"; }, "F") +
        "[TwinAndMore]\nPrintName1=Label\n");
  visits = Walk();
  ASSERT_EQ(visits.size(), 101u);
  EXPECT_EQ(visits.back(), (Visit{100, "F99"}));
  EXPECT_EQ(LookupDriverName(m, "Receipt", -1), 0);
}

}  // namespace
