#include "dialogs/uninstall_dialog.h"

#include <string>

#include "dialogs/list_view.h"
#include "drivers/spooler_control.h"
#include "platform/win_constants.h"
#include "resources/resource.h"
#include "uninstall/installed_drivers.h"

namespace {

constexpr const char* kNoDriversRow = "The computer have no printer drivers avaliable!!";
constexpr const char* kSelectRowText = "Please select a printer driver in the list first.";
constexpr list_view::Column kColumn = {"Driver name", 500};

}  // namespace

UninstallDialog::UninstallDialog(platform::Machine& machine)
    : platform::Dialog(machine.ui()), machine_(machine) {}

bool UninstallDialog::OnInitDialog() {
  BuildList();
  return true;
}

void UninstallDialog::OnCommand(int id, int /*notifyCode*/) {
  switch (id) {
    case IDC_REFRESH:
      BuildList();
      break;
    case IDC_UNINSTALL_DRIVER:
      UninstallSelected();
      break;
    case win::IDCANCEL:  // Escape
      ui().EndDialog(hwnd(), win::IDCANCEL);
      break;
    default:
      break;
  }
}

void UninstallDialog::OnClose() { ui().EndDialog(hwnd(), win::IDCANCEL); }

void UninstallDialog::BuildList() {
  platform::WindowSystem& ui = this->ui();
  SpoolerControl(machine_, hwnd(), "Spooler", Restart);
  const std::vector<std::string> rows = InstalledDriverRows(machine_);

  list_view::Reset(ui, hwnd(), IDC_PORT_LIST, &kColumn, 1);

  for (const auto& row : rows) {
    ui.ListInsertItem(hwnd(), IDC_PORT_LIST, ui.ListGetItemCount(hwnd(), IDC_PORT_LIST), row);
  }
  if (rows.empty()) {
    // Once disabled the button stays so until the window closes, even when a
    // later refresh finds printers again.
    ui.ListInsertItem(hwnd(), IDC_PORT_LIST, 0, kNoDriversRow);
    ui.EnableDlgItem(hwnd(), IDC_UNINSTALL_DRIVER, false);
  }
  ui.ListSetItemState(hwnd(), IDC_PORT_LIST, 0, win::LVIS_SELECTED,
                      win::LVIS_SELECTED | win::LVIS_FOCUSED);
}

void UninstallDialog::UninstallSelected() {
  platform::WindowSystem& ui = this->ui();
  std::string name;
  const int row = list_view::FirstSelectedRow(ui, hwnd(), IDC_PORT_LIST);
  if (row >= 0) name = ui.ListGetItemText(hwnd(), IDC_PORT_LIST, row, 0);
  // With the selection cleared there is no name; an empty one must never
  // reach the spooler or the registry clean-up.
  if (name.empty()) {
    ui.MessageBoxA(hwnd(), kSelectRowText, "Prompt", win::MB_OK);
    return;
  }

  RemovePrinterAndDriver(
      machine_, hwnd(), name,
      [&](int position) { ui.SetProgressPos(hwnd(), IDC_UNINSTALL_PROGRESS, position); },
      [&] { BuildList(); });
}
