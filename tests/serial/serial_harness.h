// A main window on a simulated machine with serial devices, for the serial
// port search: the start-up worker has run, the new printer exists and the
// driver combo box holds its name.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "checked_machine.h"
#include "platform/sim/sim_machine.h"
#include "platform/win_constants.h"
#include "ports/port_kind.h"
#include "ports/serial_assignment.h"
#include "resources/resource.h"
#include "shell/main_window.h"

namespace serial_test {

struct Notification {
  uint32_t message;
  platform::WParam wParam;
  platform::LParam lParam;
  bool operator==(const Notification&) const = default;
};

// A window that records what a serial channel sends it.
class OwnerWindow : public platform::Dialog {
 public:
  using platform::Dialog::Dialog;
  std::vector<Notification> received;

  bool OnMessage(uint32_t message, platform::WParam wParam, platform::LParam lParam,
                 platform::LResult& result) override {
    if (message < win::WM_USER) return false;
    received.push_back({message, wParam, lParam});
    result = 0;
    return true;
  }
  void OnClose() override { ui().EndDialog(hwnd(), 0); }

  // Runs `body` on the window's thread, then lets the window close.
  void Run(sim::SimMachine& m, const std::function<void(sim::UserActions&)>& body) {
    m.simUi().Script(IDD_SERIAL_PROMPT, [&](sim::UserActions& u) {
      body(u);
      u.CloseBox();
    });
    m.ui().DialogBoxParamA(IDD_SERIAL_PROMPT, 0, *this);
  }
  // The received bytes, in order.
  std::vector<platform::WParam> Bytes() const {
    std::vector<platform::WParam> bytes;
    for (const auto& n : received) {
      if (n.message == WM_SERIALDATA) bytes.push_back(n.wParam);
    }
    return bytes;
  }
};

inline const std::string kPortsKey = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Ports";

class SerialSearchTest : public ::testing::Test {
 protected:
  static constexpr const char* kPrinter = "POS-80 Serial";

  mutable CheckedMachine m;

  // Windows keeps its port settings here; the search writes into it.
  SerialSearchTest() { m.reg().CreateKey(platform::kHkeyLocalMachine, kPortsKey); }

  // A serial device the system lists (SERIALCOMM), with its spooler port.
  // `openError` non-zero: the device refuses to open.
  void AddSerialPort(int number, uint32_t openError = 0) {
    const std::string name = "COM" + std::to_string(number);
    m.reg().SetString(platform::kHkeyLocalMachine, "HARDWARE\\DEVICEMAP\\SERIALCOMM",
                      "\\Device\\Serial" + std::to_string(number), name);
    m.spool().AddPort(name + ":", "Local Port", "Local Port");
    m.simComm().AddDevice(number, openError);
  }
  void CreatePrinter(const std::string& port) { m.spool().AddPrinter(kPrinter, port, "POS-80"); }

  // Runs the main window: `body` runs on its thread once start-up is over
  // (it usually starts the search); the window then runs its timers until
  // none is left, and the user closes it.
  void RunWindow(const std::function<void(MainWindow&, sim::UserActions&)>& body,
                 int32_t modelIndex = 10) {
    MainWindow window(m, m.ui().RegisterWindowMessageA("MyUpdateData"));
    m.simUi().Script(IDD_MAIN, [&](sim::UserActions& u) {
      u.WaitIdle();
      m.ui().ComboResetContent(window.hwnd(), IDC_DRIVER_NAME);
      m.ui().ComboAddString(window.hwnd(), IDC_DRIVER_NAME, kPrinter);
      m.ui().ComboSetCurSel(window.hwnd(), IDC_DRIVER_NAME, 0);
      window.installation().portKind = Serial;
      window.installation().modelIndex = modelIndex;
      progressBefore_ = m.simUi().ProgressPositions(IDD_MAIN, IDC_PROGRESS).size();
      statusesBefore_ = m.simUi().Statuses(IDD_MAIN, IDC_STATUS).size();
      restartsBefore_ = m.spool().Restarts();
      startMs_ = m.simClock().NowMs();
      body(window, u);
    });
    m.ui().DialogBoxParamA(IDD_MAIN, 0, window);
    finalWindow_ = m.simUi().LastWindow(IDD_MAIN);
  }
  // The search as the printer creation starts it.
  void Search(int32_t modelIndex = 10) {
    RunWindow([](MainWindow& w, sim::UserActions&) { StartSerialAssignment(w.installation(), w); },
              modelIndex);
  }
  // The prompt's answer: Yes with the rate of `row`.
  void AnswerYesAt(int row) {
    m.simUi().Script(IDD_SERIAL_PROMPT, [row](sim::UserActions& u) {
      u.SelectCombo(IDC_BAUD_RATE, row);
      u.Click(IDC_PROMPT_YES);
    });
  }

  std::vector<int> Progress() const {
    auto all = m.simUi().ProgressPositions(IDD_MAIN, IDC_PROGRESS);
    return std::vector<int>(all.begin() + static_cast<long>(progressBefore_), all.end());
  }
  std::vector<std::string> Statuses() const {
    auto all = m.simUi().Statuses(IDD_MAIN, IDC_STATUS);
    return std::vector<std::string>(all.begin() + static_cast<long>(statusesBefore_), all.end());
  }
  // The status line and the Cancel button's text as the window closed, and
  // whether Install was enabled.
  std::string FinalWindow() const {
    const auto* status = finalWindow_->Control(IDC_STATUS);
    const auto* cancel = finalWindow_->Control(win::IDCANCEL);
    return status->text + " | " + cancel->text +
           (finalWindow_->Control(IDC_INSTALL)->enabled ? " | install" : "");
  }
  int Restarts() const { return m.spool().Restarts() - restartsBefore_; }
  std::string PrinterPort(const std::string& name = kPrinter) const {
    return m.spool().Printer(name)->port;
  }
  std::string PortsValue(const std::string& port) const {
    const auto value = m.reg().GetValue(platform::kHkeyLocalMachine, kPortsKey, port);
    return value ? value->AsString() : "<missing>";
  }
  // Timer 1 deliveries, in virtual ms after timer 1 was first set.
  std::vector<uint64_t> ProbeTicks() const {
    std::vector<uint64_t> ticks;
    std::optional<uint64_t> set;
    for (const auto& event : m.simUi().Transcript()) {
      if (event.timeMs < startMs_ || event.value != 1) continue;
      if (event.kind == sim::EventKind::TimerSet && !set) set = event.timeMs;
      if (event.kind == sim::EventKind::TimerFired && set) ticks.push_back(event.timeMs - *set);
    }
    return ticks;
  }

 private:
  size_t progressBefore_ = 0;
  size_t statusesBefore_ = 0;
  int restartsBefore_ = 0;
  uint64_t startMs_ = 0;
  std::unique_ptr<sim::WindowSnapshot> finalWindow_;
};

}  // namespace serial_test
