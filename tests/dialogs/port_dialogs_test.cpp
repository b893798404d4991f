// The parallel and TCP/IP port choices, each run from a live main window.
#include "port_steps/port_dialogs.h"
#include "../ports/ports_harness.h"
#include "dialogs/parallel_port_dialog.h"
#include "dialogs/tcpip_port_dialog.h"
#include "ports/port_kind.h"

namespace ports_test {
namespace {

using Rows = std::vector<std::vector<std::string>>;

class PortDialogTest : public PortsTest {
 protected:
  // The choice's result; `ports` is the window's list of that kind after it.
  int32_t Choose(int32_t (*choose)(Installation&, InstallerWindow&),
                 StringList Installation::*list) {
    int32_t result = 0;
    RunInMainWindow([&](MainWindow& w) {
      result = choose(w.installation(), w);
      ports = w.installation().*list;
    });
    return result;
  }
  int32_t ChooseParallel() { return Choose(ChooseParallelPort, &Installation::parallelPorts); }
  int32_t ChooseTcpIp() { return Choose(ChooseTcpIpPort, &Installation::tcpipPorts); }
  void ScriptCancels(int templateId) {
    m.simUi().Script(templateId, [](sim::UserActions& u) { u.Click(IDC_DIALOG_CANCEL); });
    m.simUi().Script(templateId, [](sim::UserActions& u) { u.PressEscape(); });
    m.simUi().Script(templateId, [](sim::UserActions& u) { u.CloseBox(); });
  }
  StringList ports;
};

// None is refused, the only one is taken without asking, several are offered
// and OK needs a selection.
TEST_F(PortDialogTest, ParallelPortsAreRefusedTakenOrOffered) {
  AddUsbPort("USB001");
  EXPECT_EQ(ChooseParallel(), RESULT_CANCEL);
  const auto boxes = Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text,
            "There is no available parallel port.\r\n\r\nPlease select other port type.");
  EXPECT_EQ(boxes[0].type, win::MB_OK | win::MB_ICONEXCLAMATION);

  AddLocalPort("LPT1:");
  AddLocalPort("lpt2:");
  AddLocalPort("LP");
  EXPECT_EQ(ChooseParallel(), RESULT_ROW_BASE);
  EXPECT_EQ(m.simUi().DialogsOpened(IDD_PARALLEL_PORT), 0);

  AddTcpIpPort("LPT7:");  // filed as a TCP/IP port by the window
  AddLocalPort("LPT2:");
  AddLocalPort("LPT3:");
  bool endedWithoutSelection = true;
  m.simUi().Script(IDD_PARALLEL_PORT, [&](sim::UserActions& u) {
    EXPECT_EQ(u.Rows(IDC_PORT_LIST),
              (Rows{{"LPT1:", "Local Port"}, {"LPT2:", "Local Port"}, {"LPT3:", "Local Port"}}));
    EXPECT_EQ(u.SelectedRow(IDC_PORT_LIST), 0);
    u.ClearSelection(IDC_PORT_LIST);
    u.Click(IDC_DIALOG_OK);
    u.PressEnter();
    endedWithoutSelection = u.Ended();
    u.SelectRow(IDC_PORT_LIST, 1);
    u.PressEnter();
  });
  EXPECT_EQ(ChooseParallel(), RESULT_ROW_BASE + 1);
  EXPECT_FALSE(endedWithoutSelection);
  EXPECT_EQ(ports.at(1), "LPT2:");
  ScriptCancels(IDD_PARALLEL_PORT);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(ChooseParallel(), RESULT_CANCEL) << i;

