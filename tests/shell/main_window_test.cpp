// The main window and its start-up worker.
#include "shell/main_window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "drivers/driver_name_list.h"
#include "shell_fixture.h"
#include "startup/startup_worker.h"

namespace {

using shell_test::ShellFixture;
using Strings = std::vector<std::string>;

TEST(DefaultPortKind, UsbThenSerialThenParallelThenTcpIpAndSerialWhenNoneIsFound) {
  // Which lists hold a port (U, S, P, T) and the kind chosen.
  const std::pair<const char*, int> cases[] = {
      {"USPT", Usb}, {"SPT", Serial}, {"PT", Parallel}, {"T", TcpIp}, {"", Serial}};
  CheckedMachine m;
  Installation installation(m);
  for (const auto& [lists, kind] : cases) {
    const std::string has = lists;
    installation.usbPorts = has.find('U') != has.npos ? Strings{"USB001"} : Strings{};
    installation.serialPorts = has.find('S') != has.npos ? Strings{"COM1:"} : Strings{};
    installation.parallelPorts = has.find('P') != has.npos ? Strings{"LPT1:"} : Strings{};
    installation.tcpipPorts = has.find('T') != has.npos ? Strings{"IP_10.1.1.1"} : Strings{};
    EXPECT_EQ(DefaultPortKind(installation), kind) << lists;
  }
}

using MainWindowTest = ShellFixture;

// Start-up on a 64-bit Windows 7 with the spooler stopped: it is started
// before the ports are read (it answers only once it runs), Install is
// enabled once, at the end, and the worker's window writes take two sends to
// the window's thread, however many names there are. Then
// the driver name choice, the window's own messages, Enter and a queued click
// while Install is disabled (neither starts a run), and OK.
TEST_F(MainWindowTest, StartUpStepsThePortTypeListMessagesAndOkReadingTheDialogData) {
  m.sys().Set64Bit(true);
  m.svc().SetState("Spooler", win::SERVICE_STOPPED);
  m.spool().AddPort("USB001", "USB Monitor", "Virtual printer port for USB");
  m.spool().AddPort("LPT1:", "Local Monitor", "Local Port");
  std::string file;
  for (int section = 0; section < 6; ++section) {
    file += "[S" + std::to_string(section) + "]\n";
    for (int n = 1; n <= 10; ++n) {
      file += "PrintName" + std::to_string(n) + "=Model " + std::to_string(section * 10 + n) + "\n";
    }
  }
  m.fs().WriteFile("C:\\DriverName.cfg", file);
  const std::string line = "Current Systems is Microsoft Windows 7  64 bit";
  RunWindow([&](sim::UserActions& u) {
    shell_test::WaitForStartUp(m, u);
    const int sends = m.simThreads().dispatcher().CrossThreadSends();
    // The port list's style with the package status, then the driver names,
    // port kind, environment line and Install button.
    EXPECT_EQ(sends, 2);
    EXPECT_EQ(u.ComboItems(IDC_DRIVER_NAME).size(), 60u);
    EXPECT_EQ(u.Text(IDC_PRINTER_NAME), "Model 1");
    u.SelectCombo(IDC_DRIVER_NAME, 2);
    EXPECT_EQ(u.Text(IDC_PRINTER_NAME), "Model 3");
    EXPECT_EQ(window->DriverComboText(), "Model 3");
    // A second fill replaces the items rather than adding to them.
    window->ShowDriverNames(DriverNameList(m));
    EXPECT_EQ(u.ComboItems(IDC_DRIVER_NAME).size(), 60u);
    EXPECT_EQ(u.Text(IDC_PRINTER_NAME), "Model 1");
    EXPECT_TRUE(window->installation().isWow64);
    std::string columns;
    for (const auto& c : u.Columns(IDC_PORT_LIST)) {
      columns += c.heading + " " + std::to_string(c.width) + " " + std::to_string(c.format) + "|";
    }
    EXPECT_EQ(columns, "Port 110 0|Description 450 0|");
    const auto rows = u.Rows(IDC_PORT_LIST);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0], (Strings{"Serial port",
                                "The program will select a available serial "
                                "port during instalation"}));
    EXPECT_EQ(rows[3], (Strings{"TCP/IP port",
                                "The program will prompt you to create a TCP/IP "
                                "port or configure"}));
    for (int row = 0; row < 4; ++row) {
      EXPECT_EQ(u.ItemState(IDC_PORT_LIST, row) & (win::LVIS_SELECTED | win::LVIS_FOCUSED),
                row == Usb ? win::LVIS_SELECTED : 0u)
          << row;
    }
    // Grid lines and full-row select on, track-select off.
    EXPECT_EQ(u.ExtendedStyle(IDC_PORT_LIST) & 0x29u, 0x21u);

    EXPECT_EQ(m.ui().SendMessageA(u.hwnd(), WM_SERIALDATA, 0, 0), 0);
    EXPECT_EQ(window->installation().serialReplySeen, 1);
    window->installation().statusText = "to the controls";
    window->installation().setDefaultPrinter = 0;
    m.ui().SendMessageA(u.hwnd(), updateMessage, 0, 0);
    EXPECT_EQ(u.Text(IDC_STATUS), "to the controls");
    EXPECT_FALSE(u.IsChecked(IDC_SET_DEFAULT));
    window->EnableInstall(false);
    u.PressEnter();
    SendCommand(IDC_INSTALL, win::BN_CLICKED);
    EXPECT_FALSE(u.Ended());
    m.ui().SetDlgItemTextA(u.hwnd(), IDC_STATUS, "from the controls");
    m.ui().CheckDlgButton(u.hwnd(), IDC_SET_DEFAULT, true);
    window->Close(win::IDOK);
  });
  EXPECT_EQ(m.svc().Starts("Spooler"), 1);
  EXPECT_EQ(window->installation().parallelPorts, (Strings{"LPT1:"}));
  // Changes only: the template's own text is never on screen.
  EXPECT_EQ(m.simUi().Statuses(IDD_MAIN, IDC_STATUS),
            (Strings{"", "Reading driver file...", line, "to the controls", "from the controls"}));
  EXPECT_EQ(m.simUi().EnableChanges(IDD_MAIN, IDC_INSTALL), (std::vector<int>{1, 0}));
  EXPECT_EQ(m.simUi().DialogResults(IDD_MAIN), (std::vector<std::intptr_t>{win::IDOK}));
  EXPECT_EQ(window->installation().statusText, "from the controls");
  EXPECT_EQ(window->installation().setDefaultPrinter, 1);
}

