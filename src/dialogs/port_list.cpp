#include "dialogs/port_list.h"

#include <cstring>

#include "platform/win_constants.h"
#include "ports/port_inventory.h"
#include "ports/port_kind.h"

namespace port_list {

bool HasPrefix(const std::string& name, const char* prefix) {
  return name.size() >= 3 && std::memcmp(name.data(), prefix, 3) == 0;
}

bool IsListedTcpIpPort(const platform::PortInfo2& port) {
  // A USB-named port goes to the USB list whatever its description.
  return !HasPrefix(port.portName, "USB") && IsTcpIpPortDescription(port.description);
}

bool IsListedParallelPort(const platform::PortInfo2& port) {
  return HasPrefix(port.portName, "LPT") && !IsTcpIpPortDescription(port.description);
}

bool IsListedUsbPort(const platform::PortInfo2& port) { return HasPrefix(port.portName, "USB"); }

int Fill(platform::Machine& machine, platform::WindowId dialog, int controlId,
         const list_view::Column* columns, int columnCount,
         const std::function<bool(const platform::PortInfo2&)>& listed) {
  platform::WindowSystem& ui = machine.ui();
  // A failed enumeration leaves the list empty.
  std::vector<platform::PortInfo2> ports;
  if (!machine.spooler().EnumPortsA(ports)) ports.clear();

  list_view::Reset(ui, dialog, controlId, columns, columnCount);
  for (int c = 0; c < columnCount; ++c) {
    ui.ListSetColumnWidth(dialog, controlId, c, columns[c].widthPixels);
  }

  int rows = 0;
  for (std::size_t i = 0; i < ports.size() && i < kInventoryLimit; ++i) {
    if (!listed(ports[i])) continue;
    const int row = ui.ListInsertItem(dialog, controlId, rows, ports[i].portName);
    if (row < 0) continue;
    if (columnCount > 1) ui.ListSetItemText(dialog, controlId, row, 1, ports[i].description);
    ++rows;
  }
  if (rows > 0) {
    ui.ListSetItemState(dialog, controlId, 0, win::LVIS_SELECTED,
                        win::LVIS_SELECTED | win::LVIS_FOCUSED);
  }
  return rows;
}

bool EndWithSelectedRow(platform::WindowSystem& ui, platform::WindowId dialog, int controlId,
                        std::string& chosenPort) {
  const int row = list_view::FirstSelectedRow(ui, dialog, controlId);
  if (row < 0) return false;
  chosenPort = ui.ListGetItemText(dialog, controlId, row, 0);
  ui.EndDialog(dialog, RESULT_ROW_BASE + row);
  return true;
}

int IndexInList(const std::vector<std::string>& ports, int row, const std::string& portName) {
  if (row >= 0 && static_cast<std::size_t>(row) < ports.size() && ports[row] == portName) {
    return row;
  }
  for (std::size_t i = 0; i < ports.size(); ++i) {
    if (ports[i] == portName) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace port_list
