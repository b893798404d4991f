#include "dialogs/tcpip_port_dialog.h"

#include "../ports/ports_harness.h"
#include "ports/port_dialogs.h"
#include "shell/port_kind.h"

namespace ports_test {
namespace {

using Rows = std::vector<std::vector<std::string>>;

class TcpIpPortDialogTest : public PortsTest {
 protected:
  int32_t Choose() {
    int32_t result = 0;
    RunInMainWindow([&](MainWindow& w) {
      result = ChooseTcpIpPort(w.installation(), w);
      tcpipPorts = w.installation().tcpipPorts;
    });
    return result;
  }
  std::vector<sim::MessageBoxRecord> BoxesCaptioned(const std::string& caption) {
    std::vector<sim::MessageBoxRecord> found;
    for (const auto& box : Boxes()) {
      if (box.caption == caption) found.push_back(box);
    }
    return found;
  }

  StringList tcpipPorts;  // the window's list after the call
};

TEST_F(TcpIpPortDialogTest, WithoutTcpIpPortsTheWizardRunsInsteadOfTheDialog) {
  AddLocalPort("LPT1:");
  m.spool().QueueWizardCancel();
  EXPECT_EQ(Choose(), RESULT_CANCEL);
  EXPECT_TRUE(tcpipPorts.empty());

  m.spool().QueueWizardCreatesPort("IP_10.0.0.7");
  EXPECT_EQ(Choose(), RESULT_PORT_ADDED);
  EXPECT_EQ(tcpipPorts, StringList{"IP_10.0.0.7"});
  EXPECT_EQ(m.simUi().DialogsOpened(IDD_TCPIP_PORT), 0);
}

TEST_F(TcpIpPortDialogTest, AWizardPortTheWindowCannotUseCountsAsCancel) {
  // Created, but the window files a USB-named port under USB.
  m.spool().QueueWizardCreatesPort("USB_IP");
  EXPECT_EQ(Choose(), RESULT_CANCEL);
}

TEST_F(TcpIpPortDialogTest, ListsTheMonitorsPortsInEnglishOrChinese) {
  AddLocalPort("LPT1:");
  AddTcpIpPort("IP_1");
  AddTcpIpPort("IP_2", sim::kTcpIpDescriptionChinese);
  AddTcpIpPort("IP_3", "standard TCP/IP port");
  AddTcpIpPort("USB_IP");
  AddTcpIpPort("IP_4");
  Rows rows;
  std::vector<sim::ListColumn> columns;
  uint32_t row0 = 0, row1 = 0, style = 0;
  m.simUi().Script(IDD_TCPIP_PORT, [&](sim::UserActions& u) {
    rows = u.Rows(IDC_PORT_LIST);
    columns = u.Columns(IDC_PORT_LIST);
    row0 = u.ItemState(IDC_PORT_LIST, 0);
    row1 = u.ItemState(IDC_PORT_LIST, 1);
    style = u.ExtendedStyle(IDC_PORT_LIST);
    u.SelectRow(IDC_PORT_LIST, 2);
    u.Click(IDC_DIALOG_OK);
  });

  EXPECT_EQ(Choose(), RESULT_ROW_BASE + 2);
  EXPECT_EQ(rows, (Rows{{"IP_1", sim::kTcpIpDescription},
                        {"IP_2", sim::kTcpIpDescriptionChinese},
                        {"IP_4", sim::kTcpIpDescription}}));
  ASSERT_EQ(columns.size(), 2u);
  EXPECT_EQ(columns[0].heading, "Port");
  EXPECT_EQ(columns[0].width, 125);
  EXPECT_EQ(columns[1].heading, "Description");
  EXPECT_EQ(columns[1].width, 300);
  EXPECT_EQ(row0 & (win::LVIS_SELECTED | win::LVIS_FOCUSED), win::LVIS_SELECTED);
  EXPECT_EQ(row1 & win::LVIS_SELECTED, 0u);
  EXPECT_EQ(style & (win::LVS_EX_GRIDLINES | win::LVS_EX_FULLROWSELECT | win::LVS_EX_TRACKSELECT),
            win::LVS_EX_GRIDLINES | win::LVS_EX_FULLROWSELECT);
  EXPECT_EQ(tcpipPorts.at(2), "IP_4");
}

TEST_F(TcpIpPortDialogTest, AnAddedPortIsSelectedAndOkTakesIt) {
  AddTcpIpPort("IP_1");
  AddTcpIpPort("IP_2");
  m.spool().QueueWizardCreatesPort("IP_NEW");
  int selectedAfterAdd = -1;
  m.simUi().Script(IDD_TCPIP_PORT, [&](sim::UserActions& u) {
    u.Click(IDC_ADD_PORT);
    selectedAfterAdd = u.SelectedRow(IDC_PORT_LIST);
    u.Click(IDC_DIALOG_OK);
  });
  const int32_t result = Choose();
  EXPECT_EQ(selectedAfterAdd, 2);
  EXPECT_EQ(result, RESULT_ROW_BASE + 2);
  EXPECT_EQ(tcpipPorts.at(result - RESULT_ROW_BASE), "IP_NEW");
}

TEST_F(TcpIpPortDialogTest, ACancelledAddSelectsRowZeroAgain) {
  AddTcpIpPort("IP_1");
  AddTcpIpPort("IP_2");
  m.spool().QueueWizardCancel();
  m.simUi().Script(IDD_TCPIP_PORT, [&](sim::UserActions& u) {
    u.SelectRow(IDC_PORT_LIST, 1);
    u.Click(IDC_ADD_PORT);
    EXPECT_EQ(u.SelectedRow(IDC_PORT_LIST), 0);
    EXPECT_EQ(u.Rows(IDC_PORT_LIST).size(), 2u);
    u.Click(IDC_DIALOG_CANCEL);
  });
  EXPECT_EQ(Choose(), RESULT_CANCEL);
}

TEST_F(TcpIpPortDialogTest, ConfigureFailuresShowTheMonitorsReason) {
  AddTcpIpPort("IP_1");
  AddTcpIpPort("IP_2");
  m.simUi().Script(IDD_TCPIP_PORT, [&](sim::UserActions& u) {
    u.SelectRow(IDC_PORT_LIST, 1);
    u.Click(IDC_CONFIGURE_PORT);  // works
    m.faults().Fail("ConfigurePortA", win::ERROR_NOT_SUPPORTED);
    u.Click(IDC_CONFIGURE_PORT);
    m.faults().Fail("ConfigurePortA", win::ERROR_ADAP_HDW_ERR);
    u.Click(IDC_CONFIGURE_PORT);
    m.faults().Fail("ConfigurePortA", win::ERROR_ACCESS_DENIED);
    u.Click(IDC_CONFIGURE_PORT);  // no box
    EXPECT_EQ(u.Rows(IDC_PORT_LIST).size(), 2u);
    u.Click(IDC_DIALOG_CANCEL);
  });
  EXPECT_EQ(Choose(), RESULT_CANCEL);
  EXPECT_EQ(m.spool().ConfiguredPorts(), StringList{"IP_2"});
  const auto boxes = Boxes();
  ASSERT_EQ(boxes.size(), 2u) << m.simUi().Dump();
  EXPECT_EQ(boxes[0].caption, "Configure Port");
  EXPECT_EQ(boxes[0].text, "Failed to configure printer port.\r\nThe request is not supported.");
  EXPECT_EQ(boxes[1].caption, "Configure Por");
  EXPECT_EQ(boxes[1].text, "Failed to configure printer port.\r\nA hardware error occurred. ");
  for (const auto& box : boxes) {
    EXPECT_EQ(box.type, win::MB_OK);
    EXPECT_EQ(box.ownerTemplateId, IDD_TCPIP_PORT);
  }
}

TEST_F(TcpIpPortDialogTest, DeletingTheOnlyPortLeavesNothingToAccept) {
  AddTcpIpPort("IP_1");
  std::intptr_t resultWhileEmpty = 0;
  m.simUi().Script(IDD_TCPIP_PORT, [&](sim::UserActions& u) {
    u.Click(IDC_DELETE_PORT);
    EXPECT_TRUE(u.Rows(IDC_PORT_LIST).empty());
    u.Click(IDC_DIALOG_OK);
    u.PressEnter();
    resultWhileEmpty = u.Ended();
    u.CloseBox();
  });
  EXPECT_EQ(Choose(), RESULT_CANCEL);
  EXPECT_FALSE(resultWhileEmpty);
  const auto prompts = BoxesCaptioned("Prompt");
  ASSERT_EQ(prompts.size(), 2u);
  EXPECT_EQ(prompts[0].text,
            "There is no available TCP/IP port\r\nClick \"Add port\" to create a new port");
  EXPECT_EQ(prompts[0].type, win::MB_OK);
  EXPECT_TRUE(tcpipPorts.empty());
}

TEST_F(TcpIpPortDialogTest, AFailedDeleteSaysSoAndKeepsThePort) {
  AddTcpIpPort("IP_1");
  AddTcpIpPort("IP_2");
  m.simUi().Script(IDD_TCPIP_PORT, [&](sim::UserActions& u) {
    u.SelectRow(IDC_PORT_LIST, 1);
    m.faults().Fail("DeletePortA", win::ERROR_NOT_SUPPORTED);
    u.Click(IDC_DELETE_PORT);
    EXPECT_EQ(u.Rows(IDC_PORT_LIST).size(), 2u);
    EXPECT_EQ(u.SelectedRow(IDC_PORT_LIST), 0);  // rebuilt
    u.SelectRow(IDC_PORT_LIST, 1);
    u.Click(IDC_DELETE_PORT);
    u.Click(IDC_DIALOG_OK);
  });
  EXPECT_EQ(Choose(), RESULT_ROW_BASE);
  const auto boxes = BoxesCaptioned("Delete Port");
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "Failed to delete port.The request is not supported.");
  EXPECT_EQ(tcpipPorts, StringList{"IP_1"});
}

TEST_F(TcpIpPortDialogTest, KeysAndTheCloseBoxEndOnlyWithTheDialogsOwnCodes) {
  AddTcpIpPort("IP_1");
  AddTcpIpPort("IP_2");
  m.simUi().Script(IDD_TCPIP_PORT, [](sim::UserActions& u) { u.PressEscape(); });
  EXPECT_EQ(Choose(), RESULT_CANCEL);

  m.simUi().Script(IDD_TCPIP_PORT, [](sim::UserActions& u) { u.CloseBox(); });
  EXPECT_EQ(Choose(), RESULT_CANCEL);

  m.simUi().Script(IDD_TCPIP_PORT, [](sim::UserActions& u) {
    u.SelectRow(IDC_PORT_LIST, 1);
    u.PressEnter();
  });
  EXPECT_EQ(Choose(), RESULT_ROW_BASE + 1);

  // Ok with the selection cleared keeps the dialog open.
  bool endedWithoutSelection = true;
  m.simUi().Script(IDD_TCPIP_PORT, [&](sim::UserActions& u) {
    u.ClearSelection(IDC_PORT_LIST);
    u.Click(IDC_DIALOG_OK);
    endedWithoutSelection = u.Ended();
    u.Click(IDC_DIALOG_CANCEL);
  });
  EXPECT_EQ(Choose(), RESULT_CANCEL);
  EXPECT_FALSE(endedWithoutSelection);
}

}  // namespace
}  // namespace ports_test
