#include "ports/serial_assignment.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "dialogs/serial_prompt_dialog.h"
#include "platform/win_constants.h"
#include "ports/printer_port_registry.h"
#include "ports/serial_probe.h"
#include "shell/main_window.h"
#include "shell/port_inventory.h"
#include "shell/spooler_control.h"

namespace {

constexpr std::uintptr_t kProbeTimer = 1;
constexpr uint32_t kProbeIntervalMs = 700;
constexpr const char* kParkingPort = "LPT1:";
constexpr const char* kFinish = "&Finish";
// The two Not-found texts differ in the full stop after "port": ASCII after
// the first pass, the ideographic one (code page 936: A1 A3) after a tick.
constexpr const char* kNotFoundFirstPass = "Cannot select a available port.";
constexpr const char* kNotFoundAfterTicks = "Cannot select a available port\xA1\xA3";

struct ParkedPrinter {
  std::string name;
  std::string port;
};

// One search for the serial port of a newly created printer. The printers
// parked on "LPT1:" are recorded when they are parked, so that every ending
// can give them their own ports back: the window's printer lists are
// refilled from the spooler during the search and then show "LPT1:".
struct SerialSearch {
  std::string newPrinter;
  std::vector<ParkedPrinter> parked;
};

// By window; entries live from the start of a search to its end.
std::map<const MainWindow*, SerialSearch>& Searches() {
  static std::map<const MainWindow*, SerialSearch> searches;
  return searches;
}

bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

bool IsSerialPortName(const std::string& port) { return port.compare(0, 3, "COM") == 0; }

void RestartSpooler(MainWindow& window) {
  SpoolerControl(window.machine, window.hwnd(), "Spooler", Restart);
}

void ParkSerialPrinters(MainWindow& window, SerialSearch& search) {
  search.parked.clear();
  const std::size_t count = std::min(window.printerNames.size(), window.printerPorts.size());
  for (std::size_t i = 0; i < count; ++i) {
    if (!IsSerialPortName(window.printerPorts[i])) continue;
    search.parked.push_back({window.printerNames[i], window.printerPorts[i]});
    SetPrinterPortRegistry(window, window.printerNames[i], kParkingPort);
  }
}

// Gives every parked printer other than the new one its own port back; the
// new printer's port is settled by the ending itself.
void RestoreSerialPrinters(MainWindow& window, const SerialSearch& search) {
  for (const ParkedPrinter& printer : search.parked) {
    if (SameName(printer.name, search.newPrinter)) continue;
    SetPrinterPortRegistry(window, printer.name, printer.port);
  }
}

void CompleteInstallation(MainWindow& window) {
  window.EnableInstall();
  window.SetCancelText(kFinish);
  window.Refresh();
}

// Closes the channel when a port is open on it.
void CloseProbedPort(MainWindow& window) {
  if (window.serialChannel.IsOpen()) window.serialChannel.Close();
}

// Opens the port of probeIndex and sends the request. False when the port
// cannot be used (the channel is then closed).
bool ProbePortAtIndex(MainWindow& window) {
  const std::string& entry = window.serialPorts[static_cast<std::size_t>(window.probeIndex)];
  window.probePortNumber = ParseComPortNumber(entry);
  window.SetStatus("Checking " + entry);
  CloseProbedPort(window);
  // The close waits for the old port's thread and handles the bytes it was
  // still passing on: those answered the old port's request, not this one's.
  window.serialReplySeen = 0;
  if (ProbeSerialPort(window)) return true;
  window.serialChannel.Close();
  return false;
}

// The search found nothing: every parked printer gets its port back, the
// new one the first serial port (or, with no serial port at all, the port
// it was created on), which the status line names.
void EndNotFound(MainWindow& window, const char* opening) {
  SerialSearch& search = Searches()[&window];
  RestoreSerialPrinters(window, search);
  std::string port;
  if (!window.serialPorts.empty()) {
    port = window.serialPorts.front();
    for (const ParkedPrinter& printer : search.parked) {
      if (SameName(printer.name, search.newPrinter)) {
        SetPrinterPortRegistry(window, search.newPrinter, port);
        break;
      }
    }
  } else {
    for (std::size_t i = 0; i < window.printerNames.size() && i < window.printerPorts.size(); ++i) {
      if (SameName(window.printerNames[i], search.newPrinter)) port = window.printerPorts[i];
    }
  }
  Searches().erase(&window);
  window.SetProgress(90);
  RestartSpooler(window);
  if (port.empty()) {
    window.statusText =
        std::string(opening) + "No serial port was found,you can configure after finished";
  } else {
    window.statusText = std::string(opening) + "The current printer port is " + port +
                        ",you can configure after finished";
  }
  window.Refresh();
  CompleteInstallation(window);
}

void Decline(MainWindow& window) {
  Searches().erase(&window);
  window.statusText = "The current printer port is " + window.serialPorts.front() +
                      " ,you can set that after the installation finished";
  window.EnableInstall();
  window.SetCancelText(kFinish);
  window.Refresh();
  window.SetProgress(100);
}

void AssignSinglePort(MainWindow& window, const std::string& printerName) {
  const std::string& port = window.serialPorts.front();
  SetPrinterPortRegistry(window, printerName, port);
  RestartSpooler(window);
  WriteComPortSettings(window, port);
  // Nothing was parked: no printer needs its port back.
  Searches().erase(&window);
  window.SetProgress(90);
  RestartSpooler(window);
  window.statusText = "The current printer port is " + port + ",you can configure after finished";
  window.Refresh();
  CompleteInstallation(window);
  window.SetProgress(100);
}

void EndFound(MainWindow& window) {
  // The printer this search was started for: the combo box may show another
  // name by now.
  const std::string printerName = Searches()[&window].newPrinter;
  const std::string port = window.serialPorts[static_cast<std::size_t>(window.probeIndex)];
  window.machine.ui().KillTimer(window.hwnd(), kProbeTimer);
  char text[512];
  std::snprintf(text, sizeof text, "%s %s", "The available printer port: ", port.c_str());
  window.statusText = text;
  window.Refresh();
  window.serialChannel.Close();
  SetPrinterPortRegistry(window, printerName, port);
  WriteComPortSettings(window, port);
  window.SetProgress(80);
  RestoreSerialPrinters(window, Searches()[&window]);
  Searches().erase(&window);
  window.SetProgress(90);
  RestartSpooler(window);
  CompleteInstallation(window);
  window.SetProgress(100);
}

}  // namespace

