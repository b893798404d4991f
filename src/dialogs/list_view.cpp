#include "dialogs/list_view.h"

#include "platform/win_constants.h"

namespace list_view {

void Reset(platform::WindowSystem& ui, platform::WindowId dialog, int controlId,
           const Column* columns, int columnCount) {
  ui.ListDeleteAllItems(dialog, controlId);
  for (int old = ui.ListGetColumnCount(dialog, controlId); old > 0; --old) {
    ui.ListDeleteColumn(dialog, controlId, 0);
  }
  uint32_t style = ui.ListGetExtendedStyle(dialog, controlId);
  style &= ~win::LVS_EX_TRACKSELECT;
  style |= win::LVS_EX_GRIDLINES | win::LVS_EX_FULLROWSELECT;
  ui.ListSetExtendedStyle(dialog, controlId, style);
  for (int c = 0; c < columnCount; ++c) {
    ui.ListInsertColumn(dialog, controlId, c, columns[c].heading, win::LVCFMT_LEFT,
                        columns[c].widthPixels);
  }
}

int FirstSelectedRow(platform::WindowSystem& ui, platform::WindowId dialog, int controlId) {
  const int count = ui.ListGetItemCount(dialog, controlId);
  for (int row = 0; row < count; ++row) {
    if ((ui.ListGetItemState(dialog, controlId, row, win::LVIS_SELECTED) & win::LVIS_SELECTED) !=
        0) {
      return row;
    }
  }
  return -1;
}

}  // namespace list_view
