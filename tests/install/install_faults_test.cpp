// Every platform call an installation makes, failed in turn: the run must end
// in one of its four end states, never hang, and never claim completion after
// a failure that stops it.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "install_fixture.h"

namespace install_test {
namespace {

const char* const kCalls[] = {
    // Spooler.
    "EnumPortsA", "EnumPrintersA", "GetPrinterDriverDirectoryA", "AddPrinterDriverExA",
    "OpenPrinterA", "SetPrinterA", "DeletePrinter", "ClosePrinter", "AddPrinterA", "AddMonitorA",
    "DeleteMonitorA",
    // Registry.
    "RegOpenKeyExA", "RegSetValueExA", "RegQueryValueExA", "RegEnumValueA", "RegCloseKey",
    "RegCreateKeyExA",
    // Files.
    "CopyFileA", "DeleteFileA", "GetSystemDirectoryA", "GetWindowsDirectoryA",
    // Security and services.
    "OpenProcessToken", "LookupPrivilegeValueA", "AdjustTokenPrivileges", "OpenSCManagerA",
    "OpenServiceA", "QueryServiceStatus", "StartServiceA", "ControlService"};

// Calls whose failure stops the run before the printer exists.
const std::set<std::string> kStopping = {"GetPrinterDriverDirectoryA", "AddPrinterDriverExA",
                                         "AddPrinterA", "AddMonitorA"};

struct Outcome {
  InstallRig::EndState end = InstallRig::EndState::Other;
  std::string dump;
};

// A fresh machine with an existing printer (and, for labels, a registered
// monitor) so that every branch of the run is taken; the fault is armed at
// the click.
Outcome RunWithFault(const std::string& driverText, const std::string& call, uint32_t fromCall,
                     uint32_t times, std::map<std::string, uint64_t>* counts = nullptr) {
  InstallRig rig;
  rig.LayNameList();
  rig.LayPackageFiles(false);
  rig.m.spool().AddPrinter(driverText, "LPT1:", "Old Driver");
  rig.m.spool().AddMonitor(kMonitor, "old.dll");
  std::map<std::string, uint64_t> before;
  rig.RunWindow([&](sim::UserActions& u) {
    u.WaitIdle();
    rig.Choose(u, {driverText, Parallel, true});
    for (const char* name : kCalls) before[name] = rig.m.faults().Calls(name);
    if (!call.empty()) rig.m.faults().Fail(call, win::ERROR_ACCESS_DENIED, {fromCall, times});
    rig.ClickInstall(u);
    if (!u.Ended()) u.Click(win::IDCANCEL);
  });
  if (counts != nullptr) {
    for (const char* name : kCalls) (*counts)[name] = rig.m.faults().Calls(name) - before[name];
  }
  return {rig.End(), rig.DumpRun() + rig.m.simUi().Dump()};
}

void Sweep(const std::string& driverText) {
  std::map<std::string, uint64_t> counts;
  const Outcome clean = RunWithFault(driverText, "", 1, 1, &counts);
  ASSERT_EQ(clean.end, InstallRig::EndState::Completed) << clean.dump;

  int runs = 0;
  for (const char* call : kCalls) {
    if (counts[call] == 0) continue;
    // The first call of the run fails, then (where there are more) every one.
    const Outcome once = RunWithFault(driverText, call, 1, 1);
    ++runs;
    EXPECT_NE(once.end, InstallRig::EndState::Other) << call << " once\n" << once.dump;
    if (kStopping.count(call) != 0) {
      EXPECT_NE(once.end, InstallRig::EndState::Completed) << call << "\n" << once.dump;
    }
    if (counts[call] > 1) {
      const Outcome always = RunWithFault(driverText, call, 1, sim::kForever);
      ++runs;
      EXPECT_NE(always.end, InstallRig::EndState::Other) << call << " always\n" << always.dump;
      if (kStopping.count(call) != 0) {
        EXPECT_NE(always.end, InstallRig::EndState::Completed) << call << "\n" << always.dump;
      }
    }
  }
  // The sweep reached the calls it is about.
  for (const char* call : {"GetPrinterDriverDirectoryA", "AddPrinterDriverExA", "AddPrinterA",
                           "CopyFileA", "DeleteFileA", "RegSetValueExA", "OpenPrinterA"}) {
    EXPECT_GT(counts[call], 0u) << call;
  }
  EXPECT_GT(runs, 20);
}

TEST(InstallFaultSweep, ReceiptInstallAlwaysEndsInAnEndState) { Sweep("RX-46 Series"); }

TEST(InstallFaultSweep, LabelInstallAlwaysEndsInAnEndState) { Sweep("LX-2(Label)"); }

TEST(InstallFaultSweep, LabelMonitorCallsAreReached) {
  std::map<std::string, uint64_t> counts;
  RunWithFault("LX-2(Label)", "", 1, 1, &counts);
  EXPECT_EQ(counts["AddMonitorA"], 1u);
  EXPECT_EQ(counts["DeleteMonitorA"], 1u);
  EXPECT_EQ(counts["GetSystemDirectoryA"], 1u);
}

}  // namespace
}  // namespace install_test
