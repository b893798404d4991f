#include "ports/port_dialogs.h"

#include "dialogs/parallel_port_dialog.h"
#include "dialogs/port_list.h"
#include "dialogs/tcpip_port_dialog.h"
#include "platform/app_message_box.h"
#include "platform/win_constants.h"
#include "resources/resource.h"
#include "shell/main_window.h"
#include "shell/port_inventory.h"
#include "shell/port_kind.h"

namespace {

// The dialog's row and the window's list, refreshed after the dialog, agree
// unless the ports changed in between; the caller indexes the list, so the
// code handed back names the chosen port's entry there, or is a cancel.
int32_t RowInList(std::intptr_t dialogResult, const std::string& chosenPort,
                  const StringList& ports) {
  if (dialogResult < RESULT_ROW_BASE || chosenPort.empty()) return RESULT_CANCEL;
  const int row = static_cast<int>(dialogResult - RESULT_ROW_BASE);
  const int index = port_list::IndexInList(ports, row, chosenPort);
  if (index < 0) return RESULT_CANCEL;
  return RESULT_ROW_BASE + index;
}

}  // namespace

int32_t ChooseTcpIpPort(MainWindow& window) {
  platform::Machine& machine = window.machine;
  if (window.tcpipPorts.empty()) {
    const int added = machine.spooler().AddPortA(window.hwnd(), "Standard TCP/IP Port");
    PortInventory(window);
    // The caller takes the first TCP/IP port: there must be one.
    if (added == 1 && !window.tcpipPorts.empty()) return RESULT_PORT_ADDED;
    return RESULT_CANCEL;
  }
  TcpIpPortDialog dialog(machine);
  const std::intptr_t result = machine.ui().DialogBoxParamA(IDD_TCPIP_PORT, window.hwnd(), dialog);
  PortInventory(window);
  return RowInList(result, dialog.chosenPort(), window.tcpipPorts);
}

int32_t ChooseParallelPort(MainWindow& window) {
  platform::Machine& machine = window.machine;
  const std::size_t count = window.parallelPorts.size();
  if (count == 0) {
    platform::AppMessageBox(
        machine, window.hwnd(),
        "There is no available parallel port.\r\n\r\nPlease select other port type.", win::MB_OK);
    return RESULT_CANCEL;
  }
  if (count == 1) return RESULT_ROW_BASE;
  ParallelPortDialog dialog(machine);
  const std::intptr_t result =
      machine.ui().DialogBoxParamA(IDD_PARALLEL_PORT, window.hwnd(), dialog);
  PortInventory(window);
  return RowInList(result, dialog.chosenPort(), window.parallelPorts);
}
