#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>

#include "platform/sim/sim_machine.h"
#include "platform/win_constants.h"
#include "sim/ui_fixture.h"
#include "sim/ui_test_support.h"

namespace {

using uitest::Bench;
using uitest::RecordingDialog;

TEST(SimUiDialog, ScriptDrivesControlsAndTheTranscriptKeepsWhatWasShown) {
  Bench b;
  RecordingDialog d(b.ui);
  d.onInit = [&] {
    b.ui.SetDlgItemTextA(d.hwnd(), IDC_NOTE, "");
    b.ui.ComboAddString(d.hwnd(), IDC_KIND, "alpha");
    b.ui.ComboAddString(d.hwnd(), IDC_KIND, "beta");
  };
  d.onCommand = [&](int id, int code) {
    if (id == IDC_KIND && code == win::CBN_SELCHANGE) {
      b.ui.SetDlgItemTextA(d.hwnd(), IDC_NOTE, b.ui.GetDlgItemTextA(d.hwnd(), IDC_KIND));
      b.ui.EnableDlgItem(d.hwnd(), IDC_GO, true);
    }
    if (id == IDC_GO) {
      b.ui.SetProgressPos(d.hwnd(), IDC_BAR, 30);
      b.ui.SetProgressPos(d.hwnd(), IDC_BAR, 130);  // clamped to the default range
      b.ui.SetDlgItemTextA(d.hwnd(), IDC_NOTE, "done");
      b.ui.SetDlgItemTextA(d.hwnd(), IDC_NOTE, "done");  // unchanged: not a new status
    }
    if (id == win::IDCANCEL) b.ui.EndDialog(d.hwnd(), 77);
  };
  bool sawDisabledGo = true;
  b.ui.Script(IDD_FORM, [&](sim::UserActions& u) {
    sawDisabledGo = !u.IsEnabled(IDC_GO);
    u.Click(IDC_GO);  // disabled: an error, no command
    u.SelectCombo(IDC_KIND, 1);
    EXPECT_EQ(u.Text(IDC_KIND), "beta");
    u.SetCheck(IDC_OPTION, true);
    u.SetCheck(IDC_OPTION, true);  // already checked: no click
    u.Click(IDC_GO);
    u.PressEscape();
    u.Click(IDC_GO);  // after the end: an error
  });

  EXPECT_EQ(b.ui.DialogBoxParamA(IDD_FORM, 0, d), 77);
  EXPECT_TRUE(sawDisabledGo);
  EXPECT_EQ(d.log, (std::vector<std::string>{"init", "command 1106/1", "command 1101/0",
                                             "command 1104/0", "command 2/0", "destroy"}));
  EXPECT_EQ(b.ui.Statuses(IDD_FORM, IDC_NOTE), (std::vector<std::string>{"", "beta", "done"}));
  EXPECT_EQ(b.ui.ProgressPositions(IDD_FORM, IDC_BAR), (std::vector<int>{30, 100}));
  EXPECT_EQ(b.ui.EnableChanges(IDD_FORM, IDC_GO), (std::vector<int>{1}));
  EXPECT_EQ(b.ui.DialogResults(IDD_FORM), (std::vector<std::intptr_t>{77}));
  const auto errors = b.ui.Errors();
  ASSERT_EQ(errors.size(), 2u) << b.ui.Dump();
  EXPECT_NE(errors[0].find("disabled"), std::string::npos);
  EXPECT_NE(errors[1].find("after the dialog ended"), std::string::npos);

  auto last = b.ui.LastWindow(IDD_FORM);
  ASSERT_NE(last, nullptr);
  EXPECT_TRUE(last->Control(IDC_OPTION)->checked);
  EXPECT_EQ(last->Control(IDC_BAR)->progress, 100);
  // A send to the destroyed window comes back at once with 0.
  EXPECT_EQ(b.ui.SendMessageA(d.hwnd(), win::WM_USER + 7, 1, 2), 0);
  EXPECT_EQ(b.ui.GetDlgItemTextA(d.hwnd(), IDC_NOTE), "");
}

TEST(SimUiDialog, WithoutScriptTheUserClosesAndAStubbornDialogIsEndedWithCancel) {
  Bench b;
  RecordingDialog polite(b.ui);
  EXPECT_EQ(b.ui.DialogBoxParamA(IDD_PLAIN, 0, polite), win::IDCANCEL);
  EXPECT_EQ(polite.log, (std::vector<std::string>{"init", "close", "destroy"}));
  EXPECT_TRUE(b.ui.Errors().empty());

  RecordingDialog stubborn(b.ui);
  stubborn.endOnClose = false;
  EXPECT_EQ(b.ui.DialogBoxParamA(IDD_PLAIN, 0, stubborn), win::IDCANCEL);
  ASSERT_EQ(b.ui.Errors().size(), 1u);
  EXPECT_NE(b.ui.Errors()[0].find("did not end"), std::string::npos);

  RecordingDialog nothing(b.ui);
  EXPECT_EQ(b.ui.DialogBoxParamA(4242, 0, nothing), -1);
  EXPECT_TRUE(nothing.log.empty());
}

TEST(SimUiDialog, EnterPressesTheLastDefaultButtonOnlyWhenEnabled) {
  Bench b;
  RecordingDialog form(b.ui);
  form.onCommand = [&](int id, int) {
    if (id == IDC_GO) b.ui.EndDialog(form.hwnd(), 5);
  };
  b.ui.Script(IDD_FORM, [&](sim::UserActions& u) {
    u.PressEnter();  // IDC_GO is the default and disabled: nothing happens
    b.ui.EnableDlgItem(u.hwnd(), IDC_GO, true);
    u.PressEnter();
  });
  EXPECT_EQ(b.ui.DialogBoxParamA(IDD_FORM, 0, form), 5);
  EXPECT_EQ(form.log, (std::vector<std::string>{"init", "command 1104/0", "destroy"}));

  RecordingDialog plain(b.ui);
  plain.onCommand = [&](int id, int) { b.ui.EndDialog(plain.hwnd(), id); };
  b.ui.Script(IDD_PLAIN, [](sim::UserActions& u) { u.PressEnter(); });
  EXPECT_EQ(b.ui.DialogBoxParamA(IDD_PLAIN, 0, plain), win::IDOK);
}

TEST(SimUiDialog, MessageBoxesTakeQueuedAnswersThenTheCallbackThenTheDefault) {
  Bench b;
  b.ui.AnswerMessageBoxes({win::IDRETRY, win::IDYES});
  int asked = 0;
  b.ui.OnMessageBox([&](const sim::MessageBoxRecord& box) {
    ++asked;
    return box.text == "callback" ? win::IDYES : 0;
  });
  EXPECT_EQ(b.ui.MessageBoxA(0, "first", "Error", win::MB_RETRYCANCEL | win::MB_ICONSTOP),
            win::IDRETRY);
  // A queued answer that the box does not have: error, then the default.
  EXPECT_EQ(b.ui.MessageBoxA(0, "second", "Error", win::MB_OK), win::IDOK);
  EXPECT_EQ(b.ui.MessageBoxA(0, "callback", "Prompt", win::MB_YESNO), win::IDYES);
  EXPECT_EQ(b.ui.MessageBoxA(0, "default", "Prompt", win::MB_YESNO), win::IDNO);
  EXPECT_EQ(b.ui.MessageBoxA(0, "default", "Prompt", win::MB_OKCANCEL), win::IDCANCEL);
  EXPECT_EQ(b.ui.MessageBoxA(0, "default", "Prompt", win::MB_YESNOCANCEL), win::IDCANCEL);
  EXPECT_EQ(asked, 4);

  const auto boxes = b.ui.MessageBoxes();
  ASSERT_EQ(boxes.size(), 6u);
  EXPECT_EQ(boxes[0].caption, "Error");
  EXPECT_EQ(boxes[0].buttons(), win::MB_RETRYCANCEL);
  EXPECT_EQ(boxes[0].icon(), win::MB_ICONSTOP);
  EXPECT_EQ(boxes[0].answer, win::IDRETRY);
  EXPECT_EQ(boxes[1].answer, win::IDOK);
  EXPECT_EQ(boxes[2].text, "callback");
  ASSERT_EQ(b.ui.Errors().size(), 1u);
  EXPECT_NE(b.ui.Errors()[0].find("not a button"), std::string::npos);
}

TEST(SimUiDialog, BoxOwnedByADialogNamesItsTemplate) {
  Bench b;
  RecordingDialog d(b.ui);
  d.onInit = [&] { b.ui.MessageBoxA(d.hwnd(), "owned", "Error", win::MB_OK); };
  b.ui.DialogBoxParamA(IDD_PLAIN, 0, d);
  ASSERT_EQ(b.ui.MessageBoxes().size(), 1u);
  EXPECT_EQ(b.ui.MessageBoxes()[0].ownerTemplateId, IDD_PLAIN);
  EXPECT_EQ(b.ui.MessageBoxes()[0].owner, d.hwnd());
}

TEST(SimUiDialog, RegisteredMessagesAreStablePerNameAndReachTheDialog) {
  Bench b;
  const uint32_t a = b.ui.RegisterWindowMessageA("MyUpdateData");
  EXPECT_GE(a, 0xC000u);
  EXPECT_EQ(b.ui.RegisterWindowMessageA("myupdatedata"), a);
  EXPECT_NE(b.ui.RegisterWindowMessageA("Other"), a);

  RecordingDialog d(b.ui);
  d.onMessage = [&](uint32_t message, platform::WParam w, platform::LParam l) {
    return static_cast<platform::LResult>(message == a ? w + static_cast<platform::WParam>(l) : 0);
  };
  platform::LResult got = 0;
  d.onInit = [&] { got = b.ui.SendMessageA(d.hwnd(), a, 40, 2); };
  b.ui.DialogBoxParamA(IDD_PLAIN, 0, d);
  EXPECT_EQ(got, 42);
}

TEST(SimUiDialog, ListAndComboBehaveLikeTheCommonControls) {
  Bench b;
  RecordingDialog d(b.ui);
  d.onInit = [&] {
    const auto h = d.hwnd();
    b.ui.ListInsertColumn(h, IDC_LIST, 0, "Port", win::LVCFMT_LEFT, 110);
    b.ui.ListInsertColumn(h, IDC_LIST, 1, "Description", win::LVCFMT_LEFT, 450);
    EXPECT_EQ(b.ui.ListInsertItem(h, IDC_LIST, 0, "a"), 0);
    EXPECT_EQ(b.ui.ListInsertItem(h, IDC_LIST, 9, "c"), 1);  // past the end: appended
    EXPECT_EQ(b.ui.ListInsertItem(h, IDC_LIST, 1, "b"), 1);
    b.ui.ListSetItemText(h, IDC_LIST, 1, 1, "bee");
    b.ui.ListSetItemState(h, IDC_LIST, 0, win::LVIS_SELECTED | win::LVIS_FOCUSED,
                          win::LVIS_SELECTED | win::LVIS_FOCUSED);
    // Single selection: selecting row 2 takes the selection from row 0, but
    // the mask leaves row 0's focus alone.
    b.ui.ListSetItemState(h, IDC_LIST, 2, win::LVIS_SELECTED, win::LVIS_SELECTED);
    EXPECT_EQ(b.ui.ListGetItemState(h, IDC_LIST, 0, 0xFF), win::LVIS_FOCUSED);
    EXPECT_EQ(b.ui.ListGetItemState(h, IDC_LIST, 2, win::LVIS_SELECTED), win::LVIS_SELECTED);
    b.ui.ListSetExtendedStyle(h, IDC_LIST, win::LVS_EX_GRIDLINES);
    EXPECT_EQ(b.ui.ListGetExtendedStyle(h, IDC_LIST), win::LVS_EX_GRIDLINES);

    b.ui.ComboAddString(h, IDC_KIND, "one");
    b.ui.ComboSetCurSel(h, IDC_KIND, 0);
    EXPECT_EQ(b.ui.GetDlgItemTextA(h, IDC_KIND), "one");
    b.ui.ComboSetCurSel(h, IDC_KIND, 5);  // out of range clears the selection
    EXPECT_EQ(b.ui.ComboGetCurSel(h, IDC_KIND), -1);
    EXPECT_EQ(b.ui.GetDlgItemTextA(h, IDC_KIND), "");
    b.ui.ComboAddString(h, IDC_NOTE, "x");  // not a combo box: an error
    b.ui.SetProgressPos(h, 31337, 5);       // no such control: an error
  };
  b.ui.Script(IDD_FORM, [](sim::UserActions& u) {
    EXPECT_EQ(u.Rows(IDC_LIST),
              (std::vector<std::vector<std::string>>{{"a"}, {"b", "bee"}, {"c"}}));
    u.SelectRow(IDC_LIST, 1);
    EXPECT_EQ(u.ItemState(IDC_LIST, 1), win::LVIS_SELECTED | win::LVIS_FOCUSED);
    EXPECT_EQ(u.ItemState(IDC_LIST, 0), 0u);
    EXPECT_EQ(u.ItemState(IDC_LIST, 2), 0u);
    u.ClearSelection(IDC_LIST);
    EXPECT_EQ(u.SelectedRow(IDC_LIST), -1);
    u.SelectRow(IDC_LIST, 3);  // no such row
    u.PressEscape();
  });
  d.onCommand = [&](int id, int) {
    if (id == win::IDCANCEL) b.ui.EndDialog(d.hwnd(), 0);
  };
  b.ui.DialogBoxParamA(IDD_FORM, 0, d);
  const auto errors = b.ui.Errors();
  ASSERT_EQ(errors.size(), 3u) << b.ui.Dump();
  EXPECT_NE(errors[0].find("ComboAddString"), std::string::npos);
  EXPECT_NE(errors[1].find("no control 31337"), std::string::npos);
  EXPECT_NE(errors[2].find("no such row"), std::string::npos);
}

TEST(SimUiTimers, ProbeTimersRunOnVirtualTimeAtNoRealCost) {
  Bench b;
  RecordingDialog d(b.ui);
  std::vector<uint64_t> firedAt;
  d.onInit = [&] {
    b.ui.SetTimer(d.hwnd(), 1, 700);
    b.ui.SetTimer(d.hwnd(), 2, 250);
  };
  d.onTimer = [&](std::uintptr_t id) {
    if (id == 2) {
      b.ui.KillTimer(d.hwnd(), 2);
      return;
    }
    firedAt.push_back(b.clock.NowMs());
    if (firedAt.size() == 2) b.ui.SetTimer(d.hwnd(), 1, 700);  // replaces the running one
    if (firedAt.size() == 100) {
      b.ui.KillTimer(d.hwnd(), 1);
      b.ui.EndDialog(d.hwnd(), 9);
    }
  };
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(b.ui.DialogBoxParamA(IDD_PLAIN, 0, d), 9);
  const auto realMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                          std::chrono::steady_clock::now() - start)
                          .count();
  ASSERT_EQ(firedAt.size(), 100u);
  EXPECT_EQ(firedAt[0], 700u);
  EXPECT_EQ(firedAt[1], 1400u);
  EXPECT_EQ(firedAt[99], 70000u);
  EXPECT_LT(realMs, 5000);  // 70 virtual seconds
  EXPECT_EQ(d.log[1], "timer 2");
  EXPECT_EQ(std::count(d.log.begin(), d.log.end(), "timer 2"), 1);
  EXPECT_TRUE(b.ui.Timers(d.hwnd()).empty());
}

