#include "shell/port_inventory.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win_constants.h"
#include "shell_fixture.h"

namespace {

using shell_test::ShellFixture;
using Strings = std::vector<std::string>;

const char kTcpIp[] = "Standard TCP/IP Port";
const char kTcpIpChinese[] = "\xB1\xEA\xD7\xBC TCP/IP \xB6\xCB\xBF\xDA";

TEST(IsTcpIpPortDescription, AcceptsOnlyTheMonitorsExactDescriptions) {
  EXPECT_TRUE(IsTcpIpPortDescription(kTcpIp));
  EXPECT_TRUE(IsTcpIpPortDescription(kTcpIpChinese));
  EXPECT_FALSE(IsTcpIpPortDescription("standard TCP/IP Port"));
  EXPECT_FALSE(IsTcpIpPortDescription("Standard TCP/IP Port "));
  EXPECT_FALSE(IsTcpIpPortDescription("Local Port"));
  EXPECT_FALSE(IsTcpIpPortDescription(""));
}

class PortInventoryTest : public ShellFixture {
 protected:
  // Runs the window until start-up is over and refills the lists once more
  // on the window's thread, as the Install command does.
  void Inventory() {
    RunWindow([this](sim::UserActions& u) {
      shell_test::WaitForStartUp(m, u);
      PortInventory(window->installation(), *window);
      u.Click(win::IDCANCEL);
    });
  }
};

TEST_F(PortInventoryTest, EachPortLandsInOneKindListByNameThenDescription) {
  m.spool().AddPort("USB001", "TCPMON", kTcpIp);  // the USB test comes first
  m.spool().AddPort("LPT1:", "TCPMON", kTcpIp);   // a TCP/IP port, whatever its name
  m.spool().AddPort("IP_10.0.0.9", "TCPMON", kTcpIpChinese);
  m.spool().AddPort("usb002", "Local Monitor", "Local Port");  // case matters
  m.spool().AddPort("lpt2:", "Local Monitor", "Local Port");
  m.spool().AddPort("LPT3:", "Local Monitor", "Local Port");
  m.spool().AddPort("COM1:", "Local Monitor", "Local Port");  // serial ports come from the registry
  m.spool().AddPort("US", "Local Monitor", "Local Port");
  m.spool().AddPort("FILE:", "Local Monitor", "Local Port");
  m.spool().AddPort("USB003", "USB Monitor", "Virtual printer port for USB");
  Inventory();

  EXPECT_EQ(window->installation().usbPorts, (Strings{"USB001", "USB003"}));
  EXPECT_EQ(window->installation().tcpipPorts, (Strings{"LPT1:", "IP_10.0.0.9"}));
  EXPECT_EQ(window->installation().parallelPorts, (Strings{"LPT3:"}));
  EXPECT_TRUE(window->installation().serialPorts.empty());
  EXPECT_EQ(window->installation().allPorts,
            (Strings{"USB001", "LPT1:", "IP_10.0.0.9", "usb002", "lpt2:", "LPT3:", "COM1:", "US",
                     "FILE:", "USB003"}));
  ExpectNoUiErrors();
}

TEST_F(PortInventoryTest, OnlyTheFirst256PortsAreLookedAt) {
  for (int i = 0; i < 300; ++i) {
    // Position 255 is the last one used; 256 would be USB too.
    const std::string name = i == 255   ? "USB255"
                             : i == 256 ? "USB256"
                             : i == 299 ? "LPT9:"
                                        : "FILE" + std::to_string(i);
    m.spool().AddPort(name, "Local Monitor", "Local Port");
  }
  Inventory();

  ASSERT_EQ(window->installation().allPorts.size(), 256u);
  EXPECT_EQ(window->installation().allPorts.front(), "FILE0");
  EXPECT_EQ(window->installation().allPorts.back(), "USB255");
  EXPECT_EQ(window->installation().usbPorts, (Strings{"USB255"}));
  EXPECT_TRUE(window->installation().parallelPorts.empty());
}

TEST_F(PortInventoryTest, RefillReplacesTheListsAndAFailedEnumerationEmptiesThem) {
  m.spool().AddPort("LPT1:", "Local Monitor", "Local Port");
  AddSerialDevice("\\Device\\Serial0", "COM1");
  RunWindow([this](sim::UserActions& u) {
    shell_test::WaitForStartUp(m, u);
    EXPECT_EQ(window->installation().parallelPorts, (Strings{"LPT1:"}));
    m.spool().AddPort("LPT2:", "Local Monitor", "Local Port");
    PortInventory(window->installation(), *window);
    EXPECT_EQ(window->installation().parallelPorts, (Strings{"LPT1:", "LPT2:"}));
    EXPECT_EQ(window->installation().serialPorts, (Strings{"COM1:"}));

    m.faults().Fail("EnumPortsA", win::ERROR_ACCESS_DENIED);
    PortInventory(window->installation(), *window);
    EXPECT_TRUE(window->installation().allPorts.empty());
    EXPECT_TRUE(window->installation().parallelPorts.empty());
    EXPECT_EQ(window->installation().serialPorts, (Strings{"COM1:"}));
    u.Click(win::IDCANCEL);
  });
}

TEST_F(PortInventoryTest, InventoryKeepsThePortTypeListStyleAndTheUserChoice) {
  RunWindow([this](sim::UserActions& u) {
    shell_test::WaitForStartUp(m, u);
    u.SetCheck(IDC_SET_DEFAULT, false);
    PortInventory(window->installation(), *window);
    const uint32_t style = u.ExtendedStyle(IDC_PORT_LIST);
    EXPECT_EQ(style & (win::LVS_EX_GRIDLINES | win::LVS_EX_FULLROWSELECT),
              win::LVS_EX_GRIDLINES | win::LVS_EX_FULLROWSELECT);
    EXPECT_EQ(style & win::LVS_EX_TRACKSELECT, 0u);
    // The inventory's refresh must not put a stale default-printer flag back.
    EXPECT_FALSE(u.IsChecked(IDC_SET_DEFAULT));
    u.Click(win::IDCANCEL);
  });
}

class SerialPortInventoryTest : public ::testing::Test {
 protected:
  void Add(const std::string& name, const std::string& device) {
    m.reg().SetString(platform::kHkeyLocalMachine, shell_test::kPortsKey, name, device);
  }
  sim::SimMachine m;
  Strings list{"stale"};
};

TEST_F(SerialPortInventoryTest, TakesDeviceValuesInRegistryOrderWithAColon) {
  Add("\\Device\\Serial1", "COM3");
  Add("Serial9", "COM9");  // not a \Device\ value
  Add("\\Device\\Serial0", "COM1");
  Add("\\device\\Serial2", "COM5");  // the prefix is compared exactly
  EXPECT_EQ(SerialPortInventory(m, list), 1);
  EXPECT_EQ(list, (Strings{"COM3:", "COM1:"}));
}

TEST_F(SerialPortInventoryTest, MissingKeyGivesAnEmptyListAndZero) {
  EXPECT_EQ(SerialPortInventory(m, list), 0);
  EXPECT_TRUE(list.empty());
  m.reg().CreateKey(platform::kHkeyLocalMachine, shell_test::kPortsKey);
  list = {"stale"};
  EXPECT_EQ(SerialPortInventory(m, list), 0);
  EXPECT_TRUE(list.empty());
}

TEST_F(SerialPortInventoryTest, OverlongValuesAreSkippedAndTheRestKept) {
  Add("\\Device\\Serial0", std::string(200, 'C'));
  Add("\\Device\\" + std::string(150, 'x'), "COM7");
  Add("\\Device\\Serial1", std::string(127, 'D'));  // 127 characters and the zero fit
  Add("\\Device\\Serial2", "COM2");
  EXPECT_EQ(SerialPortInventory(m, list), 1);
  EXPECT_EQ(list, (Strings{std::string(127, 'D') + ":", "COM2:"}));
}

TEST_F(SerialPortInventoryTest, EnumerationErrorEndsTheWalkInsteadOfLoopingForever) {
  Add("\\Device\\Serial0", "COM1");
  Add("\\Device\\Serial1", "COM2");
  m.faults().Fail("RegEnumValueA", win::ERROR_INVALID_HANDLE,
                  {.fromCall = 2, .times = sim::kForever});
  EXPECT_EQ(SerialPortInventory(m, list), 1);
  EXPECT_EQ(list, (Strings{"COM1:"}));
  EXPECT_EQ(m.faults().Calls("RegEnumValueA"), 2u);
}

TEST(InstalledPrinterInventory, ListsNamesAndPortsOrKeepsThemOnFailure) {
  sim::SimMachine m;
  Strings names{"old"};
  Strings ports{"OLD:"};
  EXPECT_EQ(InstalledPrinterInventory(m, names, ports), 0);
  EXPECT_TRUE(names.empty());
  EXPECT_TRUE(ports.empty());

  m.spool().AddDriver("Windows NT x86", "Driver A");
  m.spool().AddPrinter("Receipt 80", "USB001", "Driver A");
  m.spool().AddPrinter("Label 2", "COM3:", "Driver A");
  EXPECT_EQ(InstalledPrinterInventory(m, names, ports), 1);
  EXPECT_EQ(names, (Strings{"Receipt 80", "Label 2"}));
  EXPECT_EQ(ports, (Strings{"USB001", "COM3:"}));

  m.faults().Fail("EnumPrintersA", win::ERROR_ACCESS_DENIED);
  EXPECT_EQ(InstalledPrinterInventory(m, names, ports), 0);
  EXPECT_EQ(names, (Strings{"Receipt 80", "Label 2"}));
  EXPECT_EQ(ports, (Strings{"USB001", "COM3:"}));
}

}  // namespace
