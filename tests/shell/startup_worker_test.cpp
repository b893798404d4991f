#include "shell/startup_worker.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/win_constants.h"
#include "shell_fixture.h"

namespace {

using shell_test::ShellFixture;

constexpr char kWin7Line[] = "Current Systems is Microsoft Windows 7  32 bit";

class StartupWorkerThreads : public ShellFixture {};

TEST_F(StartupWorkerThreads, DefaultPortKindFollowsThePortsFound) {
  struct Case {
    bool usb, serial, parallel, tcpip;
    int row;
  };
  const Case cases[] = {
      {true, true, true, true, Usb},        {false, true, true, true, Serial},
      {false, false, true, true, Parallel}, {false, false, false, true, TcpIp},
      {false, false, false, false, Serial}, {true, false, false, false, Usb},
      {false, true, false, false, Serial},  {false, false, true, false, Parallel},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.usb << c.serial << c.parallel << c.tcpip);
    sim::SimMachine machine;
    if (c.usb) machine.spool().AddPort("USB001", "USB Monitor", "Virtual printer port for USB");
    if (c.serial) {
      machine.reg().SetString(platform::kHkeyLocalMachine, shell_test::kPortsKey,
                              "\\Device\\Serial0", "COM1");
    }
    if (c.parallel) machine.spool().AddPort("LPT1:", "Local Monitor", "Local Port");
    if (c.tcpip) machine.spool().AddPort("IP_10.1.1.1", "TCPMON", "Standard TCP/IP Port");
    MainWindow localWindow(machine, machine.ui().RegisterWindowMessageA("MyUpdateData"));
    machine.simUi().Script(IDD_MAIN, [&](sim::UserActions& u) {
      shell_test::WaitForStartUp(machine, u);
      EXPECT_EQ(DefaultPortKind(localWindow.installation()), c.row);
      EXPECT_EQ(u.SelectedRow(IDC_PORT_LIST), c.row);
      for (int row = 0; row < 4; ++row) {
        const uint32_t state = u.ItemState(IDC_PORT_LIST, row);
        EXPECT_EQ((state & win::LVIS_SELECTED) != 0, row == c.row) << row;
        EXPECT_EQ(state & win::LVIS_FOCUSED, 0u) << row;
      }
      u.Click(win::IDCANCEL);
    });
    machine.ui().DialogBoxParamA(IDD_MAIN, 0, localWindow);
    EXPECT_TRUE(machine.simUi().Errors().empty()) << machine.simUi().Dump();
  }
}

TEST_F(StartupWorkerThreads, StatusGoesFromEmptyToReadingToTheEnvironmentLine) {
  m.spool().AddPort("USB001", "USB Monitor", "Virtual printer port for USB");
  RunWindow([&](sim::UserActions& u) {
    shell_test::WaitForStartUp(m, u);
    EXPECT_TRUE(u.IsEnabled(IDC_INSTALL));
    EXPECT_EQ(u.SelectedRow(IDC_PORT_LIST), Usb);
    u.Click(win::IDCANCEL);
  });

  // Changes only: the template's own text is never on screen.
  EXPECT_EQ(m.simUi().Statuses(IDD_MAIN, IDC_STATUS),
            (std::vector<std::string>{"", "Reading driver file...", kWin7Line}));
  EXPECT_EQ(m.simUi().EnableChanges(IDD_MAIN, IDC_INSTALL), (std::vector<int>{1}));

  // Row 0 is chosen before the worker moves the selection, and Install is
  // enabled only after the environment line was written.
  const std::vector<sim::Event> events = m.simUi().Transcript();
  std::vector<int64_t> selections;
  size_t readingAt = events.size();
  size_t lineAt = events.size();
  size_t enabledAt = events.size();
  for (size_t i = 0; i < events.size(); ++i) {
    const sim::Event& e = events[i];
    if (e.kind == sim::EventKind::ListSelection && e.controlId == IDC_PORT_LIST) {
      selections.push_back(e.value);
    }
    if (e.kind == sim::EventKind::Text && e.controlId == IDC_STATUS) {
      if (e.text == "Reading driver file...") readingAt = i;
      if (e.text == kWin7Line) lineAt = i;
    }
    if (e.kind == sim::EventKind::Enabled && e.controlId == IDC_INSTALL && e.value == 1) {
      enabledAt = i;
    }
  }
  EXPECT_EQ(selections, (std::vector<int64_t>{Serial, Usb}));
  ASSERT_LT(enabledAt, events.size()) << m.simUi().Dump();
  EXPECT_LT(readingAt, lineAt);
  EXPECT_LT(lineAt, enabledAt);
  ExpectNoUiErrors();
}