TEST(SimUiTimers, AdvanceTimeDeliversOnlyWhatFallsDueAndSleepMovesTheClock) {
  Bench b;
  RecordingDialog d(b.ui);
  d.onInit = [&] { b.ui.SetTimer(d.hwnd(), 1, 700); };
  b.ui.Script(IDD_PLAIN, [&](sim::UserActions& u) {
    u.AdvanceTime(699);
    EXPECT_EQ(std::count(d.log.begin(), d.log.end(), "timer 1"), 0);
    u.AdvanceTime(1);
    EXPECT_EQ(std::count(d.log.begin(), d.log.end(), "timer 1"), 1);
    b.clock.Sleep(5000);  // missed intervals give one message, not seven
    u.AdvanceTime(0);
    EXPECT_EQ(std::count(d.log.begin(), d.log.end(), "timer 1"), 2);
    EXPECT_EQ(b.clock.NowMs(), 5700u);
    u.Click(win::IDCANCEL);
  });
  d.onCommand = [&](int id, int) {
    if (id == win::IDCANCEL) b.ui.EndDialog(d.hwnd(), 0);
  };
  b.ui.DialogBoxParamA(IDD_PLAIN, 0, d);
  EXPECT_EQ(b.clock.GetTickCount(), 5700u);
  EXPECT_EQ(b.clock.SleptMs(), 5000u);
}

