#include "dialogs/tcpip_port_dialog.h"

#include "dialogs/list_view.h"
#include "dialogs/port_list.h"
#include "platform/win_constants.h"
#include "ports/port_inventory.h"
#include "ports/port_kind.h"
#include "resources/resource.h"

namespace {

constexpr char kTcpIpMonitor[] = "Standard TCP/IP Port";
constexpr list_view::Column kColumns[] = {{"Port", 125}, {"Description", 300}};

}  // namespace

TcpIpPortDialog::TcpIpPortDialog(platform::Machine& machine)
    : platform::Dialog(machine.ui()), machine_(machine) {}

int TcpIpPortDialog::Rebuild() {
  return port_list::Fill(machine_, hwnd(), IDC_PORT_LIST, kColumns, 2, IsListedTcpIpPort);
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
  const int row = list_view::FirstSelectedRow(ui(), hwnd(), IDC_PORT_LIST);
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
  const int row = list_view::FirstSelectedRow(ui(), hwnd(), IDC_PORT_LIST);
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
  // Rows present but none selected: the dialog stays open.
  port_list::EndWithSelectedRow(ui(), hwnd(), IDC_PORT_LIST, chosenPort_);
}
