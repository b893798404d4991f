// A main window on a simulated machine with serial devices, for the serial
// port search: the start-up worker has run, the new printer exists on the
// first serial port and the driver combo box holds its name.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/sim/sim_machine.h"
#include "platform/win_constants.h"
#include "ports/serial_assignment.h"
#include "resources/resource.h"
#include "shell/main_window.h"
#include "shell/port_kind.h"

namespace serial_test {

inline constexpr platform::KeyHandle kHklm = platform::kHkeyLocalMachine;
inline const std::string kPortsKey = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Ports";
inline const std::vector<uint8_t> kReceiptRequest = {0x10, 0x04, 0x01};
inline const std::vector<uint8_t> kLabelRequest = {0x1B, 0x21, 0x3F};

class SerialSearchTest : public ::testing::Test {
 protected:
  static constexpr const char* kPrinter = "POS-80 Serial";

  mutable sim::SimMachine m;

  SerialSearchTest() {
    // Windows keeps its port settings here; the search writes into it.
    m.reg().CreateKey(kHklm, kPortsKey);
  }

  // A serial device the system lists (SERIALCOMM), with its spooler port.
  // `openError` non-zero: the device refuses to open.
  void AddSerialPort(int number, uint32_t openError = 0) {
    const std::string name = "COM" + std::to_string(number);
    m.reg().SetString(kHklm, "HARDWARE\\DEVICEMAP\\SERIALCOMM",
                      "\\Device\\Serial" + std::to_string(serialDevices_++), name);
    m.spool().AddPort(name + ":", "Local Port", "Local Port");
    m.simComm().AddDevice(number, openError);
  }
  void AddPrinterAnswering(int number, uint32_t baudRate, std::vector<uint8_t> answer = {0x12},
                           uint32_t delayMs = 30) {
    m.simComm().AttachPrinter(
        number, {.answer = std::move(answer), .delayMs = delayMs, .baudRate = baudRate});
  }
  // The new printer, as its creation left it: on the first serial port.
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
  // The usual run: the search as the printer creation starts it.
  void Search(int32_t modelIndex = 10) {
    RunWindow([](MainWindow& w, sim::UserActions&) { StartSerialAssignment(w.installation(), w); },
              modelIndex);
  }

  // The answer given in the serial prompt.
  void AnswerPrompt(std::function<void(sim::UserActions&)> answer) {
    m.simUi().Script(IDD_SERIAL_PROMPT, std::move(answer));
  }
  void AnswerYesAt(int row) {
    AnswerPrompt([row](sim::UserActions& u) {
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
  std::string FinalStatus() const {
    const auto* status = finalWindow_ ? finalWindow_->Control(IDC_STATUS) : nullptr;
    return status ? status->text : "<no window>";
  }
  std::string FinalCancelText() const {
    const auto* cancel = finalWindow_ ? finalWindow_->Control(win::IDCANCEL) : nullptr;
    return cancel ? cancel->text : "<no window>";
  }
  bool FinalInstallEnabled() const {
    const auto* install = finalWindow_ ? finalWindow_->Control(IDC_INSTALL) : nullptr;
    return install != nullptr && install->enabled;
  }
  int Restarts() const { return m.spool().Restarts() - restartsBefore_; }
  std::string PrinterPort(const std::string& name = kPrinter) const {
    const auto printer = m.spool().Printer(name);
    return printer ? printer->port : "<none>";
  }
  std::string PortsValue(const std::string& port) const {
    const auto value = m.reg().GetValue(kHklm, kPortsKey, port);
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
  int serialDevices_ = 0;
  size_t progressBefore_ = 0;
  size_t statusesBefore_ = 0;
  int restartsBefore_ = 0;
  uint64_t startMs_ = 0;
  std::unique_ptr<sim::WindowSnapshot> finalWindow_;
};

}  // namespace serial_test