TEST(SimUiTimers, EndlessTimerIsCutOffWithAnError) {
  Bench b;
  b.ui.SetTimerTickLimit(20);
  RecordingDialog d(b.ui);
  d.onInit = [&] { b.ui.SetTimer(d.hwnd(), 1, 700); };
  EXPECT_EQ(b.ui.DialogBoxParamA(IDD_PLAIN, 0, d), 2);
  EXPECT_EQ(std::count(d.log.begin(), d.log.end(), "timer 1"), 20);
  ASSERT_EQ(b.ui.Errors().size(), 1u);
  EXPECT_NE(b.ui.Errors()[0].find("still running"), std::string::npos);
}

// Each kind of handle shows in Leftovers() while open and leaves it once
// closed; a timer counts while its window lives, and a progress position
// outside 0..100 is remembered after the dialog is gone.
TEST(SimLeftovers, NameWhatIsStillOpenUntilItIsClosed) {
  sim::SimMachine m;
  m.simUi().UseTemplates(uitest::FixtureTemplates());
  m.reg().CreateKey(platform::kHkeyLocalMachine, "SOFTWARE\\Vendor");
  m.simComm().AddDevice(3);
  using Close = std::function<void()>;
  struct Case {
    const char* shown;
    std::function<Close(platform::WindowId)> open;
  };
  const std::vector<Case> cases = {
      {"registry keys open: 1",
       [&](platform::WindowId) -> Close {
         platform::KeyHandle key = 0;
         EXPECT_EQ(m.registry().RegOpenKeyExA(platform::kHkeyLocalMachine, "SOFTWARE\\Vendor",
                                              win::KEY_READ, key),
                   0u);
         return [&m, key] { m.registry().RegCloseKey(key); };
       }},
      {"service handles open: 1",
       [&](platform::WindowId) -> Close {
         const auto manager = m.services().OpenSCManagerA("", win::SC_MANAGER_ALL_ACCESS);
         return [&m, manager] { m.services().CloseServiceHandle(manager); };
       }},
      {"find handles open: 1",
       [&](platform::WindowId) -> Close {
         platform::FindData data;
         const auto find = m.files().FindFirstFileA("C:\\WINDOWS\\*", data);
         return [&m, find] { m.files().FindClose(find); };
       }},
      {"comm port and event handles open: 1",
       [&](platform::WindowId) -> Close {
         const auto port = m.comm().CreateFileA("\\\\.\\COM3", 0, 0, 3, 0);
         return [&m, port] { m.comm().CloseHandle(port); };
       }},
      {"timers still set: 1",
       [&](platform::WindowId hwnd) -> Close {
         m.ui().SetTimer(hwnd, 7, 100);
         return [&m, hwnd] { m.ui().KillTimer(hwnd, 7); };
       }},
  };
  RecordingDialog d(m.ui());
  m.simUi().Script(IDD_FORM, [&](sim::UserActions& u) {
    const std::string whileOpen = m.Leftovers();
    EXPECT_EQ(whileOpen, "dialogs not destroyed: 1");
    for (const auto& c : cases) {
      const Close close = c.open(u.hwnd());
      EXPECT_THAT(m.Leftovers(), ::testing::HasSubstr(c.shown));
      close();
      EXPECT_EQ(m.Leftovers(), whileOpen) << c.shown;
    }
    m.ui().SetTimer(u.hwnd(), 8, 100);  // goes with the window
    m.ui().SetProgressPos(u.hwnd(), IDC_BAR, 0);
    m.ui().SetProgressPos(u.hwnd(), IDC_BAR, 100);
    EXPECT_EQ(m.Leftovers(), "dialogs not destroyed: 1; timers still set: 1");
    m.ui().SetProgressPos(u.hwnd(), IDC_BAR, 101);
    u.CloseBox();
  });
  m.ui().DialogBoxParamA(IDD_FORM, 0, d);
  EXPECT_EQ(m.Leftovers(), "progress bar 1103 of dialog 201 set to 101, outside 0..100");
}

}  // namespace
