// A simulated window system on its own (clock, threads, templates from the
// test fixture) and a dialog that records what reaches it.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/sim/rc_template.h"
#include "platform/sim/sim_clock.h"
#include "platform/sim/sim_threads.h"
#include "platform/sim/sim_ui.h"

namespace uitest {

// The fixture script sits in the source tree beside this header; the
// installer's script (src/resources) is the known point of that tree.
inline std::string FixturePath() {
  const std::filesystem::path script = sim::RcTemplates::InstallerScriptPath();
  return (script.parent_path().parent_path().parent_path() / "tests" / "sim" / "ui_fixture.rc")
      .string();
}

inline const sim::RcTemplates& FixtureTemplates() {
  static const sim::RcTemplates templates = [] {
    sim::RcTemplates t;
    t.ParseFile(FixturePath());
    return t;
  }();
  return templates;
}

struct Bench {
  Bench() : ui(clock, threads) {
    EXPECT_FALSE(FixtureTemplates().dialogs().empty()) << FixtureTemplates().error();
    ui.UseTemplates(FixtureTemplates());
  }
  sim::SimClock clock;
  sim::SimThreads threads;
  sim::SimUi ui;
};

class RecordingDialog : public platform::Dialog {
 public:
  explicit RecordingDialog(platform::WindowSystem& ui) : Dialog(ui) {}

  bool OnInitDialog() override {
    log.push_back("init");
    if (onInit) onInit();
    return true;
  }
  void OnCommand(int id, int notifyCode) override {
    log.push_back("command " + std::to_string(id) + "/" + std::to_string(notifyCode));
    if (onCommand) onCommand(id, notifyCode);
  }
  void OnTimer(std::uintptr_t timerId) override {
    log.push_back("timer " + std::to_string(timerId));
    if (onTimer) onTimer(timerId);
  }
  void OnClose() override {
    log.push_back("close");
    if (endOnClose) ui().EndDialog(hwnd(), 2);
  }
  void OnDestroy() override {
    log.push_back("destroy");
    if (onDestroy) onDestroy();
  }
  bool OnMessage(uint32_t message, platform::WParam wParam, platform::LParam lParam,
                 platform::LResult& result) override {
    if (!onMessage) return false;
    result = onMessage(message, wParam, lParam);
    return true;
  }

  std::vector<std::string> log;
  bool endOnClose = true;
  std::function<void()> onInit;
  std::function<void(int, int)> onCommand;
  std::function<void(std::uintptr_t)> onTimer;
  std::function<void()> onDestroy;
  std::function<platform::LResult(uint32_t, platform::WParam, platform::LParam)> onMessage;
};

}  // namespace uitest
