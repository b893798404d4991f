#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

#include "platform/win_constants.h"
#include "sim/ui_fixture.h"
#include "sim/ui_test_support.h"

namespace {

using uitest::Bench;
using uitest::RecordingDialog;

constexpr uint32_t kNote = win::WM_USER + 7;

TEST(SimUiSendThreads, SendsFromAWorkerRunOnTheWindowThreadInOrder) {
  Bench b;
  RecordingDialog d(b.ui);
  std::vector<platform::WParam> received;  // window thread only
  std::atomic<bool> allOnWindowThread{true};
  std::thread::id windowThread;
  std::unique_ptr<platform::Thread> worker;
  d.onMessage = [&](uint32_t message, platform::WParam w, platform::LParam) {
    if (std::this_thread::get_id() != windowThread) allOnWindowThread = false;
    if (message == kNote) received.push_back(w);
    return static_cast<platform::LResult>(w * 2);
  };
  std::vector<platform::LResult> results;  // worker only, read after Wait
  std::string workerSawText;
  d.onInit = [&] {
    windowThread = std::this_thread::get_id();
    worker = b.threads.StartThread([&] {
      for (platform::WParam i = 1; i <= 50; ++i) {
        results.push_back(b.ui.SendMessageA(d.hwnd(), kNote, i, 0));
      }
      // Control operations from the worker also run on the window thread.
      b.ui.SetDlgItemTextA(d.hwnd(), IDC_NOTE, "from worker");
      workerSawText = b.ui.GetDlgItemTextA(d.hwnd(), IDC_NOTE);
    });
  };
  d.onDestroy = [&] {
    if (worker) worker->Wait();
  };
  b.ui.Script(IDD_FORM, [&](sim::UserActions& u) {
    u.WaitIdle();  // the worker has ended
    EXPECT_EQ(u.Text(IDC_NOTE), "from worker");
    EXPECT_TRUE(worker->Finished());
    u.CloseBox();
  });
  b.ui.DialogBoxParamA(IDD_FORM, 0, d);

  ASSERT_EQ(received.size(), 50u);
  for (size_t i = 0; i < received.size(); ++i) EXPECT_EQ(received[i], i + 1);
  ASSERT_EQ(results.size(), 50u);
  EXPECT_EQ(results[9], 20);
  EXPECT_TRUE(allOnWindowThread);
  EXPECT_EQ(workerSawText, "from worker");
  EXPECT_TRUE(b.ui.Errors().empty()) << b.ui.Dump();
}

TEST(SimUiSendThreads, WaitingForAWorkerThatIsSendingToTheWaiterDoesNotDeadlock) {
  Bench b;
  RecordingDialog d(b.ui);
  std::atomic<int> handled{0};
  std::atomic<bool> go{false};
  d.onMessage = [&](uint32_t, platform::WParam, platform::LParam) {
    ++handled;
    return 0;
  };
  d.onCommand = [&](int id, int) {
    if (id != win::IDCANCEL) return;
    // The worker starts sending only once this handler is about to wait,
    // so the join must run its sends or never return.
    auto worker = b.threads.StartThread([&] {
      while (!go.load()) std::this_thread::yield();
      for (int i = 0; i < 20; ++i) b.ui.SendMessageA(d.hwnd(), kNote, 0, 0);
    });
    ASSERT_NE(worker, nullptr);
    go = true;
    worker->Wait();
    EXPECT_TRUE(worker->Finished());
    b.ui.EndDialog(d.hwnd(), 3);
  };
  b.ui.Script(IDD_PLAIN, [](sim::UserActions& u) { u.Click(win::IDCANCEL); });
  EXPECT_EQ(b.ui.DialogBoxParamA(IDD_PLAIN, 0, d), 3);
  EXPECT_EQ(handled.load(), 20);
}

TEST(SimUiSendThreads, WaitUntilActsWhileTheWorkerIsHeldInItsSend) {
  Bench b;
  RecordingDialog d(b.ui);
  std::unique_ptr<platform::Thread> worker;
  std::atomic<int> step{0};
  d.onInit = [&] {
    worker = b.threads.StartThread([&] {
      b.ui.SetDlgItemTextA(d.hwnd(), IDC_NOTE, "step 1");
      step = 1;
      b.ui.SetDlgItemTextA(d.hwnd(), IDC_NOTE, "step 2");
      step = 2;
    });
  };
  d.onDestroy = [&] {
    if (worker) worker->Wait();
  };
  d.onCommand = [&](int id, int) {
    if (id == win::IDCANCEL) b.ui.EndDialog(d.hwnd(), 1);
  };
  int stepSeenWhileHeld = -1;
  b.ui.Script(
      IDD_FORM,
      [&](sim::UserActions& u) {
        u.WaitUntil([&] { return u.Text(IDC_NOTE) == "step 1"; });
        stepSeenWhileHeld = step.load();  // the worker is still inside its first send
        u.Click(IDC_OPTION);
        u.WaitIdle();
        EXPECT_EQ(u.Text(IDC_NOTE), "step 2");
        u.PressEscape();
      },
      sim::SimUi::ScriptStart::AtOnce);
  b.ui.DialogBoxParamA(IDD_FORM, 0, d);
  EXPECT_EQ(stepSeenWhileHeld, 0);
  EXPECT_EQ(step.load(), 2);
  EXPECT_TRUE(b.ui.Errors().empty()) << b.ui.Dump();
}

TEST(SimUiSendThreads, SendQueuedForAWindowThatEndsReturnsZero) {
  Bench b;
  RecordingDialog d(b.ui);
  std::atomic<platform::LResult> late{-1};
  std::atomic<bool> sending{false};
  std::unique_ptr<platform::Thread> worker;
  d.onMessage = [&](uint32_t, platform::WParam, platform::LParam) { return 5; };
  d.onInit = [&] {
    worker = b.threads.StartThread([&] {
      sim::Dispatcher::Blocked parked(b.threads.dispatcher());
      while (!sending.load()) std::this_thread::yield();
      late = b.ui.SendMessageA(d.hwnd(), kNote, 0, 0);
    });
  };
  // The window ends with the worker parked (the machine counts as idle);
  // the send it makes while the window is being destroyed is dropped with
  // the window instead of waiting for a thread that no longer pumps.
  d.onDestroy = [&] {
    if (!worker) return;
    sending = true;
    while (b.threads.dispatcher().QueuedSends() == 0) std::this_thread::yield();
  };
  b.ui.DialogBoxParamA(IDD_PLAIN, 0, d);
  ASSERT_NE(worker, nullptr);
  worker->Wait();
  EXPECT_EQ(late.load(), 0);
}

TEST(SimUiSendThreads, RefusedThreadCreationStartsNothing) {
  Bench b;
  int asked = 0;
  b.threads.SetFaultHook([&](const char* call) {
    ++asked;
    return std::string(call) == "CreateThread" && asked == 1;
  });
  std::atomic<bool> ran{false};
  EXPECT_EQ(b.threads.StartThread([&] { ran = true; }), nullptr);
  EXPECT_EQ(b.threads.dispatcher().LiveThreads(), 0);
  auto second = b.threads.StartThread([&] { ran = true; });
  ASSERT_NE(second, nullptr);
  second->Wait();
  EXPECT_TRUE(ran.load());
  EXPECT_EQ(b.threads.Refused(), 1);
  EXPECT_EQ(b.threads.Started(), 1);
  EXPECT_EQ(b.threads.dispatcher().LiveThreads(), 0);
}

TEST(SimUiClockThreads, SleepsFromManyThreadsAddUp) {
  sim::SimClock clock(100);
  sim::SimThreads threads;
  std::vector<std::unique_ptr<platform::Thread>> workers;
  for (int t = 0; t < 4; ++t) {
    workers.push_back(threads.StartThread([&] {
      for (int i = 0; i < 250; ++i) clock.Sleep(500);
    }));
  }
  for (auto& w : workers) w->Wait();
  EXPECT_EQ(clock.NowMs(), 100u + 4u * 250u * 500u);
  EXPECT_EQ(clock.SleepCalls(), 1000u);
  clock.AdvanceTo(50);  // never back
  EXPECT_EQ(clock.NowMs(), 500100u);
}

}  // namespace

