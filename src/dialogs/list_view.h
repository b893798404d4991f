// The report-style list views of the installer's dialogs: built the same way
// in every dialog, read by the same selection rule.
#pragma once

#include "platform/window_system.h"

namespace list_view {

struct Column {
  const char* heading;
  int widthPixels;
};

// Empties the list view `controlId` of `dialog` (rows, then columns), gives
// it grid lines and full-row selection without hot tracking, and inserts the
// columns.
void Reset(platform::WindowSystem& ui, platform::WindowId dialog, int controlId,
           const Column* columns, int columnCount);

// The first selected row, testing from row 0 upward; -1 when none.
int FirstSelectedRow(platform::WindowSystem& ui, platform::WindowId dialog, int controlId);

}  // namespace list_view
