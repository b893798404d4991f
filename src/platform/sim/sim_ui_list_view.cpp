// List views in report view: columns, rows and item states.
#include "platform/sim/sim_ui.h"

#include <algorithm>

#include "platform/sim/sim_ui_internal.h"
#include "platform/win_constants.h"

namespace sim {

using platform::WindowId;

int FirstSelectedRow(const ControlState& c) {
  for (size_t i = 0; i < c.rows.size(); ++i) {
    if (c.rows[i].state & win::LVIS_SELECTED) return static_cast<int>(i);
  }
  return -1;
}

void SimUi::ListDeleteAllItems(WindowId dialog, int controlId) {
  OnControl(dialog, controlId, "ListDeleteAllItems", 0, [&](ControlState& c, Window& w) {
    if (!KindIs(c, {ControlKind::ListView}, "ListDeleteAllItems", w)) return 0;
    c.rows.clear();
    return 0;
  });
}

int SimUi::ListGetColumnCount(WindowId dialog, int controlId) {
  return OnControl(dialog, controlId, "ListGetColumnCount", 0,
                   [&](ControlState& c, Window&) { return static_cast<int>(c.columns.size()); });
}

void SimUi::ListDeleteColumn(WindowId dialog, int controlId, int column) {
  OnControl(dialog, controlId, "ListDeleteColumn", 0, [&](ControlState& c, Window& w) {
    if (!KindIs(c, {ControlKind::ListView}, "ListDeleteColumn", w)) return 0;
    if (column < 0 || column >= static_cast<int>(c.columns.size())) return 0;
    c.columns.erase(c.columns.begin() + column);
    for (auto& row : c.rows) {
      if (column < static_cast<int>(row.cells.size())) row.cells.erase(row.cells.begin() + column);
    }
    return 0;
  });
}

void SimUi::ListInsertColumn(WindowId dialog, int controlId, int column, const std::string& heading,
                             int format, int widthPixels) {
  OnControl(dialog, controlId, "ListInsertColumn", 0, [&](ControlState& c, Window& w) {
    if (!KindIs(c, {ControlKind::ListView}, "ListInsertColumn", w)) return 0;
    if (column < 0) return 0;
    const int at = std::min(column, static_cast<int>(c.columns.size()));
    c.columns.insert(c.columns.begin() + at, ListColumn{heading, format, widthPixels});
    return 0;
  });
}

void SimUi::ListSetColumnWidth(WindowId dialog, int controlId, int column, int widthPixels) {
  OnControl(dialog, controlId, "ListSetColumnWidth", 0, [&](ControlState& c, Window& w) {
    if (!KindIs(c, {ControlKind::ListView}, "ListSetColumnWidth", w)) return 0;
    if (column >= 0 && column < static_cast<int>(c.columns.size())) {
      c.columns[column].width = widthPixels;
    }
    return 0;
  });
}

uint32_t SimUi::ListGetExtendedStyle(WindowId dialog, int controlId) {
  return OnControl(dialog, controlId, "ListGetExtendedStyle", 0u,
                   [&](ControlState& c, Window&) { return c.listExStyle; });
}

void SimUi::ListSetExtendedStyle(WindowId dialog, int controlId, uint32_t style) {
  OnControl(dialog, controlId, "ListSetExtendedStyle", 0, [&](ControlState& c, Window& w) {
    if (!KindIs(c, {ControlKind::ListView}, "ListSetExtendedStyle", w)) return 0;
    c.listExStyle = style;
    return 0;
  });
}

int SimUi::ListInsertItem(WindowId dialog, int controlId, int row, const std::string& text) {
  return OnControl(dialog, controlId, "ListInsertItem", -1, [&](ControlState& c, Window& w) {
    if (!KindIs(c, {ControlKind::ListView}, "ListInsertItem", w)) return -1;
    if (row < 0) return -1;
    const int at = std::min(row, static_cast<int>(c.rows.size()));
    ListRow r;
    r.cells.push_back(text);
    c.rows.insert(c.rows.begin() + at, std::move(r));
    return at;
  });
}

void SimUi::ListSetItemText(WindowId dialog, int controlId, int row, int column,
                            const std::string& text) {
  OnControl(dialog, controlId, "ListSetItemText", 0, [&](ControlState& c, Window& w) {
    if (!KindIs(c, {ControlKind::ListView}, "ListSetItemText", w)) return 0;
    if (row < 0 || row >= static_cast<int>(c.rows.size()) || column < 0) return 0;
    if (column > 0 && column >= static_cast<int>(c.columns.size())) {
      RecordErrorLocked("ListSetItemText: column " + std::to_string(column) +
                            " does not exist in list " + std::to_string(c.tmpl.id),
                        w.hwnd);
      return 0;
    }
    auto& cells = c.rows[row].cells;
    if (static_cast<int>(cells.size()) <= column) cells.resize(column + 1);
    cells[column] = text;
    return 0;
  });
}

std::string SimUi::ListGetItemText(WindowId dialog, int controlId, int row, int column) {
  return OnControl(dialog, controlId, "ListGetItemText", std::string(),
                   [&](ControlState& c, Window&) {
                     if (row < 0 || row >= static_cast<int>(c.rows.size()) || column < 0 ||
                         column >= static_cast<int>(c.rows[row].cells.size())) {
                       return std::string();
                     }
                     return c.rows[row].cells[column];
                   });
}

int SimUi::ListGetItemCount(WindowId dialog, int controlId) {
  return OnControl(dialog, controlId, "ListGetItemCount", 0,
                   [&](ControlState& c, Window&) { return static_cast<int>(c.rows.size()); });
}

uint32_t SimUi::ListGetItemState(WindowId dialog, int controlId, int row, uint32_t mask) {
  return OnControl(dialog, controlId, "ListGetItemState", 0u, [&](ControlState& c, Window&) {
    if (row < 0 || row >= static_cast<int>(c.rows.size())) return 0u;
    return c.rows[row].state & mask;
  });
}

void SimUi::ListSetItemState(WindowId dialog, int controlId, int row, uint32_t state,
                             uint32_t mask) {
  OnControl(dialog, controlId, "ListSetItemState", 0, [&](ControlState& c, Window& w) {
    if (!KindIs(c, {ControlKind::ListView}, "ListSetItemState", w)) return 0;
    if (row < -1 || row >= static_cast<int>(c.rows.size())) return 0;
    const int before = FirstSelectedRow(c);
    std::vector<uint32_t> old;
    for (const auto& r : c.rows) old.push_back(r.state);
    for (int i = 0; i < static_cast<int>(c.rows.size()); ++i) {
      if (row != -1 && i != row) continue;
      c.rows[i].state = (c.rows[i].state & ~mask) | (state & mask);
    }
    if (row >= 0) {
      // One focused item per list; one selected item in a single-selection list.
      uint32_t exclusive = 0;
      if ((mask & state & win::LVIS_FOCUSED) != 0) exclusive |= win::LVIS_FOCUSED;
      if ((mask & state & win::LVIS_SELECTED) != 0 && (c.tmpl.style & kLvsSingleSel) != 0) {
        exclusive |= win::LVIS_SELECTED;
      }
      for (int i = 0; i < static_cast<int>(c.rows.size()); ++i) {
        if (i != row) c.rows[i].state &= ~exclusive;
      }
    }
    bool selectionChanged = false;
    for (size_t i = 0; i < c.rows.size(); ++i) {
      if ((old[i] ^ c.rows[i].state) & win::LVIS_SELECTED) selectionChanged = true;
    }
    if (selectionChanged) {
      RecordControlLocked(EventKind::ListSelection, w, c, FirstSelectedRow(c),
                          before == FirstSelectedRow(c) ? "selection extended" : "");
    }
    return 0;
  });
}

void SimUi::SetSelectedRowsLocked(Window& w, ControlState& c, int row, bool focus) {
  const int before = FirstSelectedRow(c);
  bool changed = false;
  for (int i = 0; i < static_cast<int>(c.rows.size()); ++i) {
    uint32_t s = c.rows[i].state & ~win::LVIS_SELECTED;
    if (focus) s &= ~win::LVIS_FOCUSED;
    if (i == row) s |= win::LVIS_SELECTED | (focus ? win::LVIS_FOCUSED : 0u);
    if ((s ^ c.rows[i].state) & win::LVIS_SELECTED) changed = true;
    c.rows[i].state = s;
  }
  if (changed || before != FirstSelectedRow(c)) {
    RecordControlLocked(EventKind::ListSelection, w, c, FirstSelectedRow(c));
  }
}

}  // namespace sim
