#include "shell/startup_worker.h"
#include "checked_machine.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "shell_fixture.h"

namespace {

using shell_test::ShellFixture;
using Strings = std::vector<std::string>;

constexpr char kWin7Line[] = "Current Systems is Microsoft Windows 7  32 bit";

TEST(DefaultPortKind, UsbThenSerialThenParallelThenTcpIpAndSerialWhenNoneIsFound) {
  struct Case {
    bool usb, serial, parallel, tcpip;
    int kind;
  };
  const Case cases[] = {
      {true, true, true, true, Usb},        {false, true, true, true, Serial},
      {false, false, true, true, Parallel}, {false, false, false, true, TcpIp},
      {false, false, false, false, Serial},
  };
  CheckedMachine m;
  Installation installation(m);
  for (const Case& c : cases) {
    installation.usbPorts = c.usb ? Strings{"USB001"} : Strings{};
    installation.serialPorts = c.serial ? Strings{"COM1:"} : Strings{};
    installation.parallelPorts = c.parallel ? Strings{"LPT1:"} : Strings{};
    installation.tcpipPorts = c.tcpip ? Strings{"IP_10.1.1.1"} : Strings{};
    EXPECT_EQ(DefaultPortKind(installation), c.kind) << c.usb << c.serial << c.parallel << c.tcpip;
  }
}

using StartupWorkerThreads = ShellFixture;

// The spooler is started before the ports are read (it answers only once it
// runs), Install is enabled once, at the end, and each step that drives
// several controls does it in one send to the window's thread, however many
// driver names there are.
TEST_F(StartupWorkerThreads, StepsRunInOrderEachInAtMostOneSend) {
  m.svc().SetState("Spooler", win::SERVICE_STOPPED);
  m.spool().AddPort("USB001", "USB Monitor", "Virtual printer port for USB");
  m.spool().AddPort("LPT1:", "Local Monitor", "Local Port");
  std::string file;
  for (int section = 0; section < 6; ++section) {
    file += "[S" + std::to_string(section) + "]\n";
    for (int n = 1; n <= 10; ++n) file += "PrintName" + std::to_string(n) + "=Name\n";
  }
  m.fs().WriteFile("C:\\DriverName.cfg", file);
  int sends = -1;
  AfterStartUp([&](sim::UserActions& u) {
    sends = m.simThreads().dispatcher().CrossThreadSends();
    EXPECT_EQ(u.ComboItems(IDC_DRIVER_NAME).size(), 60u);
    EXPECT_EQ(u.SelectedRow(IDC_PORT_LIST), Usb);
    for (int row = 0; row < 4; ++row) {
      EXPECT_EQ((u.ItemState(IDC_PORT_LIST, row) & win::LVIS_SELECTED) != 0, row == Usb) << row;
    }
  });
  EXPECT_EQ(m.svc().Starts("Spooler"), 1);
  EXPECT_EQ(window->installation().parallelPorts, (Strings{"LPT1:"}));
  // Ports, package status, driver names, port kind, environment line and
  // the Install button: six steps that touch the window.
  EXPECT_GT(sends, 0);
  EXPECT_LE(sends, 6);
  // Changes only: the template's own text is never on screen.
  EXPECT_EQ(m.simUi().Statuses(IDD_MAIN, IDC_STATUS),
            (Strings{"", "Reading driver file...", kWin7Line}));
  EXPECT_EQ(m.simUi().EnableChanges(IDD_MAIN, IDC_INSTALL), (std::vector<int>{1}));

  ExpectNoUiErrors();
}

// The worker shows the spooler box from its own thread and start-up goes on.
// The user acts while the worker waits for the answer: the one moment of
// start-up at which input can be given deterministically; the worker's later
// refreshes must not undo it.
TEST_F(StartupWorkerThreads, UnknownSpoolerStateIsReportedFromTheWorkerAndInputMeanwhileStays) {
  m.faults().Fail("QueryServiceStatus", win::ERROR_ACCESS_DENIED);
  m.reg().SetString(platform::kHkeyLocalMachine, shell_test::kPortsKey, "\\Device\\Serial0",
                    "COM1");
  const std::thread::id windowThread = std::this_thread::get_id();
  std::thread::id boxThread = windowThread;
  m.simUi().OnMessageBox([&](const sim::MessageBoxRecord&) {
    boxThread = std::this_thread::get_id();
    m.ui().CheckDlgButton(window->hwnd(), IDC_SET_DEFAULT, false);
    SendCommand(IDC_SET_DEFAULT, win::BN_CLICKED);
    return 0;
  });
  AfterStartUp([&](sim::UserActions& u) {
    EXPECT_FALSE(u.IsChecked(IDC_SET_DEFAULT));
    EXPECT_EQ(window->installation().setDefaultPrinter, 0);
    EXPECT_EQ(u.SelectedRow(IDC_PORT_LIST), Serial);
    EXPECT_TRUE(u.IsEnabled(IDC_INSTALL));
    EXPECT_EQ(u.Text(IDC_STATUS), kWin7Line);
  });
  const auto boxes = m.simUi().MessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "Service status is unknown");
  EXPECT_NE(boxThread, windowThread);
  ExpectNoUiErrors();
}

TEST_F(StartupWorkerThreads, ClosingDuringStartUpStopsTheWorkerBeforeItsNextStep) {
  m.faults().Fail("QueryServiceStatus", win::ERROR_ACCESS_DENIED);
  m.spool().AddPort("USB001", "USB Monitor", "Virtual printer port for USB");
  m.fs().WriteFile("C:\\DriverName.cfg", "[A]\nPrintName1=X\n");
  bool sawClosing = false;
  m.simUi().OnMessageBox([&](const sim::MessageBoxRecord&) {
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
  // Only the spooler step ran: no ports read, nothing unpacked, no names,
  // no environment line, Install never enabled.
  EXPECT_TRUE(window->installation().allPorts.empty());
  EXPECT_EQ(m.simUi().EnableChanges(IDD_MAIN, IDC_INSTALL), (std::vector<int>{}));
  EXPECT_EQ(m.simUi().Statuses(IDD_MAIN, IDC_STATUS), (Strings{""}));
  const auto last = m.simUi().LastWindow(IDD_MAIN);
  ASSERT_NE(last, nullptr);
  EXPECT_TRUE(last->Control(IDC_DRIVER_NAME)->comboItems.empty());
  EXPECT_FALSE(m.fs().Exists("C:\\DriverName.cfg"));
  EXPECT_EQ(m.simThreads().dispatcher().LiveThreads(), 0);
  ExpectNoUiErrors();
}

}  // namespace
