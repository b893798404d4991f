// Every platform call an installation makes, failed once and then every
// time: the run ends in one of its end states, leaves nothing open (the
// machine checks that itself) and never claims completion after a failure
// that stops it.
#include <set>
#include <string>

#include "install_fixture.h"

namespace install_test {
namespace {

TEST(InstallFaultSweep, EveryFailedCallEndsTheRunInAnEndStateWithNothingLeftOpen) {
  const char* const calls[] = {
      "EnumPortsA",          "EnumPrintersA",         "GetPrinterDriverDirectoryA",
      "AddPrinterDriverExA", "OpenPrinterA",          "SetPrinterA",
      "DeletePrinter",       "ClosePrinter",          "AddPrinterA",
      "AddMonitorA",         "DeleteMonitorA",        "RegOpenKeyExA",
      "RegSetValueExA",      "RegQueryValueExA",      "RegEnumValueA",
      "RegCloseKey",         "RegCreateKeyExA",       "CopyFileA",
      "DeleteFileA",         "GetSystemDirectoryA",   "GetWindowsDirectoryA",
      "OpenProcessToken",    "LookupPrivilegeValueA", "AdjustTokenPrivileges",
      "OpenSCManagerA",      "OpenServiceA",          "QueryServiceStatus",
      "StartServiceA",       "ControlService"};
  // Calls whose failure stops the run before the printer exists (only a
  // label driver registers a monitor).
  const std::set<std::string> stopping = {"GetPrinterDriverDirectoryA", "AddPrinterDriverExA",
                                          "AddPrinterA", "AddMonitorA"};
  for (const char* driver : {"RX-46 Series", "LX-2(Label)"}) {
    for (const char* call : calls) {
      for (const uint32_t times : {1u, sim::kForever}) {
        SCOPED_TRACE(std::string(driver) + ", " + call + (times == 1 ? " once" : " always"));
        // An existing printer and monitor, so that every branch is taken.
        InstallRig rig;
        rig.LayPackage();
        rig.m.spool().AddPrinter(driver, "LPT1:", "Old Driver");
        rig.m.spool().AddMonitor(kMonitor, "old.dll");
        rig.RunInstall(driver, Parallel, true, [&] {
          rig.m.faults().Fail(call, win::ERROR_ACCESS_DENIED, {1, times});
        });
        EXPECT_NE(rig.end, InstallRig::EndState::Other) << rig.DumpRun();
        const bool label = std::string(driver) == "LX-2(Label)";
        if (stopping.count(call) != 0 && (label || std::string(call) != "AddMonitorA")) {
          EXPECT_NE(rig.end, InstallRig::EndState::Completed);
        }
      }
    }
  }
}

}  // namespace
}  // namespace install_test
