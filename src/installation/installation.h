// The state of one installation: the machine's ports and printers as last
// listed, the user's choices, the status line and the serial search. The
// window that shows an installation owns it; the steps of a run (start-up,
// install, port steps) read and write it, and reach the window only through
// InstallerWindow.
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "installation/run_outcome.h"
#include "installation/serial_search.h"
#include "platform/machine.h"
#include "ports/port_kind.h"
#include "ports/serial_channel.h"

using StringList = std::vector<std::string>;

// Why the start-up ended before enabling Install, when it did.
enum class StartupStop {
  None,
  // An entry of the work area is a link or belongs to another account:
  // nothing below it was touched or used, and nothing was unpacked.
  UnsafeWorkArea,
};

struct Installation {
  explicit Installation(platform::Machine& m) : machine(m), serialChannel(m) {}

  platform::Machine& machine;

  // The inventory's list of a PortKind; null for any other value.
  const StringList* PortsOfKind(int32_t kind) const {
    switch (kind) {
      case Serial:
        return &serialPorts;
      case Usb:
        return &usbPorts;
      case Parallel:
        return &parallelPorts;
      case TcpIp:
        return &tcpipPorts;
      default:
        return nullptr;
    }
  }

  // The ports of `kind` an Install run may bind the printer to: the named
  // port alone when one is named for this kind (none when it has gone),
  // else every port of the kind.
  StringList CandidatePorts(int32_t kind) const {
    const StringList* ports = PortsOfKind(kind);
    if (ports == nullptr) return {};
    if (namedPort.empty() || kind != namedPortKind) return *ports;
    if (std::find(ports->begin(), ports->end(), namedPort) == ports->end()) return {};
    return {namedPort};
  }

  // The port inventory.
  StringList allPorts;
  StringList usbPorts;
  StringList serialPorts;
  StringList parallelPorts;
  StringList tcpipPorts;
  // The printer inventory, name and port by position.
  StringList printerNames;
  StringList printerPorts;

  // The user's choices.
  int32_t setDefaultPrinter = 1;
  int32_t modelIndex = -1;
  int32_t portKind = Serial;
  std::string chosenPort;
  // The port a run with arguments named, as the inventory spells it, and
  // its kind; empty when none was named.
  std::string namedPort;
  int32_t namedPortKind = -1;
  // Whether the current Install run found a port of the chosen kind: set at
  // the start of every run, cleared when the kind has no port.
  bool portAvailable = true;

  std::string statusText;
  // How the run ended, when the status line is what says so (the serial
  // search that found no printer); kNone for every other status.
  RunOutcome statusOutcome = RunOutcome::kNone;
  // Where a run with arguments looks for the driver package, in order:
  // each a file, or a folder holding DriverData.Drv. Empty: the current
  // folder only, where the window has always looked.
  StringList packagePlaces;
  // The package the start-up unpacked or tried to; empty when none of the
  // places held one.
  std::string packagePath;
  // Whether the start-up unpacked the driver package (a run with arguments
  // logs it; the window goes on either way).
  bool packageUnpacked = false;
  StartupStop startupStop = StartupStop::None;
  // The work-area entry refused (StartupStop::UnsafeWorkArea).
  std::string unsafeWorkAreaEntry;
  bool isWow64 = false;
  // Whether a run scheduled a file to be replaced at the next start of
  // Windows (a language monitor DLL the spooler holds); it stays pending
  // until then.
  bool restartPending = false;

  // The catalogue's group sizes.
  int32_t receiptGroup4Size = 25;
  int32_t receiptGroup3Size = 5;
  int32_t receiptGroup2Size = 7;
  int32_t receiptGroup1Size = 15;
  int32_t labelGroupSize = 5;

  // The serial probing values and the port being probed.
  SerialChannel serialChannel;
  int32_t baudRate = 19200;
  int32_t serialReplySeen = 0;
  int32_t probePortNumber = 0;
  int32_t parity = 78;
  int32_t dataBits = 8;
  int32_t stopBits = 1;
  int32_t commEventMask = 3;
  int32_t probeIndex = 0;
  // The serial search under way, if any.
  std::optional<SerialSearch> serialSearch;

  int32_t ReceiptRows() const {
    return receiptGroup1Size + receiptGroup2Size + receiptGroup3Size + receiptGroup4Size;
  }
};
