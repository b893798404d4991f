#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/sim/sim_machine.h"
#include "platform/win_constants.h"

namespace {

class SimServicesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    manager = sc.OpenSCManagerA("ServicesActive", win::SC_MANAGER_ALL_ACCESS);
    ASSERT_NE(manager, 0u);
    spooler = sc.OpenServiceA(manager, "spooler", win::SERVICE_ALL_ACCESS);
    ASSERT_NE(spooler, 0u);
  }
  uint32_t State() {
    platform::ServiceStatus status;
    EXPECT_TRUE(sc.QueryServiceStatus(spooler, status));
    return status.currentState;
  }

  sim::SimMachine m;
  platform::ServiceManager& sc = m.services();
  platform::ServiceHandle manager = 0;
  platform::ServiceHandle spooler = 0;
};

TEST_F(SimServicesTest, StopAndStartPassThroughPendingStatesInVirtualTime) {
  m.svc().SetTransitionTimes("Spooler", 300, 200);
  EXPECT_EQ(State(), win::SERVICE_RUNNING);
  platform::ServiceStatus status;
  ASSERT_TRUE(sc.ControlService(spooler, win::SERVICE_CONTROL_STOP, status));
  EXPECT_EQ(status.currentState, win::SERVICE_STOP_PENDING);
  m.simClock().Advance(199);
  EXPECT_EQ(State(), win::SERVICE_STOP_PENDING);
  // The spooler stops answering as soon as it is asked to stop.
  std::vector<platform::PortInfo2> ports;
  EXPECT_FALSE(m.spooler().EnumPortsA(ports));
  m.simClock().Advance(1);
  EXPECT_EQ(State(), win::SERVICE_STOPPED);
  EXPECT_FALSE(sc.ControlService(spooler, win::SERVICE_CONTROL_STOP, status));
  EXPECT_EQ(m.GetLastError(), win::ERROR_SERVICE_NOT_ACTIVE);

  ASSERT_TRUE(sc.StartServiceA(spooler));
  EXPECT_EQ(State(), win::SERVICE_START_PENDING);
  EXPECT_FALSE(sc.StartServiceA(spooler));
  EXPECT_EQ(m.GetLastError(), win::ERROR_SERVICE_ALREADY_RUNNING);
  m.simClock().Advance(300);
  EXPECT_EQ(State(), win::SERVICE_RUNNING);
  EXPECT_TRUE(m.spooler().EnumPortsA(ports));
  EXPECT_EQ(m.spool().Restarts(), 1);
  EXPECT_EQ(m.svc().Stops("Spooler"), 1);
  EXPECT_EQ(m.svc().Starts("Spooler"), 1);
}

