#include "dialogs/tcpip_port_dialog.h"

#include <cstring>

#include "platform/win_constants.h"
#include "resources/resource.h"
#include "shell/port_inventory.h"
#include "shell/port_kind.h"

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
         const Column* columns, int columnCount,
         const std::function<bool(const platform::PortInfo2&)>& listed) {
  platform::WindowSystem& ui = machine.ui();
  ui.ListDeleteAllItems(dialog, controlId);
  const int oldColumns = ui.ListGetColumnCount(dialog, controlId);
  for (int i = 0; i < oldColumns; ++i) ui.ListDeleteColumn(dialog, controlId, 0);

  // A failed enumeration leaves the list empty.
  std::vector<platform::PortInfo2> ports;
  if (!machine.spooler().EnumPortsA(ports)) ports.clear();

  uint32_t style = ui.ListGetExtendedStyle(dialog, controlId);
  style &= ~win::LVS_EX_TRACKSELECT;
  style |= win::LVS_EX_GRIDLINES | win::LVS_EX_FULLROWSELECT;
  ui.ListSetExtendedStyle(dialog, controlId, style);

  for (int c = 0; c < columnCount; ++c) {
    ui.ListInsertColumn(dialog, controlId, c, columns[c].heading, win::LVCFMT_LEFT,
                        columns[c].widthPixels);
  }
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

namespace {

constexpr char kTcpIpMonitor[] = "Standard TCP/IP Port";
constexpr port_list::Column kColumns[] = {{"Port", 125}, {"Description", 300}};

}  // namespace

TcpIpPortDialog::TcpIpPortDialog(platform::Machine& machine)
    : platform::Dialog(machine.ui()), machine_(machine) {}

int TcpIpPortDialog::Rebuild() {
  return port_list::Fill(machine_, hwnd(), IDC_PORT_LIST, kColumns, 2,
                         port_list::IsListedTcpIpPort);
}

bool TcpIpPortDialog::OnInitDialog() {
  Rebuild();
  return true;
}

void TcpIpPortDialog::OnCommand(int id, int /*notifyCode*/) {
  switch (id) {
    case IDC_ADD_PORT:
      AddPort();
      break;
    case IDC_CONFIGURE_PORT:
      ConfigurePort();
      break;
    case IDC_DELETE_PORT:
      DeletePort();
      break;
    case IDC_DIALOG_OK:
    case win::IDOK:  // Enter: the same as "Ok", never the bare code 1
      Accept();
      break;
    case IDC_DIALOG_CANCEL:
    case win::IDCANCEL:  // Escape
      ui().EndDialog(hwnd(), RESULT_CANCEL);
      break;
    default:
      break;
  }
}

void TcpIpPortDialog::OnClose() { ui().EndDialog(hwnd(), RESULT_CANCEL); }

void TcpIpPortDialog::AddPort() {
  const int added = machine_.spooler().AddPortA(hwnd(), kTcpIpMonitor);
  const int rows = Rebuild();
  if (added == 1 && rows > 0) {
    // The new port is enumerated last: offer it instead of row 0.
    ui().ListSetItemState(hwnd(), IDC_PORT_LIST, 0, 0, win::LVIS_SELECTED | win::LVIS_FOCUSED);
    ui().ListSetItemState(hwnd(), IDC_PORT_LIST, rows - 1, win::LVIS_SELECTED,
                          win::LVIS_SELECTED | win::LVIS_FOCUSED);
  }
}

void TcpIpPortDialog::ConfigurePort() {
  const int row = port_list::FirstSelectedRow(ui(), hwnd(), IDC_PORT_LIST);
  if (row < 0) return;
  const std::string port = ui().ListGetItemText(hwnd(), IDC_PORT_LIST, row, 0);
  if (machine_.spooler().ConfigurePortA(hwnd(), port)) return;
  const uint32_t error = machine_.GetLastError();
  if (error == win::ERROR_NOT_SUPPORTED) {
    ui().MessageBoxA(hwnd(), "Failed to configure printer port.\r\nThe request is not supported.",
                     "Configure Port", win::MB_OK);
  } else if (error == win::ERROR_ADAP_HDW_ERR) {
    ui().MessageBoxA(hwnd(), "Failed to configure printer port.\r\nA hardware error occurred. ",
                     "Configure Por", win::MB_OK);
  }
}

void TcpIpPortDialog::DeletePort() {
  const int row = port_list::FirstSelectedRow(ui(), hwnd(), IDC_PORT_LIST);
  if (row >= 0) {
    const std::string port = ui().ListGetItemText(hwnd(), IDC_PORT_LIST, row, 0);
    if (!machine_.spooler().DeletePortA(hwnd(), port) &&
        machine_.GetLastError() == win::ERROR_NOT_SUPPORTED) {
      ui().MessageBoxA(hwnd(), "Failed to delete port.The request is not supported.", "Delete Port",
                       win::MB_OK);
    }
  }
  Rebuild();
}

void TcpIpPortDialog::Accept() {
  if (ui().ListGetItemCount(hwnd(), IDC_PORT_LIST) == 0) {
    ui().MessageBoxA(hwnd(),
                     "There is no available TCP/IP port\r\nClick \"Add port\" to create a new port",
                     "Prompt", win::MB_OK);
    return;
  }
  // Rows present but none selected: the dialog stays open, so the caller
  // never receives a code that names no row.
  const int row = port_list::FirstSelectedRow(ui(), hwnd(), IDC_PORT_LIST);
  if (row < 0) return;
  chosenPort_ = ui().ListGetItemText(hwnd(), IDC_PORT_LIST, row, 0);
  ui().EndDialog(hwnd(), RESULT_ROW_BASE + row);
}
