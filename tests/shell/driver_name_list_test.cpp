#include "shell/driver_name_list.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "platform/win_constants.h"
#include "shell_fixture.h"

namespace {

using Strings = std::vector<std::string>;
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

  sim::SimMachine m;
};

TEST_F(DriverNameFile, ListsNamesInFileOrderAndMapsThemToSections) {
  Write("[A]\r\nPrintName1=X\r\nPrintName2=Y\r\n[B]\r\nPrintName1=Z\r\n");
  EXPECT_EQ(Walk(), (Visits{{0, "X"}, {0, "Y"}, {1, "Z"}}));
  EXPECT_EQ(LookupDriverName(m, "Z", 42), 1);
  EXPECT_EQ(LookupDriverName(m, "Y", 42), 0);
  // Exact, case-sensitive match; no match keeps the caller's row.
  EXPECT_EQ(LookupDriverName(m, "z", 42), 42);
  EXPECT_EQ(LookupDriverName(m, "Z ", -1), -1);
}

TEST_F(DriverNameFile, AGapInTheNumberingEndsTheSection) {
  Write(
      "[A]\nPrintName1=one\nPrintName2=two\nPrintName4=four\n[B]\nPrintName1=\nPrintName2=b2\n"
      "[C]\nprintname1=c1\n");
  // An empty value ends B at once, but B still counts as a position.
  EXPECT_EQ(Walk(), (Visits{{0, "one"}, {0, "two"}, {2, "c1"}}));
  EXPECT_EQ(LookupDriverName(m, "four", 9), 9);
  EXPECT_EQ(LookupDriverName(m, "b2", 9), 9);
}

TEST_F(DriverNameFile, ASectionOffersAtMostFiftyNames) {
  std::string file = "[Many]\n";
  for (int n = 1; n <= 60; ++n)
    file += "PrintName" + std::to_string(n) + "=N" + std::to_string(n) + "\n";
  file += "[Next]\nPrintName1=after\n";
  Write(file);
  const Visits visits = Walk();
  ASSERT_EQ(visits.size(), 51u);
  EXPECT_EQ(visits[49], (std::pair<int32_t, std::string>{0, "N50"}));
  EXPECT_EQ(visits[50], (std::pair<int32_t, std::string>{1, "after"}));
  EXPECT_EQ(LookupDriverName(m, "N51", 5), 5);
}

TEST_F(DriverNameFile, TheLaterSectionWinsForADuplicateName) {
  std::string file;
  for (int s = 0; s < 9; ++s) {
    file += "[S" + std::to_string(s) + "]\nPrintName1=";
    file += (s == 3 || s == 7) ? "Twin" : "Name" + std::to_string(s);
    file += "\n";
  }
  Write(file);
  const Visits visits = Walk();
  ASSERT_EQ(visits.size(), 9u);
  EXPECT_EQ(visits[3].second, "Twin");
  EXPECT_EQ(visits[7].second, "Twin");
  EXPECT_EQ(LookupDriverName(m, "Twin", 0), 7);
}

TEST_F(DriverNameFile, NamesAreCutTo127Characters) {
  Write("[A]\nPrintName1=" + std::string(200, 'n') + "\n");
  const Visits visits = Walk();
  ASSERT_EQ(visits.size(), 1u);
  EXPECT_EQ(visits[0].second, std::string(127, 'n'));
}

TEST_F(DriverNameFile, MissingOrEmptyFileOffersNothing) {
  EXPECT_TRUE(Walk().empty());
  EXPECT_EQ(LookupDriverName(m, "X", 3), 3);
  Write("; nothing here\n");
  EXPECT_TRUE(Walk().empty());
}

TEST_F(DriverNameFile, SectionsBeyondTheListSizeAreNotSeen) {
  // 120 sections of 29-character names: 30 bytes each in the list, so 99
  // fit whole in the 3000 bytes and the 100th is cut.
  std::string file;
  for (int s = 0; s < 120; ++s) {
    char name[32];
    std::snprintf(name, sizeof name, "Section%03d%019d", s, 0);
    file += std::string("[") + name + "]\nPrintName1=M" + std::to_string(s) + "\n";
  }
  Write(file);
  const Visits visits = Walk();
  ASSERT_EQ(visits.size(), 99u);
  for (int s = 0; s < 99; ++s) {
    EXPECT_EQ(visits[s], (std::pair<int32_t, std::string>{s, "M" + std::to_string(s)}));
  }
  EXPECT_EQ(LookupDriverName(m, "M98", -1), 98);
  EXPECT_EQ(LookupDriverName(m, "M99", -1), -1);
  EXPECT_EQ(LookupDriverName(m, "M119", -1), -1);
}