TEST_F(MainWindowTest, AStartUpWorkerThatCannotStartIsReportedAndTheWindowStillCloses) {
  m.faults().Fail("CreateThread", 8);  // ERROR_NOT_ENOUGH_MEMORY
  EXPECT_EQ(RunWindow([&](sim::UserActions& u) {
              u.WaitIdle();
              EXPECT_FALSE(u.IsEnabled(IDC_INSTALL));
              u.CloseBox();  // ends the program as always
            }),
            win::IDCANCEL);
  const auto boxes = m.simUi().MessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text,
            "The installer could not start its preparation (error 8).\r\nClose the installer "
            "and run it again.");
  EXPECT_EQ(boxes[0].ownerTemplateId, IDD_MAIN);
  EXPECT_EQ(boxes[0].type, win::MB_OK | win::MB_ICONSTOP);
}

// A WM_TIMER can come from anywhere. In the plain window one with id 2
// neither closes the window while the start-up runs nor starts an
// installation after it; the destroy handling kills timer 1 whoever set it.
TEST_F(MainWindowTest, TimerMessagesTheWindowDidNotAskForChangeNothing) {
  m.fs().WriteFile("C:\\DriverName.cfg", "[A]\nPrintName1=RX-01 Series\n");
  updateMessage = m.ui().RegisterWindowMessageA("MyUpdateData");
  window = std::make_unique<MainWindow>(m, updateMessage);
  std::size_t statuses = 0;
  m.simUi().Script(
      IDD_MAIN,
      [&](sim::UserActions& u) {
        u.WaitUntil([&] {
          const auto lines = m.simUi().Statuses(IDD_MAIN, IDC_STATUS);
          return std::find(lines.begin(), lines.end(), "Reading driver file...") != lines.end();
        });
        m.ui().SendMessageA(u.hwnd(), sim::kWmTimer, 2, 0);
        ASSERT_FALSE(u.Ended());
        shell_test::WaitForStartUp(m, u);
        ASSERT_TRUE(u.IsEnabled(IDC_INSTALL));
        statuses = m.simUi().Statuses(IDD_MAIN, IDC_STATUS).size();
        m.ui().SendMessageA(u.hwnd(), sim::kWmTimer, 2, 0);
        u.WaitIdle();
        m.ui().SetTimer(u.hwnd(), 1, 700);
        u.Click(win::IDCANCEL);
      },
      sim::SimUi::ScriptStart::AtOnce);
  EXPECT_EQ(m.ui().DialogBoxParamA(IDD_MAIN, 0, *window), win::IDCANCEL);
  EXPECT_EQ(m.simUi().Statuses(IDD_MAIN, IDC_STATUS).size(), statuses);
  EXPECT_EQ(m.simUi().EnableChanges(IDD_MAIN, IDC_INSTALL), (std::vector<int>{1}));
  EXPECT_TRUE(m.simUi().MessageBoxes().empty());
  const auto transcript = m.simUi().Transcript();
  EXPECT_TRUE(std::any_of(transcript.begin(), transcript.end(), [](const sim::Event& e) {
    return e.kind == sim::EventKind::TimerKilled && e.value == 1;
  })) << m.simUi().Dump();
}

