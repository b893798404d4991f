#include "dialogs/parallel_port_dialog.h"

#include "../ports/ports_harness.h"
#include "ports/port_dialogs.h"
#include "shell/port_kind.h"

namespace ports_test {
namespace {

class ParallelPortDialogTest : public PortsTest {
 protected:
  int32_t Choose() {
    int32_t result = 0;
    RunInMainWindow([&](MainWindow& w) {
      result = ChooseParallelPort(w.installation(), w);
      parallelPorts = w.installation().parallelPorts;
    });
    return result;
  }
  StringList parallelPorts;
};

TEST_F(ParallelPortDialogTest, NoParallelPortIsRefused) {
  AddUsbPort("USB001");
  EXPECT_EQ(Choose(), RESULT_CANCEL);
  const auto boxes = Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text,
            "There is no available parallel port.\r\n\r\nPlease select other port type.");
  EXPECT_EQ(boxes[0].caption, m.system().ApplicationTitle());
  EXPECT_EQ(boxes[0].type, win::MB_OK | win::MB_ICONEXCLAMATION);
  EXPECT_EQ(boxes[0].ownerTemplateId, IDD_MAIN);
  EXPECT_EQ(m.simUi().DialogsOpened(IDD_PARALLEL_PORT), 0);
}

TEST_F(ParallelPortDialogTest, TheOnlyPortIsTakenWithoutAsking) {
  AddLocalPort("LPT1:");
  AddLocalPort("lpt2:");
  AddLocalPort("LP");
  EXPECT_EQ(Choose(), RESULT_ROW_BASE);
  EXPECT_EQ(m.simUi().DialogsOpened(IDD_PARALLEL_PORT), 0);
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(ParallelPortDialogTest, SeveralPortsAreOfferedInEnumerationOrder) {
  AddLocalPort("LPT1:");
  AddLocalPort("lpt9:");
  AddTcpIpPort("LPT7:");  // filed as a TCP/IP port by the window
  AddLocalPort("LPT2:");
  AddLocalPort("LPT3:");
  std::vector<std::vector<std::string>> rows;
  m.simUi().Script(IDD_PARALLEL_PORT, [&](sim::UserActions& u) {
    rows = u.Rows(IDC_PORT_LIST);
    EXPECT_EQ(u.SelectedRow(IDC_PORT_LIST), 0);
    EXPECT_EQ(u.Columns(IDC_PORT_LIST).size(), 2u);
    u.SelectRow(IDC_PORT_LIST, 1);
    u.Click(IDC_DIALOG_OK);
  });
  const int32_t result = Choose();
  EXPECT_EQ(result, RESULT_ROW_BASE + 1);
  EXPECT_EQ(rows, (std::vector<std::vector<std::string>>{
                      {"LPT1:", "Local Port"}, {"LPT2:", "Local Port"}, {"LPT3:", "Local Port"}}));
  EXPECT_EQ(parallelPorts.at(result - RESULT_ROW_BASE), "LPT2:");
}

TEST_F(ParallelPortDialogTest, CancelEscapeAndTheCloseBoxAllCancel) {
  AddLocalPort("LPT1:");
  AddLocalPort("LPT2:");
  m.simUi().Script(IDD_PARALLEL_PORT, [](sim::UserActions& u) { u.Click(IDC_DIALOG_CANCEL); });
  m.simUi().Script(IDD_PARALLEL_PORT, [](sim::UserActions& u) { u.PressEscape(); });
  m.simUi().Script(IDD_PARALLEL_PORT, [](sim::UserActions& u) { u.CloseBox(); });
  for (int i = 0; i < 3; ++i) EXPECT_EQ(Choose(), RESULT_CANCEL) << i;
  EXPECT_EQ(m.simUi().DialogResults(IDD_PARALLEL_PORT),
            (std::vector<std::intptr_t>{RESULT_CANCEL, RESULT_CANCEL, RESULT_CANCEL}));
}

TEST_F(ParallelPortDialogTest, OkWithoutASelectionKeepsTheDialogOpen) {
  AddLocalPort("LPT1:");
  AddLocalPort("LPT2:");
  bool ended = true;
  m.simUi().Script(IDD_PARALLEL_PORT, [&](sim::UserActions& u) {
    u.ClearSelection(IDC_PORT_LIST);
    u.Click(IDC_DIALOG_OK);
    u.PressEnter();
    ended = u.Ended();
    u.SelectRow(IDC_PORT_LIST, 1);
    u.PressEnter();
  });
  EXPECT_EQ(Choose(), RESULT_ROW_BASE + 1);
  EXPECT_FALSE(ended);
}

}  // namespace
}  // namespace ports_test
