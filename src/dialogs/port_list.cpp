#include "dialogs/port_list.h"

#include "platform/win_constants.h"
#include "ports/port_inventory.h"
#include "ports/port_kind.h"

namespace port_list {

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

}  // namespace port_list