void StartSerialAssignment(MainWindow& window) {
  InstalledPrinterInventory(window.machine, window.printerNames, window.printerPorts);
  window.SetProgress(50);
  const std::string printerName = window.DriverComboText();
  SerialSearch& search = Searches()[&window];
  search = SerialSearch{printerName, {}};
  const std::size_t count = window.serialPorts.size();

  if (count == 1) {
    AssignSinglePort(window, printerName);
    return;
  }
  if (count == 0) {
    EndNotFound(window, kNotFoundFirstPass);
    window.SetProgress(100);
    return;
  }

  const std::intptr_t answer = ShowSerialPrompt(window.machine, window.hwnd());
  window.Refresh();
  // The close box or Escape dismisses the question like "&No": nothing has
  // been chosen to probe with.
  if (answer == RESULT_CANCEL || answer == win::IDCANCEL) {
    Decline(window);
    return;
  }

  ParkSerialPrinters(window, search);
  RestartSpooler(window);
  window.SetProgress(60);
  if (answer >= RESULT_ROW_BASE && answer < RESULT_ROW_BASE + kSerialBaudRateCount) {
    window.baudRate = kSerialBaudRates[answer - RESULT_ROW_BASE];
  }
  window.probePortNumber = 0;
  window.parity = 78;
  window.dataBits = 8;
  window.stopBits = 1;
  window.commEventMask = 3;
  window.probeIndex = 0;
  window.serialReplySeen = 0;

  const int32_t ports = static_cast<int32_t>(count);
  while (window.probeIndex < ports) {
    if (ProbePortAtIndex(window)) {
      window.machine.ui().SetTimer(window.hwnd(), kProbeTimer, kProbeIntervalMs);
      SendStatusRequest(window);
      break;
    }
    ++window.probeIndex;
  }
  if (window.probeIndex >= ports) EndNotFound(window, kNotFoundFirstPass);
  window.SetProgress(100);
}

void SerialProbeTick(MainWindow& window, std::uintptr_t timerId) {
  if (timerId != kProbeTimer) return;
  // A tick with no search under way (a timer left from a window that was
  // reused) has nothing to probe.
  if (Searches().count(&window) == 0) {
    window.machine.ui().KillTimer(window.hwnd(), kProbeTimer);
    return;
  }
  const int32_t ports = static_cast<int32_t>(window.serialPorts.size());

  if (window.serialReplySeen != 0 && window.probeIndex < ports) {
    EndFound(window);
    return;
  }

  ++window.probeIndex;
  if (window.probeIndex < ports) {
    if (ProbePortAtIndex(window)) {
      window.machine.ui().SetTimer(window.hwnd(), kProbeTimer, kProbeIntervalMs);
      SendStatusRequest(window);
    } else {
      // An unusable port costs one interval; the next tick moves on.
      window.machine.ui().SetTimer(window.hwnd(), kProbeTimer, kProbeIntervalMs);
    }
    return;
  }

  CloseProbedPort(window);
  window.machine.ui().KillTimer(window.hwnd(), kProbeTimer);
  window.SetProgress(80);
  SerialSearch& search = Searches()[&window];
  RestoreSerialPrinters(window, search);
  std::string port = window.serialPorts.empty() ? std::string() : window.serialPorts.front();
  if (!port.empty()) SetPrinterPortRegistry(window, search.newPrinter, port);
  Searches().erase(&window);
  window.SetProgress(90);
  RestartSpooler(window);
  window.statusText = std::string(kNotFoundAfterTicks) + "The current printer port is " + port +
                      ",you can configure after finished";
  CompleteInstallation(window);
  window.SetProgress(100);
}

void AbandonSerialAssignment(MainWindow& window) {
  auto search = Searches().find(&window);
  if (search == Searches().end()) return;
  window.machine.ui().KillTimer(window.hwnd(), kProbeTimer);
  CloseProbedPort(window);
  // The window goes while the search runs: no printer may stay parked.
  RestoreSerialPrinters(window, search->second);
  if (!window.serialPorts.empty()) {
    for (const ParkedPrinter& printer : search->second.parked) {
      if (SameName(printer.name, search->second.newPrinter)) {
        SetPrinterPortRegistry(window, printer.name, printer.port);
      }
    }
  }
  Searches().erase(search);
  RestartSpooler(window);
}
