#include "port_steps/serial_assignment.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "drivers/spooler_control.h"
#include "installation/installer_window.h"
#include "platform/win_constants.h"
#include "port_steps/printer_port_registry.h"
#include "port_steps/serial_probe.h"
#include "ports/baud_rates.h"
#include "ports/port_inventory.h"

namespace {

constexpr std::uintptr_t kProbeTimer = kSerialProbeTimer;
constexpr uint32_t kProbeIntervalMs = 700;
constexpr const char* kParkingPort = "LPT1:";
constexpr const char* kFinish = "&Finish";
// The two Not-found texts differ in the full stop after "port": ASCII after
// the first pass, the ideographic one (code page 936: A1 A3) after a tick.
constexpr const char* kNotFoundFirstPass = "Cannot select a available port.";
constexpr const char* kNotFoundAfterTicks = "Cannot select a available port\xA1\xA3";

// The search under way; made empty when asked for while none is.
SerialSearch& Search(Installation& installation) {
  if (!installation.serialSearch) installation.serialSearch.emplace();
  return *installation.serialSearch;
}

bool IsSerialPortName(const std::string& port) { return port.compare(0, 3, "COM") == 0; }

void RestartSpooler(Installation& installation, InstallerWindow& window) {
  SpoolerControl(installation.machine, window.Owner(), "Spooler", Restart);
}

void ParkSerialPrinters(Installation& installation, InstallerWindow& window, SerialSearch& search) {
  search.parked.clear();
  const std::size_t count =
      std::min(installation.printerNames.size(), installation.printerPorts.size());
  for (std::size_t i = 0; i < count; ++i) {
    if (!IsSerialPortName(installation.printerPorts[i])) continue;
    search.parked.push_back({installation.printerNames[i], installation.printerPorts[i]});
    SetPrinterPortRegistry(installation, window, installation.printerNames[i], kParkingPort);
  }
}

// Gives every parked printer other than the new one its own port back; the
// new printer's port is settled by the ending itself.
void RestoreSerialPrinters(Installation& installation, InstallerWindow& window,
                           const SerialSearch& search) {
  for (const ParkedPrinter& printer : search.parked) {
    if (SameName(printer.name, search.newPrinter)) continue;
    SetPrinterPortRegistry(installation, window, printer.name, printer.port);
  }
}

void CompleteInstallation(InstallerWindow& window) {
  window.EnableInstall();
  window.SetCancelText(kFinish);
  window.Refresh();
}

// Closes the channel when a port is open on it.
void CloseProbedPort(Installation& installation) {
  if (installation.serialChannel.IsOpen()) installation.serialChannel.Close();
}

// Opens the port of probeIndex and sends the request. False when the port
// cannot be used (the channel is then closed).
bool ProbePortAtIndex(Installation& installation, InstallerWindow& window) {
  const std::string& entry =
      installation.serialPorts[static_cast<std::size_t>(installation.probeIndex)];
  installation.probePortNumber = ParseComPortNumber(entry);
  SetStatus(installation, window, "Checking " + entry);
  CloseProbedPort(installation);
  // The close waits for the old port's thread and handles the bytes it was
  // still passing on: those answered the old port's request, not this one's.
  installation.serialReplySeen = 0;
  if (ProbeSerialPort(installation, window)) return true;
  installation.serialChannel.Close();
  return false;
}

// The search found nothing: every parked printer gets its port back, the
// new one the first serial port (or, with no serial port at all, the port
// it was created on), which the status line names.
void EndNotFound(Installation& installation, InstallerWindow& window, const char* opening) {
  SerialSearch& search = Search(installation);
  RestoreSerialPrinters(installation, window, search);
  std::string port;
  if (!installation.serialPorts.empty()) {
    port = installation.serialPorts.front();
    for (const ParkedPrinter& printer : search.parked) {
      if (SameName(printer.name, search.newPrinter)) {
        SetPrinterPortRegistry(installation, window, search.newPrinter, port);
        break;
      }
    }
  } else {
    for (std::size_t i = 0;
         i < installation.printerNames.size() && i < installation.printerPorts.size(); ++i) {
      if (SameName(installation.printerNames[i], search.newPrinter))
        port = installation.printerPorts[i];
    }
  }
  installation.serialSearch.reset();
  window.SetProgress(90);
  RestartSpooler(installation, window);
  installation.statusOutcome = RunOutcome::kNoPort;
  if (port.empty()) {
    installation.statusText =
        std::string(opening) + "No serial port was found,you can configure after finished";
  } else {
    installation.statusText = std::string(opening) + "The current printer port is " + port +
                              ",you can configure after finished";
  }
  window.Refresh();
  CompleteInstallation(window);
}

void Decline(Installation& installation, InstallerWindow& window) {
  installation.serialSearch.reset();
  installation.statusText = "The current printer port is " + installation.serialPorts.front() +
                            " ,you can set that after the installation finished";
  window.EnableInstall();
  window.SetCancelText(kFinish);
  window.Refresh();
  window.SetProgress(100);
}

void AssignSinglePort(Installation& installation, InstallerWindow& window,
                      const std::string& printerName, const std::string& port) {
  SetPrinterPortRegistry(installation, window, printerName, port);
  RestartSpooler(installation, window);
  WriteComPortSettings(installation, window, port);
  // Nothing was parked: no printer needs its port back.
  installation.serialSearch.reset();
  window.SetProgress(90);
  RestartSpooler(installation, window);
  installation.statusText =
      "The current printer port is " + port + ",you can configure after finished";
  window.Refresh();
  CompleteInstallation(window);
  window.SetProgress(100);
}

void EndFound(Installation& installation, InstallerWindow& window) {
  // The printer this search was started for: the combo box may show another
  // name by now.
  const std::string printerName = Search(installation).newPrinter;
  const std::string port =
      installation.serialPorts[static_cast<std::size_t>(installation.probeIndex)];
  window.KillTimer(kProbeTimer);
  char text[512];
  std::snprintf(text, sizeof text, "%s %s", "The available printer port: ", port.c_str());
  installation.statusText = text;
  window.Refresh();
  installation.serialChannel.Close();
  SetPrinterPortRegistry(installation, window, printerName, port);
  WriteComPortSettings(installation, window, port);
  window.SetProgress(80);
  RestoreSerialPrinters(installation, window, Search(installation));
  installation.serialSearch.reset();
  window.SetProgress(90);
  RestartSpooler(installation, window);
  CompleteInstallation(window);
  window.SetProgress(100);
}

}  // namespace

