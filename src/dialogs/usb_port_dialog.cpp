#include "dialogs/usb_port_dialog.h"

#include "dialogs/list_view.h"
#include "dialogs/port_list.h"
#include "platform/win_constants.h"
#include "ports/port_inventory.h"
#include "resources/resource.h"

namespace {

constexpr list_view::Column kColumns[] = {{"Port", 425}};

}  // namespace

UsbPortDialog::UsbPortDialog(platform::Machine& machine)
    : platform::Dialog(machine.ui()), machine_(machine) {}

bool UsbPortDialog::OnInitDialog() {
  port_list::Fill(machine_, hwnd(), IDC_PORT_LIST, kColumns, 1, IsListedUsbPort);
  return true;
}

void UsbPortDialog::OnCommand(int id, int /*notifyCode*/) {
  switch (id) {
    case IDC_USB_OK:
    case win::IDOK:  // Enter reaches the default button
      Accept();
      break;
    case win::IDCANCEL:  // the Cancel button and Escape
      ui().EndDialog(hwnd(), kUsbDialogCancelled);
      break;
    default:
      break;
  }
}

void UsbPortDialog::OnClose() { ui().EndDialog(hwnd(), kUsbDialogCancelled); }

void UsbPortDialog::Accept() {
  // With the selection cleared, the first row is taken.
  int row = list_view::FirstSelectedRow(ui(), hwnd(), IDC_PORT_LIST);
  if (row < 0) row = 0;
  if (row < ui().ListGetItemCount(hwnd(), IDC_PORT_LIST)) {
    chosenPort_ = ui().ListGetItemText(hwnd(), IDC_PORT_LIST, row, 0);
  }
  ui().EndDialog(hwnd(), row);
}
