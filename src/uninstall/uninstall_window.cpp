#include "uninstall/uninstall_window.h"

#include "dialogs/uninstall_dialog.h"
#include "resources/resource.h"
#include "shell/main_window.h"

void OpenUninstallWindow(MainWindow& window) {
  UninstallDialog dialog(window.machine);
  window.machine.ui().DialogBoxParamA(IDD_UNINSTALL, window.hwnd(), dialog);
}
