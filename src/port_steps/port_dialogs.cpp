#include "port_steps/port_dialogs.h"

#include "installation/installer_window.h"
#include "platform/win_constants.h"
#include "port_steps/port_lists.h"
#include "ports/port_inventory.h"
#include "ports/port_kind.h"

namespace {

// The dialog's row and the window's list, refreshed after the dialog, agree
// unless the ports changed in between; the caller indexes the list, so the
// code handed back names the chosen port's entry there, or is a cancel.
int32_t RowInList(std::intptr_t dialogResult, const std::string& chosenPort,
                  const StringList& ports) {
  if (dialogResult < RESULT_ROW_BASE || chosenPort.empty()) return RESULT_CANCEL;
  const int row = static_cast<int>(dialogResult - RESULT_ROW_BASE);
  const int index = IndexInList(ports, row, chosenPort);
  if (index < 0) return RESULT_CANCEL;
  return RESULT_ROW_BASE + index;
}

}  // namespace

int32_t ChooseTcpIpPort(Installation& installation, InstallerWindow& window) {
  if (installation.tcpipPorts.empty()) {
    const int added = window.AddTcpIpPort();
    PortInventory(installation, window);
    // The caller takes the first TCP/IP port: there must be one.
    if (added == 1 && !installation.tcpipPorts.empty()) return RESULT_PORT_ADDED;
    return RESULT_CANCEL;
  }
  std::string chosen;
  const std::intptr_t result = window.ShowPortDialog(TcpIp, chosen);
  PortInventory(installation, window);
  return RowInList(result, chosen, installation.tcpipPorts);
}

int32_t ChooseParallelPort(Installation& installation, InstallerWindow& window) {
  const std::size_t count = installation.parallelPorts.size();
  if (count == 0) {
    window.ShowAppMessageBox(
        "There is no available parallel port.\r\n\r\nPlease select other port type.", win::MB_OK,
        RunOutcome::kNoPort);
    return RESULT_CANCEL;
  }
  if (count == 1) return RESULT_ROW_BASE;
  std::string chosen;
  const std::intptr_t result = window.ShowPortDialog(Parallel, chosen);
  PortInventory(installation, window);
  return RowInList(result, chosen, installation.parallelPorts);
}