  // A port that goes while the dialog is open is not taken: the choice ends
  // as cancelled.
  m.simUi().Script(IDD_PARALLEL_PORT, [&](sim::UserActions& u) {
    u.SelectRow(IDC_PORT_LIST, 2);
    ASSERT_TRUE(m.spool().RemovePort("LPT3:"));
    u.PressEnter();
  });
  EXPECT_EQ(ChooseParallel(), RESULT_CANCEL);
  EXPECT_EQ(ports, (StringList{"LPT1:", "LPT2:"}));
}

TEST_F(PortDialogTest, TcpIpPortsAreAddedByTheWizardListedConfiguredAndDeleted) {
  AddLocalPort("LPT1:");
  m.spool().QueueWizardCancel();
  m.spool().QueueWizardCreatesPort("USB_IP");  // filed under USB by the window
  m.spool().QueueWizardCreatesPort("IP_1");
  EXPECT_EQ(ChooseTcpIp(), RESULT_CANCEL);
  EXPECT_EQ(ChooseTcpIp(), RESULT_CANCEL);
  EXPECT_EQ(ChooseTcpIp(), RESULT_PORT_ADDED);
  EXPECT_EQ(ports, StringList{"IP_1"});

  AddTcpIpPort("IP_2", sim::kTcpIpDescriptionChinese);
  AddTcpIpPort("IP_3", "standard TCP/IP port");
  m.spool().QueueWizardCancel();
  m.spool().QueueWizardCreatesPort("IP_NEW");
  m.simUi().Script(IDD_TCPIP_PORT, [&](sim::UserActions& u) {
    EXPECT_EQ(u.Rows(IDC_PORT_LIST),
              (Rows{{"IP_1", sim::kTcpIpDescription}, {"IP_2", sim::kTcpIpDescriptionChinese}}));
    EXPECT_EQ(u.Columns(IDC_PORT_LIST).size(), 2u);
    EXPECT_EQ(u.ExtendedStyle(IDC_PORT_LIST) &
                  (win::LVS_EX_GRIDLINES | win::LVS_EX_FULLROWSELECT | win::LVS_EX_TRACKSELECT),
              win::LVS_EX_GRIDLINES | win::LVS_EX_FULLROWSELECT);
    u.SelectRow(IDC_PORT_LIST, 1);
    u.Click(IDC_ADD_PORT);
    EXPECT_EQ(u.ItemState(IDC_PORT_LIST, 0) & (win::LVIS_SELECTED | win::LVIS_FOCUSED),
              win::LVIS_SELECTED);
    u.Click(IDC_ADD_PORT);
    EXPECT_EQ(u.SelectedRow(IDC_PORT_LIST), 2);
    u.PressEnter();
  });
  EXPECT_EQ(ChooseTcpIp(), RESULT_ROW_BASE + 2);
  EXPECT_EQ(ports.at(2), "IP_NEW");
  ScriptCancels(IDD_TCPIP_PORT);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(ChooseTcpIp(), RESULT_CANCEL) << i;

  // Configure and delete failures show the monitor's reason.
  bool endedWithoutSelection = true, endedWhileEmpty = true;
  m.simUi().Script(IDD_TCPIP_PORT, [&](sim::UserActions& u) {
    u.SelectRow(IDC_PORT_LIST, 0);
    u.Click(IDC_CONFIGURE_PORT);  // works, on the first row too
    u.SelectRow(IDC_PORT_LIST, 1);
    u.Click(IDC_CONFIGURE_PORT);
    // Access denied has no box of its own and must not borrow another reason's.
    for (uint32_t error : {win::ERROR_NOT_SUPPORTED, win::ERROR_ACCESS_DENIED,
                           win::ERROR_ADAP_HDW_ERR, win::ERROR_ACCESS_DENIED}) {
      m.faults().Fail("ConfigurePortA", error);
      u.Click(IDC_CONFIGURE_PORT);
    }
    m.faults().Fail("DeletePortA", win::ERROR_NOT_SUPPORTED);
    u.Click(IDC_DELETE_PORT);
    EXPECT_EQ(u.Rows(IDC_PORT_LIST).size(), 3u);
    EXPECT_EQ(u.SelectedRow(IDC_PORT_LIST), 0);  // rebuilt
    u.ClearSelection(IDC_PORT_LIST);
    u.Click(IDC_DIALOG_OK);
    endedWithoutSelection = u.Ended();
    u.SelectRow(IDC_PORT_LIST, 1);
    for (int i = 0; i < 3; ++i) u.Click(IDC_DELETE_PORT);
    EXPECT_TRUE(u.Rows(IDC_PORT_LIST).empty());
    u.Click(IDC_DIALOG_OK);
    u.PressEnter();
    endedWhileEmpty = u.Ended();
    u.Click(IDC_DIALOG_CANCEL);
  });
  EXPECT_EQ(ChooseTcpIp(), RESULT_CANCEL);
  EXPECT_FALSE(endedWithoutSelection);
  EXPECT_FALSE(endedWhileEmpty);
  EXPECT_EQ(m.spool().ConfiguredPorts(), (StringList{"IP_1", "IP_2"}));
  std::vector<std::string> boxes;
  for (const auto& box : Boxes()) {
    EXPECT_EQ(box.ownerTemplateId, IDD_TCPIP_PORT);
    boxes.push_back(box.caption + ": " + box.text);
  }
  const std::string noPort =
      "Prompt: There is no available TCP/IP port\r\nClick \"Add port\" to create a new port";
  EXPECT_EQ(boxes, (std::vector<std::string>{
                       "Configure Port: Failed to configure printer port.\r\nThe request is not "
                       "supported.",
                       "Configure Por: Failed to configure printer port.\r\nA hardware error "
                       "occurred. ",
                       "Delete Port: Failed to delete port.The request is not supported.", noPort,
                       noPort}));
}

}  // namespace
}  // namespace ports_test
