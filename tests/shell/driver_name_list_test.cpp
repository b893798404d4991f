#include "install/driver_name_list.h"
#include "checked_machine.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "shell_fixture.h"

namespace {

using Visits = std::vector<std::pair<int32_t, std::string>>;

class DriverNameFile : public ::testing::Test {
 protected:
  void Write(const std::string& contents) { m.fs().WriteFile(kDriverNameFile, contents); }

  Visits Walk() {
    Visits visits;
    WalkDriverNameFile(
        m, [&](int32_t section, const std::string& name) { visits.emplace_back(section, name); });
    return visits;
  }

  // Sections named by `format` with their number and a zero, one name each.
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
  Write("[A]\r\nPrintName1=X\r\nPrintName2=Y\r\n[B]\r\nPrintName1=Z\r\nPrintName2=" +
        std::string(200, 'n') + "\r\n");
  EXPECT_EQ(Walk(), (Visits{{0, "X"}, {0, "Y"}, {1, "Z"}, {1, std::string(127, 'n')}}));
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
  EXPECT_EQ(visits[1], (std::pair<int32_t, std::string>{0, "two"}));
  EXPECT_EQ(visits[2], (std::pair<int32_t, std::string>{2, "N1"}));
  EXPECT_EQ(visits[51], (std::pair<int32_t, std::string>{2, "N50"}));
  EXPECT_EQ(visits[52], (std::pair<int32_t, std::string>{3, "last"}));
  EXPECT_EQ(LookupDriverName(m, "four", 9), 9);
  EXPECT_EQ(LookupDriverName(m, "b2", 9), 9);
}

TEST_F(DriverNameFile, SectionsBeyondTheListSizeAreNotSeen) {
  // 120 sections of 29-character names: 30 bytes each in the list, so 99 fit
  // whole in the 3000 bytes and the 100th is cut.
  Write(Sections(
      120, [](int) { return "Section%03d%019d"; }, "M"));
  const Visits visits = Walk();
  ASSERT_EQ(visits.size(), 99u);
  EXPECT_EQ(visits.back(), (std::pair<int32_t, std::string>{98, "M98"}));
  EXPECT_EQ(LookupDriverName(m, "M98", -1), 98);
  EXPECT_EQ(LookupDriverName(m, "M99", -1), -1);
}

TEST_F(DriverNameFile, ANameCutByTheListBufferIsNoSection) {
  // "Twin" (5 bytes in the list), 99 names of 29 characters and one of 18
  // (2989 bytes): the next name, "TwinAndMore", is cut to "Twin" at the end
  // of the 3000-byte buffer.
  Write("[Twin]\nPrintName1=Receipt\n" +
        Sections(
            100, [](int s) { return s < 99 ? "Filler%03d%020d" : "Filler%03d%09d"; }, "F") +
        "[TwinAndMore]\nPrintName1=Label\n");
  const Visits visits = Walk();
  ASSERT_EQ(visits.size(), 101u);
  EXPECT_EQ(visits.back(), (std::pair<int32_t, std::string>{100, "F99"}));
  EXPECT_EQ(LookupDriverName(m, "Receipt", -1), 0);
}

TEST_F(DriverNameFile, ALongSectionNameIsReadWhole) {
  const std::string longName(150, 'L');
  Write("[Short]\nPrintName1=first\n[" + longName + "]\nPrintName1=long one\n[" +
        longName.substr(0, 99) + "]\nPrintName1=decoy\n");
  EXPECT_EQ(Walk(), (Visits{{0, "first"}, {1, "long one"}, {2, "decoy"}}));
}

using DriverNameCombo = shell_test::ShellFixture;

TEST_F(DriverNameCombo, StartUpFillsTheComboSelectsAndMirrorsTheFirstName) {
  m.fs().WriteFile(kDriverNameFile,
                   "[R0]\nPrintName1=Receipt A\nPrintName2=Receipt B\n[R1]\nPrintName1=Label C\n");
  AfterStartUp([&](sim::UserActions& u) {
    EXPECT_EQ(u.ComboItems(IDC_DRIVER_NAME),
              (std::vector<std::string>{"Receipt A", "Receipt B", "Label C"}));
    EXPECT_EQ(u.ComboSelection(IDC_DRIVER_NAME), 0);
    EXPECT_EQ(u.Text(IDC_PRINTER_NAME), "Receipt A");
    u.SelectCombo(IDC_DRIVER_NAME, 2);
    EXPECT_EQ(u.Text(IDC_PRINTER_NAME), "Label C");
    EXPECT_EQ(window->DriverComboText(), "Label C");
    // A second fill replaces the items rather than adding to them.
    DriverNameList(window->installation(), *window);
    EXPECT_EQ(u.ComboItems(IDC_DRIVER_NAME).size(), 3u);
    EXPECT_EQ(u.Text(IDC_PRINTER_NAME), "Receipt A");
  });
  ExpectNoUiErrors();
}

TEST_F(DriverNameCombo, NoFileLeavesAnEmptyListAndAnEmptyPrinterName) {
  AfterStartUp([&](sim::UserActions& u) {
    EXPECT_TRUE(u.ComboItems(IDC_DRIVER_NAME).empty());
    EXPECT_EQ(u.Text(IDC_PRINTER_NAME), "");
    EXPECT_EQ(window->DriverComboText(), "");
    EXPECT_TRUE(u.IsEnabled(IDC_INSTALL));
  });
  ExpectNoUiErrors();
}

}  // namespace
