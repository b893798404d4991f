#include "shell/main_window.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win_constants.h"
#include "shell/port_inventory.h"
#include "shell_fixture.h"

namespace {

using shell_test::ShellFixture;
using Strings = std::vector<std::string>;

class MainWindowTest : public ShellFixture {};

TEST_F(MainWindowTest, PortTypeListHasFourRowsTwoColumnsAndRowZeroSelectedUnfocused) {
  RunWindow([&](sim::UserActions& u) {
    shell_test::WaitForStartUp(m, u);
    const auto columns = u.Columns(IDC_PORT_LIST);
    ASSERT_EQ(columns.size(), 2u);
    EXPECT_EQ(columns[0].heading, "Port");
    EXPECT_EQ(columns[0].width, 110);
    EXPECT_EQ(columns[0].format, win::LVCFMT_LEFT);
    EXPECT_EQ(columns[1].heading, "Description");
    EXPECT_EQ(columns[1].width, 450);
    const auto rows = u.Rows(IDC_PORT_LIST);
    ASSERT_EQ(rows.size(), 4u);
    const Strings ports{"Serial port", "USB port", "Parallel port", "TCP/IP port"};
    const Strings descriptions{
        "The program will select a available serial port during instalation",
        "The program will select a available USB port automatically",
        "The program will prompt you to select a parallel port before install",
        "The program will prompt you to create a TCP/IP port or configure"};
    for (size_t row = 0; row < rows.size(); ++row) {
      ASSERT_EQ(rows[row].size(), 2u);
      EXPECT_EQ(rows[row][0], ports[row]);
      EXPECT_EQ(rows[row][1], descriptions[row]);
    }
    // No port at all: the serial row stays the chosen one.
    EXPECT_EQ(u.SelectedRow(IDC_PORT_LIST), 0);
    EXPECT_EQ(u.ItemState(IDC_PORT_LIST, 0) & win::LVIS_FOCUSED, 0u);
    const uint32_t style = u.ExtendedStyle(IDC_PORT_LIST);
    EXPECT_EQ(style & 0x29u, 0x21u);
    u.Click(win::IDCANCEL);
  });
  ExpectNoUiErrors();
}

TEST_F(MainWindowTest, SerialDataMarksAReplyHoweverOftenItComes) {
  RunWindow([&](sim::UserActions& u) {
    shell_test::WaitForStartUp(m, u);
    EXPECT_EQ(m.ui().SendMessageA(u.hwnd(), WM_SERIALDATA, 0x12, 3), 0);
    EXPECT_EQ(window->installation().serialReplySeen, 1);
    EXPECT_EQ(m.ui().SendMessageA(u.hwnd(), WM_SERIALDATA, 0, 0), 0);
    EXPECT_EQ(window->installation().serialReplySeen, 1);
    window->installation().serialReplySeen = 0;
    m.ui().SendMessageA(u.hwnd(), WM_SERIALDATA, 0x55, 1);
    EXPECT_EQ(window->installation().serialReplySeen, 1);
    u.Click(win::IDCANCEL);
  });
}

TEST_F(MainWindowTest, UpdateMessageCopiesInTheDirectionOfWParam) {
  RunWindow([&](sim::UserActions& u) {
    shell_test::WaitForStartUp(m, u);
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
    u.Click(win::IDCANCEL);
  });
}

TEST_F(MainWindowTest, CancelEscapeAndCloseBoxEndTheDialogAndRemoveTheWorkArea) {
  enum class Way { Cancel, Escape, CloseBox };
  for (Way way : {Way::Cancel, Way::Escape, Way::CloseBox}) {
    SCOPED_TRACE(static_cast<int>(way));
    sim::SimMachine machine;
    machine.fs().WriteFile("C:\\DriverName.cfg", "[A]\nPrintName1=X\n");
    machine.fs().WriteFile("C:\\Ticket\\x86\\RXF06.GPD", "placeholder");
    machine.fs().WriteFile("C:\\Barcode\\Common\\engine.dll", "placeholder");
    MainWindow localWindow(machine, machine.ui().RegisterWindowMessageA("MyUpdateData"));
    machine.simUi().Script(IDD_MAIN, [&](sim::UserActions& u) {
      shell_test::WaitForStartUp(machine, u);
      if (way == Way::Cancel) u.Click(win::IDCANCEL);
      if (way == Way::Escape) u.PressEscape();
      if (way == Way::CloseBox) u.CloseBox();
    });
    EXPECT_EQ(machine.ui().DialogBoxParamA(IDD_MAIN, 0, localWindow), win::IDCANCEL);
    EXPECT_FALSE(machine.fs().Exists("C:\\DriverName.cfg"));
    EXPECT_FALSE(machine.fs().Exists("C:\\Ticket"));
    EXPECT_FALSE(machine.fs().Exists("C:\\Barcode"));
    EXPECT_TRUE(machine.simUi().Errors().empty()) << machine.simUi().Dump();
  }
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
  RunWindow([&](sim::UserActions& u) {
    shell_test::WaitForStartUp(m, u);
    window->EnableInstall(false);
    u.PressEnter();
    EXPECT_FALSE(u.Ended());
    u.Click(win::IDCANCEL);
  });
  EXPECT_EQ(m.simUi().DialogResults(IDD_MAIN), (std::vector<std::intptr_t>{win::IDCANCEL}));
}

// The user's "Set Default Printer" choice survives the refreshes that
// follow it: the start-up worker's and the Install command's first steps.
class DefaultPrinterChoice : public ShellFixture {};

TEST_F(DefaultPrinterChoice, UncheckingBeforeInstallSurvivesTheInventoryRefresh) {
  RunWindow([&](sim::UserActions& u) {
    shell_test::WaitForStartUp(m, u);
    u.SetCheck(IDC_SET_DEFAULT, false);
    // The Install command's first two steps: inventory, then controls to data.
    PortInventory(window->installation(), *window);
    window->UpdateData(true);
    EXPECT_FALSE(u.IsChecked(IDC_SET_DEFAULT));
    EXPECT_EQ(window->installation().setDefaultPrinter, 0);
    // Checking it again is followed just as well.
    u.SetCheck(IDC_SET_DEFAULT, true);
    PortInventory(window->installation(), *window);
    EXPECT_TRUE(u.IsChecked(IDC_SET_DEFAULT));
    EXPECT_EQ(window->installation().setDefaultPrinter, 1);
    u.Click(win::IDCANCEL);
  });
}

}  // namespace
