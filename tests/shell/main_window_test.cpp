#include "shell/main_window.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell_fixture.h"

namespace {

using shell_test::ShellFixture;
using Strings = std::vector<std::string>;
using MainWindowTest = ShellFixture;

TEST_F(MainWindowTest, PortTypeListHasFourRowsTwoColumnsAndRowZeroSelectedUnfocused) {
  AfterStartUp([&](sim::UserActions& u) {
    const auto columns = u.Columns(IDC_PORT_LIST);
    ASSERT_EQ(columns.size(), 2u);
    EXPECT_EQ(columns[0].heading, "Port");
    EXPECT_EQ(columns[0].width, 110);
    EXPECT_EQ(columns[0].format, win::LVCFMT_LEFT);
    EXPECT_EQ(columns[1].heading, "Description");
    EXPECT_EQ(columns[1].width, 450);
    const auto rows = u.Rows(IDC_PORT_LIST);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0], (Strings{"Serial port",
                                "The program will select a available serial "
                                "port during instalation"}));
    EXPECT_EQ(rows[3], (Strings{"TCP/IP port",
                                "The program will prompt you to create a TCP/IP "
                                "port or configure"}));
    // No port at all: the serial row stays the chosen one.
    EXPECT_EQ(u.SelectedRow(IDC_PORT_LIST), 0);
    EXPECT_EQ(u.ItemState(IDC_PORT_LIST, 0) & win::LVIS_FOCUSED, 0u);
    // Grid lines and full-row select on, track-select off.
    EXPECT_EQ(u.ExtendedStyle(IDC_PORT_LIST) & 0x29u, 0x21u);
  });
  ExpectNoUiErrors();
}

TEST_F(MainWindowTest, MessagesMarkSerialRepliesAndCopyDataInTheDirectionOfWParam) {
  AfterStartUp([&](sim::UserActions& u) {
    EXPECT_EQ(m.ui().SendMessageA(u.hwnd(), WM_SERIALDATA, 0, 0), 0);
    EXPECT_EQ(window->installation().serialReplySeen, 1);

    window->installation().statusText = "to the controls";
    window->installation().setDefaultPrinter = 0;
    m.ui().SendMessageA(u.hwnd(), updateMessage, 0, 0);
    EXPECT_EQ(u.Text(IDC_STATUS), "to the controls");
    EXPECT_FALSE(u.IsChecked(IDC_SET_DEFAULT));
    m.ui().SetDlgItemTextA(u.hwnd(), IDC_STATUS, "from the controls");
    m.ui().CheckDlgButton(u.hwnd(), IDC_SET_DEFAULT, true);
    m.ui().SendMessageA(u.hwnd(), updateMessage, 1, 0);
    EXPECT_EQ(window->installation().statusText, "from the controls");
    EXPECT_EQ(window->installation().setDefaultPrinter, 1);
  });
}

TEST(MainWindowClose, CancelEscapeAndCloseBoxEndTheDialogAndRemoveTheWorkArea) {
  enum class Way { Cancel, Escape, CloseBox };
  for (Way way : {Way::Cancel, Way::Escape, Way::CloseBox}) {
    SCOPED_TRACE(static_cast<int>(way));
    shell_test::ShellRig rig;
    rig.m.fs().WriteFile("C:\\DriverName.cfg", "[A]\nPrintName1=X\n");
    rig.m.fs().WriteFile("C:\\Ticket\\x86\\RXF06.GPD", "placeholder");
    rig.m.fs().WriteFile("C:\\Barcode\\Common\\engine.dll", "placeholder");
    EXPECT_EQ(rig.RunWindow([&](sim::UserActions& u) {
      shell_test::WaitForStartUp(rig.m, u);
      if (way == Way::Cancel) u.Click(win::IDCANCEL);
      if (way == Way::Escape) u.PressEscape();
      if (way == Way::CloseBox) u.CloseBox();
    }),
              win::IDCANCEL);
    for (const char* path : {"C:\\DriverName.cfg", "C:\\Ticket", "C:\\Barcode"}) {
      EXPECT_FALSE(rig.m.fs().Exists(path)) << path;
    }
    rig.ExpectNoUiErrors();
  }
}

TEST_F(MainWindowTest, CloseWithOkReadsTheDialogDataFirst) {
  RunWindow([&](sim::UserActions& u) {
    shell_test::WaitForStartUp(m, u);
    m.ui().CheckDlgButton(u.hwnd(), IDC_SET_DEFAULT, false);
    m.ui().SetDlgItemTextA(u.hwnd(), IDC_STATUS, "read back");
    window->Close(win::IDOK);
  });
  EXPECT_EQ(m.simUi().DialogResults(IDD_MAIN), (std::vector<std::intptr_t>{win::IDOK}));
  EXPECT_EQ(window->installation().setDefaultPrinter, 0);
  EXPECT_EQ(window->installation().statusText, "read back");
}

TEST_F(MainWindowTest, EnterDoesNothingWhileInstallIsDisabled) {
  AfterStartUp([&](sim::UserActions& u) {
    window->EnableInstall(false);
    u.PressEnter();
    EXPECT_FALSE(u.Ended());
  });
  EXPECT_EQ(m.simUi().DialogResults(IDD_MAIN), (std::vector<std::intptr_t>{win::IDCANCEL}));
}

TEST_F(MainWindowTest, AStartUpWorkerThatCannotStartIsReportedAndTheWindowStillCloses) {
  m.faults().Fail("CreateThread", 8);  // ERROR_NOT_ENOUGH_MEMORY
  const std::intptr_t result = RunWindow([&](sim::UserActions& u) {
    u.WaitIdle();
    EXPECT_FALSE(u.IsEnabled(IDC_INSTALL));
    u.Click(win::IDCANCEL);
  });
  EXPECT_EQ(result, win::IDCANCEL);
  const auto boxes = m.simUi().MessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text,
            "The installer could not start its preparation (error 8).\r\nClose the installer "
            "and run it again.");
  EXPECT_EQ(boxes[0].ownerTemplateId, IDD_MAIN);
  EXPECT_EQ(boxes[0].type, win::MB_OK | win::MB_ICONSTOP);
}

}  // namespace
