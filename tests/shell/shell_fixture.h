// Runs the real main window on the simulated machine: the dialog's thread is
// the test's thread, and the scripted user acts inside the modal loop.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "checked_machine.h"
#include "platform/sim/sim_machine.h"
#include "platform/win_constants.h"
#include "resources/resource.h"
#include "shell/main_window.h"

namespace shell_test {

inline const char* const kPortsKey = "HARDWARE\\DEVICEMAP\\SERIALCOMM";

// Lets the window handle the start-up worker's sends until the worker has
// ended. A single idle wait can return in the moment between one of the
// worker's sends being handled and the worker running on to its next one.
inline void WaitForStartUp(sim::SimMachine& machine, sim::UserActions& u) {
  for (int round = 0; round < 10000; ++round) {
    u.WaitIdle();
    if (machine.simThreads().dispatcher().LiveThreads() == 0) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ADD_FAILURE() << "the start-up worker did not end";
}

class ShellFixture : public ::testing::Test {
 public:
  // Registers "MyUpdateData" as the program does, builds the window and runs
  // it modally; `script` acts while it is open. Returns the dialog's result.
  std::intptr_t RunWindow(std::function<void(sim::UserActions&)> script) {
    updateMessage = m.ui().RegisterWindowMessageA("MyUpdateData");
    window = std::make_unique<MainWindow>(m, updateMessage);
    m.simUi().Script(IDD_MAIN, std::move(script));
    return m.ui().DialogBoxParamA(IDD_MAIN, 0, *window);
  }

  // Runs the window until start-up is over, then `script`, then Cancel.
  void AfterStartUp(const std::function<void(sim::UserActions&)>& script) {
    RunWindow([&](sim::UserActions& u) {
      WaitForStartUp(m, u);
      script(u);
      if (!u.Ended()) u.Click(win::IDCANCEL);
    });
  }

  // A click as the window receives it: WM_COMMAND from control `id`. From
  // another thread it runs on the window's thread, like input would.
  void SendCommand(int id, int notifyCode) {
    m.ui().SendMessageA(
        window->hwnd(), sim::kWmCommand,
        (static_cast<platform::WParam>(notifyCode) << 16) | static_cast<uint16_t>(id), 0);
  }

  CheckedMachine m;
  uint32_t updateMessage = 0;
  std::unique_ptr<MainWindow> window;
};

}  // namespace shell_test
