#include "shell/startup_worker.h"

#include "package/extract_package.h"
#include "platform/win_constants.h"
#include "resources/resource.h"
#include "shell/driver_name_list.h"
#include "shell/environment_probe.h"
#include "shell/main_window.h"
#include "shell/port_inventory.h"
#include "shell/spooler_control.h"
#include "shell/step_times.h"

int32_t DefaultPortKind(const MainWindow& window) {
  if (!window.usbPorts.empty()) return Usb;
  if (!window.serialPorts.empty()) return Serial;
  if (!window.parallelPorts.empty()) return Parallel;
  if (!window.tcpipPorts.empty()) return TcpIp;
  return Serial;
}

namespace {

void SelectDefaultPortKind(MainWindow& window) {
  // The list allows a single selection: selecting the row clears the old one.
  // The selection and the refresh in one send to the window's thread.
  const int32_t row = DefaultPortKind(window);
  window.OnWindowThread([&] {
    window.ui().ListSetItemState(window.hwnd(), IDC_PORT_LIST, row, win::LVIS_SELECTED,
                                 win::LVIS_SELECTED | win::LVIS_FOCUSED);
    window.Refresh();
  });
}

}  // namespace

void StartupWorker(MainWindow& window) {
  // Each step runs to its end; once the window is closing the remaining ones
  // are skipped, since they would write into a window that is going away.
  StepMark("begin");
  if (window.Closing()) return;
  SpoolerControl(window.machine, window.hwnd(), "Spooler", EnsureRunning);
  StepMark("spooler");
  if (window.Closing()) return;
  PortInventory(window);
  StepMark("ports");
  if (window.Closing()) return;
  ExtractPackage(window);
  StepMark("package");
  if (window.Closing()) return;
  DriverNameList(window);
  StepMark("names");
  if (window.Closing()) return;
  SelectDefaultPortKind(window);
  StepMark("portkind");
  if (window.Closing()) return;
  EnvironmentProbe(window);
  StepMark("environment");
  if (window.Closing()) return;
  window.EnableInstall(true);
  StepMark("enabled");
}
