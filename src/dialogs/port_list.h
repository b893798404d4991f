// The port lists of the three port-choosing dialogs (TCP/IP, parallel, USB):
// how the list is built from the machine's ports, and the row chosen.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "dialogs/list_view.h"
#include "platform/machine.h"

namespace port_list {

// Empties the list control `controlId` of `dialog` (rows, then columns),
// enumerates the ports afresh and fills one row per port that `listed`
// accepts (name in column 0, description in column 1 when there are two
// columns). Row 0 ends up selected, not focused. Returns the row count.
int Fill(platform::Machine& machine, platform::WindowId dialog, int controlId,
         const list_view::Column* columns, int columnCount,
         const std::function<bool(const platform::PortInfo2&)>& listed);

// Ends `dialog` with RESULT_ROW_BASE + the first selected row of its port
// list and puts that row's port in `chosenPort`. False, the dialog left open,
// when no row is selected: the caller never gets a code that names no row.
bool EndWithSelectedRow(platform::WindowSystem& ui, platform::WindowId dialog, int controlId,
                        std::string& chosenPort);

}  // namespace port_list