namespace {

TEST(SimUiSendThreads, ASenderHandlesSendsAddressedToItsOwnWindowsWhileItWaits) {
  Bench b;
  RecordingDialog main(b.ui);
  RecordingDialog sub(b.ui);
  std::unique_ptr<platform::Thread> subThread;
  std::thread::id subThreadId;
  std::atomic<bool> subHandlerOnSubThread{false};
  platform::LResult answer = 0;  // written on the sub thread, read after its Wait
  main.onMessage = [&](uint32_t message, platform::WParam, platform::LParam) {
    // The sub thread is blocked in its send to us: our send back must still run.
    if (message == kNote) return b.ui.SendMessageA(sub.hwnd(), kNote + 1, 0, 0) + 1;
    return platform::LResult{0};
  };
  sub.onMessage = [&](uint32_t message, platform::WParam, platform::LParam) {
    subHandlerOnSubThread = std::this_thread::get_id() == subThreadId;
    return static_cast<platform::LResult>(message == kNote + 1 ? 41 : 0);
  };
  sub.onInit = [&] { answer = b.ui.SendMessageA(main.hwnd(), kNote, 0, 0); };
  main.onInit = [&] {
    subThread = b.threads.StartThread([&] {
      subThreadId = std::this_thread::get_id();
      b.ui.DialogBoxParamA(IDD_PLAIN, main.hwnd(), sub);
    });
  };
  main.onDestroy = [&] {
    if (subThread) subThread->Wait();
  };
  b.ui.DialogBoxParamA(IDD_FORM, 0, main);
  EXPECT_EQ(answer, 42);
  EXPECT_TRUE(subHandlerOnSubThread.load());
  EXPECT_EQ(b.ui.DialogResults(IDD_PLAIN), (std::vector<std::intptr_t>{2}));
  EXPECT_TRUE(b.ui.Errors().empty()) << b.ui.Dump();
}

}  // namespace