TEST_F(SimServicesTest, AServiceCanHangInStopPending) {
  m.svc().SetHangsOnStop("Spooler");
  platform::ServiceStatus status;
  ASSERT_TRUE(sc.ControlService(spooler, win::SERVICE_CONTROL_STOP, status));
  m.simClock().Advance(60'000);
  EXPECT_EQ(State(), win::SERVICE_STOP_PENDING);
  EXPECT_FALSE(sc.ControlService(spooler, win::SERVICE_CONTROL_STOP, status));
  EXPECT_EQ(m.GetLastError(), win::ERROR_SERVICE_CANNOT_ACCEPT_CTRL);
  EXPECT_FALSE(sc.StartServiceA(spooler));
  EXPECT_EQ(m.GetLastError(), win::ERROR_SERVICE_ALREADY_RUNNING);
  EXPECT_EQ(m.spool().Restarts(), 0);
}

TEST_F(SimServicesTest, UnknownServicesHandlesAndFaults) {
  EXPECT_EQ(sc.OpenServiceA(manager, "Fax", win::SERVICE_ALL_ACCESS), 0u);
  EXPECT_EQ(m.GetLastError(), win::ERROR_SERVICE_DOES_NOT_EXIST);
  m.faults().Fail("StartServiceA", win::ERROR_SERVICE_REQUEST_TIMEOUT);
  m.svc().SetState("Spooler", win::SERVICE_STOPPED);
  EXPECT_FALSE(sc.StartServiceA(spooler));
  EXPECT_EQ(m.GetLastError(), win::ERROR_SERVICE_REQUEST_TIMEOUT);
  EXPECT_EQ(State(), win::SERVICE_STOPPED);
  EXPECT_EQ(m.svc().OpenHandleCount(), 2u);
  EXPECT_TRUE(sc.CloseServiceHandle(spooler));
  EXPECT_TRUE(sc.CloseServiceHandle(manager));
  EXPECT_FALSE(sc.CloseServiceHandle(manager));
  EXPECT_EQ(m.svc().OpenHandleCount(), 0u);
}

TEST(SimSecurity, ObjectNamesAndAccessListMerging) {
  sim::SimMachine m;
  auto& security = m.security();
  const std::string path = "SYSTEM\\ControlSet001\\Control\\Print\\Printers\\POS-80";
  m.reg().CreateKey(platform::kHkeyLocalMachine, path);
  m.reg().SetAcl(platform::kHkeyLocalMachine, path,
                 {{"SYSTEM", win::KEY_ALL_ACCESS, win::SET_ACCESS, 3},
                  {"administrators", win::KEY_READ, win::SET_ACCESS, 3},
                  {"Users", win::KEY_READ, win::GRANT_ACCESS, 3}});
  std::unique_ptr<platform::Acl> acl;
  EXPECT_EQ(security.GetNamedSecurityInfoA("machine\\" + path, acl), win::ERROR_INVALID_PARAMETER);
  EXPECT_EQ(security.GetNamedSecurityInfoA("HKEY_LOCAL_MACHINE\\" + path, acl),
            win::ERROR_INVALID_PARAMETER);
  EXPECT_EQ(security.GetNamedSecurityInfoA("MACHINE\\SYSTEM\\Nowhere", acl),
            win::ERROR_FILE_NOT_FOUND);
  ASSERT_EQ(security.GetNamedSecurityInfoA("MACHINE\\" + path, acl), 0u);

  std::unique_ptr<platform::Acl> merged;
  ASSERT_EQ(security.SetEntriesInAclA({"Administrators", win::KEY_ALL_ACCESS, win::SET_ACCESS, 3},
                                      acl.get(), merged),
            0u);
  ASSERT_EQ(security.SetNamedSecurityInfoA("MACHINE\\" + path, *merged), 0u);
  const auto entries = m.reg().Acl(platform::kHkeyLocalMachine, path);
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].trusteeName, "SYSTEM");
  EXPECT_EQ(entries[1].trusteeName, "Users");
  EXPECT_EQ(entries[2].trusteeName, "Administrators");
  EXPECT_EQ(entries[2].permissions, win::KEY_ALL_ACCESS);
  // Reading the key's list does not change it.
  EXPECT_EQ(m.reg()
                .Acl(platform::kHkeyLocalMachine,
                     "SYSTEM\\CurrentControlSet\\Control\\Print\\"
                     "Printers\\POS-80")
                .size(),
            3u);
}

TEST(SimSecurity, PrivilegesAreEnabledWhereHeld) {
  sim::SimMachine m;
  auto& security = m.security();
  platform::TokenHandle token = 0;
  ASSERT_TRUE(security.OpenProcessToken(win::TOKEN_QUERY, token));
  uint64_t luid = 0;
  ASSERT_TRUE(security.LookupPrivilegeValueA("SeLoadDriverPrivilege", luid));
  EXPECT_FALSE(security.AdjustTokenPrivileges(token, luid, win::SE_PRIVILEGE_ENABLED));
  EXPECT_EQ(m.GetLastError(), win::ERROR_ACCESS_DENIED);
  security.CloseHandle(token);
  ASSERT_TRUE(security.OpenProcessToken(win::TOKEN_ADJUST_PRIVILEGES | win::TOKEN_QUERY, token));
  EXPECT_TRUE(security.AdjustTokenPrivileges(token, luid, win::SE_PRIVILEGE_ENABLED));
  EXPECT_EQ(m.sec().EnabledPrivileges(), std::vector<std::string>{"SeLoadDriverPrivilege"});
  EXPECT_TRUE(security.CloseHandle(token));
  EXPECT_EQ(m.sec().OpenTokenCount(), 0u);
  EXPECT_FALSE(security.LookupPrivilegeValueA("SeMadeUpPrivilege", luid));

  sim::SimMachine restricted;
  restricted.sec().SetHeld("SeLoadDriverPrivilege", false);
  ASSERT_TRUE(restricted.security().OpenProcessToken(win::TOKEN_ADJUST_PRIVILEGES, token));
  ASSERT_TRUE(restricted.security().LookupPrivilegeValueA("SeLoadDriverPrivilege", luid));
  EXPECT_TRUE(restricted.security().AdjustTokenPrivileges(token, luid, win::SE_PRIVILEGE_ENABLED));
  EXPECT_EQ(restricted.GetLastError(), sim::kErrorNotAllAssigned);
  EXPECT_TRUE(restricted.sec().EnabledPrivileges().empty());
}

