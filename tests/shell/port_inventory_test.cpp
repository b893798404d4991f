#include "ports/port_inventory.h"
#include "port_steps/port_lists.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell_fixture.h"

namespace {

using Strings = std::vector<std::string>;
using PortInventoryTest = shell_test::ShellFixture;

// Each port lands in one kind list by name, then description; a refill
// replaces the lists, only the first 256 ports are looked at, and a failed
// enumeration empties all but the serial list (which is the registry's).
TEST_F(PortInventoryTest, EachPortLandsInOneKindListByNameThenDescription) {
  const char kTcpIp[] = "Standard TCP/IP Port";
  m.spool().AddPort("USB001", "TCPMON", kTcpIp);  // the USB test comes first
  m.spool().AddPort("LPT1:", "TCPMON", kTcpIp);   // a TCP/IP port, whatever its name
  m.spool().AddPort("IP_10.0.0.9", "TCPMON", "\xB1\xEA\xD7\xBC TCP/IP \xB6\xCB\xBF\xDA");
  m.spool().AddPort("IP_10.0.0.8", "TCPMON", "standard TCP/IP Port");
  m.spool().AddPort("usb002", "Local Monitor", "Local Port");  // case matters
  m.spool().AddPort("lpt2:", "Local Monitor", "Local Port");
  m.spool().AddPort("LPT3:", "Local Monitor", "Local Port");
  m.spool().AddPort("COM1:", "Local Monitor", "Local Port");  // serial ports come from the registry
  m.spool().AddPort("US", "Local Monitor", "Local Port");
  m.spool().AddPort("USB003", "USB Monitor", "Virtual printer port for USB");
  m.reg().SetString(platform::kHkeyLocalMachine, shell_test::kPortsKey, "\\Device\\Serial0",
                    "COM1");
  AfterStartUp([&](sim::UserActions& u) {
    EXPECT_EQ(u.Text(IDC_STATUS), "Current Systems is Microsoft Windows 7  32 bit");
    Installation& state = window->installation();
    EXPECT_EQ(state.usbPorts, (Strings{"USB001", "USB003"}));
    EXPECT_EQ(state.tcpipPorts, (Strings{"LPT1:", "IP_10.0.0.9"}));
    EXPECT_EQ(state.parallelPorts, (Strings{"LPT3:"}));
    EXPECT_EQ(state.serialPorts, (Strings{"COM1:"}));
    EXPECT_EQ(state.allPorts, (Strings{"USB001", "LPT1:", "IP_10.0.0.9", "IP_10.0.0.8", "usb002",
                                       "lpt2:", "LPT3:", "COM1:", "US", "USB003"}));
    // Position 255 is the last one looked at; 256 would be USB too.
    for (int i = 10; i < 300; ++i) {
      const std::string name = i == 255   ? "USB255"
                               : i == 256 ? "USB256"
                                          : "FILE" + std::to_string(i);
      m.spool().AddPort(name, "Local Monitor", "Local Port");
    }
    PortInventory(state, *window);
    ASSERT_EQ(state.allPorts.size(), 256u);
    EXPECT_EQ(state.allPorts.back(), "USB255");
    EXPECT_EQ(state.usbPorts, (Strings{"USB001", "USB003", "USB255"}));
    EXPECT_EQ(state.parallelPorts.size(), 1u);
    m.faults().Fail("EnumPortsA", win::ERROR_ACCESS_DENIED);
    PortInventory(state, *window);
    EXPECT_TRUE(state.allPorts.empty());
    EXPECT_TRUE(state.usbPorts.empty());
    EXPECT_EQ(state.serialPorts, (Strings{"COM1:"}));
  });
}

// Device values only (the prefix compared exactly), in registry order with a
// colon; values too long for the buffers are skipped, and an error ends the
// walk rather than looping forever.
TEST(SerialPortInventory, TakesDeviceValuesThatFitInRegistryOrderWithAColon) {
  CheckedMachine m;
  Strings list{"stale"};
  EXPECT_EQ(SerialPortInventory(m, list), 0);
  EXPECT_TRUE(list.empty());
  const std::pair<std::string, std::string> values[] = {
      {"\\Device\\Serial1", "COM3"},
      {"Serial9", "COM9"},
      {"\\device\\Serial2", "COM5"},
      {"\\Device\\Serial0", std::string(200, 'C')},
      {"\\Device\\" + std::string(150, 'x'), "COM7"},
      {"\\Device\\Serial3", std::string(127, 'D')},  // 127 characters and the zero fit
      {"\\Device\\Serial4", "COM1"}};
  for (const auto& [name, device] : values) {
    m.reg().SetString(platform::kHkeyLocalMachine, shell_test::kPortsKey, name, device);
  }
  EXPECT_EQ(SerialPortInventory(m, list), 1);
  EXPECT_EQ(list, (Strings{"COM3:", std::string(127, 'D') + ":", "COM1:"}));
  m.faults().Fail("RegEnumValueA", win::ERROR_INVALID_HANDLE,
                  {.fromCall = 2, .times = sim::kForever});
  EXPECT_EQ(SerialPortInventory(m, list), 1);
  EXPECT_EQ(list, (Strings{"COM3:"}));
}

TEST(InstalledPrinterInventory, ListsNamesAndPortsOrKeepsThemOnFailure) {
  CheckedMachine m;
  Strings names{"old"};
  Strings ports{"OLD:"};
  EXPECT_EQ(InstalledPrinterInventory(m, names, ports), 0);
  EXPECT_TRUE(names.empty() && ports.empty());
  m.spool().AddDriver("Windows NT x86", "Driver A");
  m.spool().AddPrinter("Receipt 80", "USB001", "Driver A");
  m.spool().AddPrinter("Label 2", "COM3:", "Driver A");
  EXPECT_EQ(InstalledPrinterInventory(m, names, ports), 1);
  m.faults().Fail("EnumPrintersA", win::ERROR_ACCESS_DENIED);
  EXPECT_EQ(InstalledPrinterInventory(m, names, ports), 0);
  EXPECT_EQ(names, (Strings{"Receipt 80", "Label 2"}));
  EXPECT_EQ(ports, (Strings{"USB001", "COM3:"}));
}

}  // namespace
