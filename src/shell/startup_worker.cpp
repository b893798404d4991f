#include "shell/startup_worker.h"

#include "install/driver_name_list.h"
#include "install/environment_probe.h"
#include "install/installer_window.h"
#include "install/spooler_control.h"
#include "ports/port_inventory.h"
#include "shell/extract_package.h"
#include "shell/step_times.h"

int32_t DefaultPortKind(const Installation& installation) {
  if (!installation.usbPorts.empty()) return Usb;
  if (!installation.serialPorts.empty()) return Serial;
  if (!installation.parallelPorts.empty()) return Parallel;
  if (!installation.tcpipPorts.empty()) return TcpIp;
  return Serial;
}

void StartupWorker(Installation& installation, InstallerWindow& window) {
  // Each step runs to its end; once the window is closing the remaining ones
  // are skipped, since they would write into a window that is going away.
  StepMark("begin");
  if (window.Closing()) return;
  SpoolerControl(installation.machine, window.Owner(), "Spooler", EnsureRunning);
  StepMark("spooler");
  if (window.Closing()) return;
  PortInventory(installation, window);
  StepMark("ports");
  if (window.Closing()) return;
  ExtractPackage(installation, window);
  StepMark("package");
  if (window.Closing()) return;
  DriverNameList(installation, window);
  StepMark("names");
  if (window.Closing()) return;
  window.SelectPortKind(DefaultPortKind(installation));
  StepMark("portkind");
  if (window.Closing()) return;
  EnvironmentProbe(installation, window);
  StepMark("environment");
  if (window.Closing()) return;
  window.EnableInstall(true);
  StepMark("enabled");
}
