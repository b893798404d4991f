#include "ports/port_inventory.h"
#include "checked_machine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell_fixture.h"

namespace {

using shell_test::ShellFixture;
using Strings = std::vector<std::string>;

const char kTcpIp[] = "Standard TCP/IP Port";

using PortInventoryTest = ShellFixture;

TEST_F(PortInventoryTest, EachPortLandsInOneKindListByNameThenDescription) {
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
  AfterStartUp([&](sim::UserActions&) { PortInventory(window->installation(), *window); });

  EXPECT_EQ(window->installation().usbPorts, (Strings{"USB001", "USB003"}));
  EXPECT_EQ(window->installation().tcpipPorts, (Strings{"LPT1:", "IP_10.0.0.9"}));
  EXPECT_EQ(window->installation().parallelPorts, (Strings{"LPT3:"}));
  EXPECT_TRUE(window->installation().serialPorts.empty());
  EXPECT_EQ(window->installation().allPorts,
            (Strings{"USB001", "LPT1:", "IP_10.0.0.9", "IP_10.0.0.8", "usb002",
                     "lpt2:", "LPT3:", "COM1:", "US", "USB003"}));
  ExpectNoUiErrors();
}

TEST_F(PortInventoryTest, OnlyTheFirst256PortsAreLookedAt) {
  for (int i = 0; i < 300; ++i) {
    // Position 255 is the last one used; 256 would be USB too.
    const std::string name = i == 255 ? "USB255" : i == 256 ? "USB256" : "FILE" + std::to_string(i);
    m.spool().AddPort(name, "Local Monitor", "Local Port");
  }
  AfterStartUp([&](sim::UserActions&) {});
  ASSERT_EQ(window->installation().allPorts.size(), 256u);
  EXPECT_EQ(window->installation().allPorts.back(), "USB255");
  EXPECT_EQ(window->installation().usbPorts, (Strings{"USB255"}));
}

TEST_F(PortInventoryTest, RefillReplacesTheListsAndAFailedEnumerationEmptiesThem) {
  m.spool().AddPort("LPT1:", "Local Monitor", "Local Port");
  m.reg().SetString(platform::kHkeyLocalMachine, shell_test::kPortsKey, "\\Device\\Serial0",
                    "COM1");
  AfterStartUp([&](sim::UserActions&) {
    m.spool().AddPort("LPT2:", "Local Monitor", "Local Port");
    PortInventory(window->installation(), *window);
    EXPECT_EQ(window->installation().parallelPorts, (Strings{"LPT1:", "LPT2:"}));
    EXPECT_EQ(window->installation().serialPorts, (Strings{"COM1:"}));
    m.faults().Fail("EnumPortsA", win::ERROR_ACCESS_DENIED);
    PortInventory(window->installation(), *window);
    EXPECT_TRUE(window->installation().allPorts.empty());
    EXPECT_TRUE(window->installation().parallelPorts.empty());
    EXPECT_EQ(window->installation().serialPorts, (Strings{"COM1:"}));
  });
}

class SerialPortInventoryTest : public ::testing::Test {
 protected:
  void Add(const std::string& name, const std::string& device) {
    m.reg().SetString(platform::kHkeyLocalMachine, shell_test::kPortsKey, name, device);
  }
  CheckedMachine m;
  Strings list{"stale"};
};

// Device values only (the prefix compared exactly), in registry order with a
// colon; values too long for the buffers are skipped.
TEST_F(SerialPortInventoryTest, TakesDeviceValuesThatFitInRegistryOrderWithAColon) {
  Add("\\Device\\Serial1", "COM3");
  Add("Serial9", "COM9");
  Add("\\device\\Serial2", "COM5");
  Add("\\Device\\Serial0", std::string(200, 'C'));
  Add("\\Device\\" + std::string(150, 'x'), "COM7");
  Add("\\Device\\Serial3", std::string(127, 'D'));  // 127 characters and the zero fit
  Add("\\Device\\Serial4", "COM1");
  EXPECT_EQ(SerialPortInventory(m, list), 1);
  EXPECT_EQ(list, (Strings{"COM3:", std::string(127, 'D') + ":", "COM1:"}));
}

TEST_F(SerialPortInventoryTest, MissingKeyOrAnEnumerationErrorEndsTheList) {
  EXPECT_EQ(SerialPortInventory(m, list), 0);
  EXPECT_TRUE(list.empty());
  Add("\\Device\\Serial0", "COM1");
  Add("\\Device\\Serial1", "COM2");
  // An error ends the walk rather than looping forever.
  m.faults().Fail("RegEnumValueA", win::ERROR_INVALID_HANDLE,
                  {.fromCall = 2, .times = sim::kForever});
  EXPECT_EQ(SerialPortInventory(m, list), 1);
  EXPECT_EQ(list, (Strings{"COM1:"}));
  EXPECT_EQ(m.faults().Calls("RegEnumValueA"), 2u);
}

TEST(InstalledPrinterInventory, ListsNamesAndPortsOrKeepsThemOnFailure) {
  CheckedMachine m;
  Strings names{"old"};
  Strings ports{"OLD:"};
  EXPECT_EQ(InstalledPrinterInventory(m, names, ports), 0);
  EXPECT_TRUE(names.empty());
  EXPECT_TRUE(ports.empty());
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
