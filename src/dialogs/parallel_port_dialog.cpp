#include "dialogs/parallel_port_dialog.h"

#include "dialogs/list_view.h"
#include "dialogs/port_list.h"
#include "platform/win_constants.h"
#include "ports/port_inventory.h"
#include "ports/port_kind.h"
#include "resources/resource.h"

namespace {

constexpr list_view::Column kColumns[] = {{"Port", 125}, {"Description", 300}};

}  // namespace

ParallelPortDialog::ParallelPortDialog(platform::Machine& machine)
    : platform::Dialog(machine.ui()), machine_(machine) {}

bool ParallelPortDialog::OnInitDialog() {
  // Built once: the dialog offers no way to change the ports.
  port_list::Fill(machine_, hwnd(), IDC_PORT_LIST, kColumns, 2, IsListedParallelPort);
  return true;
}

void ParallelPortDialog::OnCommand(int id, int /*notifyCode*/) {
  switch (id) {
    case IDC_DIALOG_OK:
    case win::IDOK:  // Enter
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

void ParallelPortDialog::OnClose() { ui().EndDialog(hwnd(), RESULT_CANCEL); }

void ParallelPortDialog::Accept() {
  // No row selected (or none listed): stay open; "&Cancel" remains the way out.
  port_list::EndWithSelectedRow(ui(), hwnd(), IDC_PORT_LIST, chosenPort_);
}