TEST_F(DriverNameFile, ANameCutByTheListBufferIsNoSection) {
  // "Twin" (5 bytes in the list), 99 names of 29 characters and one of 18
  // (2989 bytes): the next name, "TwinAndMore", is cut to "Twin" at the end
  // of the 3000-byte buffer.
  std::string file = "[Twin]\nPrintName1=Receipt\n";
  for (int s = 0; s < 100; ++s) {
    char name[32];
    std::snprintf(name, sizeof name, s < 99 ? "Filler%03d%020d" : "Filler%03d%09d", s, 0);
    file += std::string("[") + name + "]\nPrintName1=F" + std::to_string(s) + "\n";
  }
  file += "[TwinAndMore]\nPrintName1=Label\n";
  Write(file);
  const Visits visits = Walk();
  ASSERT_EQ(visits.size(), 101u);
  EXPECT_EQ(visits.front(), (std::pair<int32_t, std::string>{0, "Receipt"}));
  EXPECT_EQ(visits.back(), (std::pair<int32_t, std::string>{100, "F99"}));
  EXPECT_EQ(LookupDriverName(m, "Receipt", -1), 0);
}

TEST_F(DriverNameFile, ALongSectionNameIsReadWhole) {
  const std::string longName(150, 'L');
  Write("[Short]\nPrintName1=first\n[" + longName + "]\nPrintName1=long one\n" + "[" +
        longName.substr(0, 99) + "]\nPrintName1=decoy\n[Last]\nPrintName1=last\n");
  EXPECT_EQ(Walk(), (Visits{{0, "first"}, {1, "long one"}, {2, "decoy"}, {3, "last"}}));
  EXPECT_EQ(LookupDriverName(m, "long one", -1), 1);
}

class DriverNameCombo : public shell_test::ShellFixture {};

TEST_F(DriverNameCombo, StartUpFillsTheComboSelectsAndMirrorsTheFirstName) {
  m.fs().WriteFile(kDriverNameFile,
                   "[R0]\nPrintName1=Receipt A\nPrintName2=Receipt B\n[R1]\nPrintName1=Label C\n");
  Strings items;
  RunWindow([&](sim::UserActions& u) {
    shell_test::WaitForStartUp(m, u);
    items = u.ComboItems(IDC_DRIVER_NAME);
    EXPECT_EQ(u.ComboSelection(IDC_DRIVER_NAME), 0);
    EXPECT_EQ(u.Text(IDC_PRINTER_NAME), "Receipt A");
    EXPECT_EQ(window->DriverComboText(), "Receipt A");

    u.SelectCombo(IDC_DRIVER_NAME, 2);
    EXPECT_EQ(u.Text(IDC_PRINTER_NAME), "Label C");
    EXPECT_EQ(window->DriverComboText(), "Label C");

    // A second fill replaces the items rather than adding to them.
    DriverNameList(window->installation(), *window);
    EXPECT_EQ(u.ComboItems(IDC_DRIVER_NAME).size(), 3u);
    EXPECT_EQ(u.Text(IDC_PRINTER_NAME), "Receipt A");
    u.Click(win::IDCANCEL);
  });
  EXPECT_EQ(items, (Strings{"Receipt A", "Receipt B", "Label C"}));
  ExpectNoUiErrors();
}

TEST_F(DriverNameCombo, NoFileLeavesAnEmptyListAndAnEmptyPrinterName) {
  RunWindow([&](sim::UserActions& u) {
    shell_test::WaitForStartUp(m, u);
    EXPECT_TRUE(u.ComboItems(IDC_DRIVER_NAME).empty());
    EXPECT_EQ(u.ComboSelection(IDC_DRIVER_NAME), -1);
    EXPECT_EQ(u.Text(IDC_PRINTER_NAME), "");
    EXPECT_EQ(window->DriverComboText(), "");
    EXPECT_TRUE(u.IsEnabled(IDC_INSTALL));
    u.Click(win::IDCANCEL);
  });
}

}  // namespace