void StartSerialAssignment(Installation& installation, InstallerWindow& window) {
  InstalledPrinterInventory(installation.machine, installation.printerNames,
                            installation.printerPorts);
  window.SetProgress(50);
  const std::string printerName = window.DriverComboText();
  SerialSearch& search = Search(installation);
  search = SerialSearch{printerName, {}};
  // A named port is the only one: nothing else is probed or parked, and a
  // device that happens to echo on another port cannot be taken for it.
  const StringList candidates = installation.CandidatePorts(Serial);
  const std::size_t count = candidates.size();

  if (count == 1) {
    AssignSinglePort(installation, window, printerName, candidates.front());
    return;
  }
  if (count == 0) {
    EndNotFound(installation, window, kNotFoundFirstPass);
    window.SetProgress(100);
    return;
  }

  const std::intptr_t answer = window.ShowSerialPrompt();
  window.Refresh();
  // The close box or Escape dismisses the question like "&No": nothing has
  // been chosen to probe with.
  if (answer == RESULT_CANCEL || answer == win::IDCANCEL) {
    Decline(installation, window);
    return;
  }

  ParkSerialPrinters(installation, window, search);
  RestartSpooler(installation, window);
  window.SetProgress(60);
  if (answer >= RESULT_ROW_BASE && answer < RESULT_ROW_BASE + kSerialBaudRateCount) {
    installation.baudRate = kSerialBaudRates[answer - RESULT_ROW_BASE];
  }
  installation.probePortNumber = 0;
  installation.parity = 78;
  installation.dataBits = 8;
  installation.stopBits = 1;
  installation.commEventMask = 3;
  installation.probeIndex = 0;
  installation.serialReplySeen = 0;

  const int32_t ports = static_cast<int32_t>(count);
  while (installation.probeIndex < ports) {
    if (ProbePortAtIndex(installation, window)) {
      window.SetTimer(kProbeTimer, kProbeIntervalMs);
      SendStatusRequest(installation);
      break;
    }
    ++installation.probeIndex;
  }
  if (installation.probeIndex >= ports) EndNotFound(installation, window, kNotFoundFirstPass);
  window.SetProgress(100);
}