// Each send from the worker to the window is a round trip between threads,
// and the window's thread may be busy drawing: a step that drives several
// controls does it in one send, however many driver names there are.
TEST_F(StartupWorkerThreads, EachStepReachesTheWindowInAtMostOneSend) {
  m.spool().AddPort("USB001", "USB Monitor", "Virtual printer port for USB");
  std::string file;
  for (int section = 0; section < 6; ++section) {
    file += "[S" + std::to_string(section) + "]\n";
    for (int n = 1; n <= 10; ++n) {
      file += "PrintName" + std::to_string(n) + "=Name " + std::to_string(section * 10 + n) + "\n";
    }
  }
  m.fs().WriteFile("C:\\DriverName.cfg", file);
  int sends = -1;
  size_t items = 0;
  RunWindow([&](sim::UserActions& u) {
    shell_test::WaitForStartUp(m, u);
    sends = m.simThreads().dispatcher().CrossThreadSends();
    items = u.ComboItems(IDC_DRIVER_NAME).size();
    EXPECT_EQ(u.Text(IDC_PRINTER_NAME), "Name 1");
    EXPECT_EQ(u.SelectedRow(IDC_PORT_LIST), Usb);
    EXPECT_TRUE(u.IsEnabled(IDC_INSTALL));
    u.Click(win::IDCANCEL);
  });
  EXPECT_EQ(items, 60u);
  // Ports, package status, driver names, port kind, environment line and
  // the Install button: six steps that touch the window.
  EXPECT_GT(sends, 0);
  EXPECT_LE(sends, 6);
  EXPECT_EQ(m.simUi().Statuses(IDD_MAIN, IDC_STATUS),
            (std::vector<std::string>{"", "Reading driver file...", kWin7Line}));
  ExpectNoUiErrors();
}

TEST_F(StartupWorkerThreads, StoppedSpoolerIsStartedBeforeThePortsAreRead) {
  m.svc().SetState("Spooler", win::SERVICE_STOPPED);
  m.spool().AddPort("LPT1:", "Local Monitor", "Local Port");
  RunWindow([&](sim::UserActions& u) {
    shell_test::WaitForStartUp(m, u);
    u.Click(win::IDCANCEL);
  });
  EXPECT_EQ(m.svc().Starts("Spooler"), 1);
  EXPECT_EQ(m.svc().State("Spooler"), win::SERVICE_RUNNING);
  // The spooler answers only once it runs: the list proves the order.
  EXPECT_EQ(window->installation().parallelPorts, (std::vector<std::string>{"LPT1:"}));
}

TEST_F(StartupWorkerThreads, UnknownSpoolerStateIsReportedFromTheWorkerAndStartUpGoesOn) {
  m.faults().Fail("QueryServiceStatus", win::ERROR_ACCESS_DENIED);
  const std::thread::id windowThread = std::this_thread::get_id();
  std::thread::id boxThread = windowThread;
  m.simUi().OnMessageBox([&](const sim::MessageBoxRecord&) {
    boxThread = std::this_thread::get_id();
    return 0;
  });
  RunWindow([&](sim::UserActions& u) {
    shell_test::WaitForStartUp(m, u);
    EXPECT_TRUE(u.IsEnabled(IDC_INSTALL));
    EXPECT_EQ(u.Text(IDC_STATUS), kWin7Line);
    u.Click(win::IDCANCEL);
  });
  const auto boxes = m.simUi().MessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "Service status is unknown");
  EXPECT_NE(boxThread, windowThread);
}

// The user acts while the worker waits for the answer to its spooler box:
// the one moment of start-up at which input can be given deterministically.
TEST_F(StartupWorkerThreads, UncheckingDuringStartUpIsNotUndoneByTheWorkersRefreshes) {
  m.faults().Fail("QueryServiceStatus", win::ERROR_ACCESS_DENIED);
  AddSerialDevice("\\Device\\Serial0", "COM1");
  m.simUi().OnMessageBox([&](const sim::MessageBoxRecord&) {
    m.ui().CheckDlgButton(window->hwnd(), IDC_SET_DEFAULT, false);
    SendCommand(IDC_SET_DEFAULT, win::BN_CLICKED);
    return 0;
  });
  RunWindow([&](sim::UserActions& u) {
    shell_test::WaitForStartUp(m, u);
    // Port inventory, unpacking, names, port kind and environment each
    // refreshed the window after the click.
    EXPECT_FALSE(u.IsChecked(IDC_SET_DEFAULT));
    EXPECT_EQ(window->installation().setDefaultPrinter, 0);
    EXPECT_EQ(u.SelectedRow(IDC_PORT_LIST), Serial);
    EXPECT_TRUE(u.IsEnabled(IDC_INSTALL));
    u.Click(win::IDCANCEL);
  });
  EXPECT_EQ(m.simUi().Statuses(IDD_MAIN, IDC_STATUS).back(), kWin7Line);
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
  EXPECT_TRUE(window->installation().usbPorts.empty());
  EXPECT_TRUE(window->installation().allPorts.empty());
  EXPECT_EQ(m.simUi().EnableChanges(IDD_MAIN, IDC_INSTALL), (std::vector<int>{}));
  EXPECT_EQ(m.simUi().Statuses(IDD_MAIN, IDC_STATUS), (std::vector<std::string>{""}));
  const auto last = m.simUi().LastWindow(IDD_MAIN);
  ASSERT_NE(last, nullptr);
  EXPECT_TRUE(last->Control(IDC_DRIVER_NAME)->comboItems.empty());
  EXPECT_FALSE(m.fs().Exists("C:\\DriverName.cfg"));
  EXPECT_EQ(m.simThreads().dispatcher().LiveThreads(), 0);
  ExpectNoUiErrors();
}

}  // namespace