TEST(SimSystem, AFreshMachineIs32BitWindows7AndVariesOnDemand) {
  sim::SimMachine m;
  auto& system = m.system();
  platform::OsVersionInfo info;
  info.size = 156;
  ASSERT_TRUE(system.GetVersionExA(info));
  EXPECT_EQ(info.platformId, win::VER_PLATFORM_WIN32_NT);
  EXPECT_EQ(info.majorVersion, 6u);
  EXPECT_EQ(info.minorVersion, 1u);
  bool wow64 = true;
  ASSERT_TRUE(system.HasIsWow64Process());
  ASSERT_TRUE(system.IsWow64Process(wow64));
  EXPECT_FALSE(wow64);
  EXPECT_EQ(system.ApplicationTitle(), "DriverSetup");

  m.sys().SetExtendedVersionQueryWorks(false);
  m.sys().SetVersion(win::VER_PLATFORM_WIN32_NT, 4, 0, 1381);
  EXPECT_FALSE(system.GetVersionExA(info));
  info.size = 148;
  ASSERT_TRUE(system.GetVersionExA(info));
  EXPECT_EQ(info.majorVersion, 4u);
  info.size = 100;
  EXPECT_FALSE(system.GetVersionExA(info));

  m.sys().Set64Bit(true);
  ASSERT_TRUE(system.IsWow64Process(wow64));
  EXPECT_TRUE(wow64);
  m.sys().SetHasIsWow64Process(false);
  EXPECT_FALSE(system.HasIsWow64Process());
}

// The start-up worker reads ports and the registry while the window thread
// restarts the spooler: the services call into each other across threads
// and must neither deadlock nor lose a restart.
TEST(SimSpoolerRestartThreads, RestartsWhileAnotherThreadUsesTheSpooler) {
  sim::SimMachine m;
  m.spool().AddPort("USB001", "USB Monitor", "Virtual printer port for USB");
  m.spool().AddPrinter("POS-80", "USB001", "POS-80");
  m.spool().AttachUsbDevice("USB001");
  std::atomic<bool> done{false};
  std::atomic<int> answered{0};
  std::thread worker([&] {
    while (!done) {
      std::vector<platform::PortInfo2> ports;
      if (m.spooler().EnumPortsA(ports)) {
        EXPECT_EQ(ports.size(), 1u);
        ++answered;
      } else {
        EXPECT_EQ(m.GetLastError(), sim::kRpcServerUnavailable);
      }
      m.reg().GetValue(platform::kHkeyLocalMachine,
                       "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\POS-80", "Port");
    }
  });
  while (answered == 0) std::this_thread::yield();  // the worker is under way
  platform::ServiceHandle manager = m.services().OpenSCManagerA("", win::SC_MANAGER_ALL_ACCESS);
  platform::ServiceHandle spooler =
      m.services().OpenServiceA(manager, "Spooler", win::SERVICE_ALL_ACCESS);
  for (int i = 0; i < 50; ++i) {
    platform::ServiceStatus status;
    ASSERT_TRUE(m.services().ControlService(spooler, win::SERVICE_CONTROL_STOP, status));
    m.simClock().Advance(100);
    ASSERT_TRUE(m.services().StartServiceA(spooler));
    m.simClock().Advance(100);
    ASSERT_EQ(m.svc().State("Spooler"), win::SERVICE_RUNNING);
  }
  done = true;
  worker.join();
  m.services().CloseServiceHandle(spooler);
  m.services().CloseServiceHandle(manager);
  EXPECT_EQ(m.spool().Restarts(), 50);
  EXPECT_EQ(m.svc().Stops("Spooler"), 50);
  EXPECT_EQ(m.reg()
                .GetValue(platform::kHkeyLocalMachine,
                          "SYSTEM\\CurrentControlSet\\Hardware Profiles\\Current\\System\\"
                          "CurrentControlSet\\Control\\Print\\Printers\\POS-80",
                          "PrinterOnLine")
                ->AsDword(),
            1u);
}

}  // namespace