// The worker shows the spooler box from its own thread. The user acts while
// the worker waits for the answer, the one moment of start-up at which input
// can be given deterministically: the box's choice is kept at once, and
// closing then stops the worker before its next step.
TEST_F(MainWindowTest, ClosingDuringStartUpStopsTheWorkerBeforeItsNextStep) {
  m.faults().Fail("QueryServiceStatus", win::ERROR_ACCESS_DENIED);
  m.spool().AddPort("USB001", "USB Monitor", "Virtual printer port for USB");
  m.fs().WriteFile("C:\\DriverName.cfg", "[A]\nPrintName1=X\n");
  const std::thread::id windowThread = std::this_thread::get_id();
  bool sawClosing = false;
  m.simUi().OnMessageBox([&](const sim::MessageBoxRecord& box) {
    EXPECT_EQ(box.text, "Service status is unknown");
    EXPECT_NE(std::this_thread::get_id(), windowThread);
    m.ui().CheckDlgButton(window->hwnd(), IDC_SET_DEFAULT, false);
    SendCommand(IDC_SET_DEFAULT, win::BN_CLICKED);
    SendCommand(win::IDCANCEL, win::BN_CLICKED);
    // The box stays up until the window is being destroyed.
    sim::Dispatcher::Blocked blocked(m.simThreads().dispatcher());
    for (int i = 0; i < 5000 && !window->Closing(); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    sawClosing = window->Closing();
    return 0;
  });
  EXPECT_EQ(RunWindow([](sim::UserActions&) {}), win::IDCANCEL);
  EXPECT_TRUE(sawClosing);
  EXPECT_EQ(m.simUi().MessageBoxes().size(), 1u);
  EXPECT_EQ(window->installation().setDefaultPrinter, 0);
  // Only the spooler step ran: no ports read, no names, no environment line,
  // Install never enabled.
  EXPECT_TRUE(window->installation().allPorts.empty());
  EXPECT_EQ(m.simUi().EnableChanges(IDD_MAIN, IDC_INSTALL), (std::vector<int>{}));
  EXPECT_EQ(m.simUi().Statuses(IDD_MAIN, IDC_STATUS), (Strings{""}));
  EXPECT_TRUE(m.simUi().LastWindow(IDD_MAIN)->Control(IDC_DRIVER_NAME)->comboItems.empty());
}

}  // namespace