void SerialProbeTick(Installation& installation, InstallerWindow& window, std::uintptr_t timerId) {
  if (timerId != kProbeTimer) return;
  // A tick with no search under way (a timer left from a window that was
  // reused) has nothing to probe.
  if (!installation.serialSearch) {
    window.KillTimer(kProbeTimer);
    return;
  }
  const int32_t ports = static_cast<int32_t>(installation.serialPorts.size());

  if (installation.serialReplySeen != 0 && installation.probeIndex < ports) {
    EndFound(installation, window);
    return;
  }

  ++installation.probeIndex;
  if (installation.probeIndex < ports) {
    if (ProbePortAtIndex(installation, window)) {
      window.SetTimer(kProbeTimer, kProbeIntervalMs);
      SendStatusRequest(installation);
    } else {
      // An unusable port costs one interval; the next tick moves on.
      window.SetTimer(kProbeTimer, kProbeIntervalMs);
    }
    return;
  }

  CloseProbedPort(installation);
  window.KillTimer(kProbeTimer);
  window.SetProgress(80);
  SerialSearch& search = Search(installation);
  RestoreSerialPrinters(installation, window, search);
  std::string port =
      installation.serialPorts.empty() ? std::string() : installation.serialPorts.front();
  if (!port.empty()) SetPrinterPortRegistry(installation, window, search.newPrinter, port);
  installation.serialSearch.reset();
  window.SetProgress(90);
  RestartSpooler(installation, window);
  installation.statusOutcome = RunOutcome::kNoPort;
  installation.statusText = std::string(kNotFoundAfterTicks) + "The current printer port is " +
                            port + ",you can configure after finished";
  CompleteInstallation(window);
  window.SetProgress(100);
}

void AbandonSerialAssignment(Installation& installation, InstallerWindow& window) {
  if (!installation.serialSearch) return;
  const SerialSearch search = *installation.serialSearch;
  window.KillTimer(kProbeTimer);
  CloseProbedPort(installation);
  // The window goes while the search runs: no printer may stay parked.
  RestoreSerialPrinters(installation, window, search);
  if (!installation.serialPorts.empty()) {
    for (const ParkedPrinter& printer : search.parked) {
      if (SameName(printer.name, search.newPrinter)) {
        SetPrinterPortRegistry(installation, window, printer.name, printer.port);
      }
    }
  }
  installation.serialSearch.reset();
  RestartSpooler(installation, window);
}

bool OnSerialNotification(Installation& installation, InstallerWindow& window, uint32_t message) {
  if (message == WM_SERIALDATA) {
    installation.serialReplySeen = 1;
    return true;
  }
  if (message != WM_SERIALERROR) return false;
  // Shown here, owned by the window, rather than on the monitoring thread,
  // whose port the next probe tick closes and waits for.
  for (const std::string& text : installation.serialChannel.TakeErrors()) {
    window.ShowMessageBox(text, "Application Error", win::MB_ICONSTOP | win::MB_OK);
  }
  return true;
}
