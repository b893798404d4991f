#include "startup/startup_worker.h"

#include <string>
#include <vector>

#include "drivers/driver_name_list.h"
#include "drivers/spooler_control.h"
#include "drivers/windows_version.h"
#include "installation/installer_window.h"
#include "installation/step_times.h"
#include "platform/win_constants.h"
#include "port_steps/port_lists.h"
#include "startup/extract_package.h"

int32_t DefaultPortKind(const Installation& installation) {
  if (!installation.usbPorts.empty()) return Usb;
  if (!installation.serialPorts.empty()) return Serial;
  if (!installation.parallelPorts.empty()) return Parallel;
  if (!installation.tcpipPorts.empty()) return TcpIp;
  return Serial;
}

void EnvironmentProbe(Installation& installation, InstallerWindow& window) {
  installation.isWow64 = RunningOnWow64(installation.machine);
  const char* bitness = installation.isWow64 ? "64 bit" : "32 bit";
  const char* version = WindowsVersionText(WindowsVersionCode(installation.machine));
  // The version text ends with a blank, so the line has two before the bitness.
  installation.statusText = std::string("Current Systems is ") + version + " " + bitness;
  window.Refresh();
}

void StartupWorker(Installation& installation, InstallerWindow& window) {
  // Each step runs to its end; once the window is closing the remaining ones
  // are skipped, since they would write into a window that is going away.
  //
  // The steps' window writes go in two batches, each one round trip to the
  // window's thread: the port-type list with the status line, which must
  // show before the unpacking; and, once the package is read, the names,
  // the port kind, the system line and the Install button. A refresh in
  // between would show the same text again, so the person sees what the
  // steps one by one would show.
  StepMark("begin");
  if (window.Closing()) return;
  SpoolerControl(installation.machine, window.Owner(), "Spooler", EnsureRunning);
  StepMark("spooler");
  if (window.Closing()) return;
  ReadPortLists(installation);
  window.Batch([&] {
    window.ShowPortsChanged();
    SetStatus(installation, window, kReadingPackageStatus);
  });
  StepMark("ports");
  if (window.Closing()) return;
  ExtractPackage(installation, window.Owner());
  StepMark("package");
  if (installation.startupStop == StartupStop::UnsafeWorkArea) {
    // Install stays disabled: every driver would come from the work area.
    window.ShowMessageBox(UnsafeWorkAreaText(installation.unsafeWorkAreaEntry), "Error",
                          win::MB_OK | win::MB_ICONSTOP);
    return;
  }
  if (window.Closing()) return;
  const std::vector<std::string> names = DriverNameList(installation.machine);
  StepMark("names");
  if (window.Closing()) return;
  window.Batch([&] {
    window.ShowDriverNames(names);
    window.SelectPortKind(DefaultPortKind(installation));
    EnvironmentProbe(installation, window);
    window.EnableInstall(true);
  });
  StepMark("enabled");
}
