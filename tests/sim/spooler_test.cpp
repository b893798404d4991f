#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/sim/sim_machine.h"
#include "platform/win_constants.h"

namespace {

using namespace std::string_literals;
using platform::kHkeyLocalMachine;

constexpr const char* kPrintersKey = "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\";
constexpr const char* kDsKey = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Print\\Printers\\";
constexpr const char* kOnlineKey =
    "SYSTEM\\CurrentControlSet\\Hardware Profiles\\Current\\System\\CurrentControlSet\\Control\\"
    "Print\\Printers\\";
constexpr const char* kX86Dir = "C:\\WINDOWS\\system32\\spool\\drivers\\w32x86";

class SimSpoolerTest : public ::testing::Test {
 protected:
  platform::PrinterInfo2 Info(const std::string& name, const std::string& port,
                              const std::string& driver) {
    platform::PrinterInfo2 info;
    info.printerName = name;
    info.portName = port;
    info.driverName = driver;
    info.printProcessor = "WinPrint";
    info.datatype = "RAW";
    return info;
  }
  // Adds the printer and closes its handle; the error code, 0 on success.
  uint32_t Add(const platform::PrinterInfo2& info) {
    platform::PrinterHandle h = sp.AddPrinterA(info);
    if (h == 0) return m.GetLastError();
    sp.ClosePrinter(h);
    return 0;
  }
  std::vector<std::string> PortNames() {
    std::vector<platform::PortInfo2> ports;
    EXPECT_TRUE(sp.EnumPortsA(ports));
    std::vector<std::string> names;
    for (const auto& p : ports) names.push_back(p.portName);
    return names;
  }
  // Restarts the spooler service the way the installer does, in virtual time.
  void Restart() {
    m.svc().SetState("Spooler", win::SERVICE_STOPPED);
    m.svc().SetState("Spooler", win::SERVICE_RUNNING);
  }

  sim::SimMachine m;
  platform::Spooler& sp = m.spooler();
};

TEST_F(SimSpoolerTest, PortsComeInCreationOrderWithTheirDescriptions) {
  m.spool().AddPort("USB002", "USB Monitor", "Virtual printer port for USB");
  m.spool().AddPort("IP_10.0.0.9", sim::kTcpIpMonitor, sim::kTcpIpDescriptionChinese);
  m.spool().AddPort("COM1:", "Local Port", "Local Port");
  m.spool().AddPort("LPT1:", "Local Port", "Local Port");
  EXPECT_EQ(PortNames(), (std::vector<std::string>{"USB002", "IP_10.0.0.9", "COM1:", "LPT1:"}));
  std::vector<platform::PortInfo2> ports;
  ASSERT_TRUE(sp.EnumPortsA(ports));
  EXPECT_EQ(ports[1].description, "\xB1\xEA\xD7\xBC TCP/IP \xB6\xCB\xBF\xDA");
  EXPECT_EQ(ports[1].monitorName, "Standard TCP/IP Port");
}

TEST_F(SimSpoolerTest, TheAddPortWizardFollowsItsScript) {
  m.spool().QueueWizardCreatesPort("IP_192.168.1.20");
  m.spool().QueueWizardCancel();
  EXPECT_EQ(sp.AddPortA(0x77, "Standard TCP/IP Port"), 1);
  EXPECT_EQ(sp.AddPortA(0x77, "Standard TCP/IP Port"), 0);
  EXPECT_EQ(sp.AddPortA(0x77, "Standard TCP/IP Port"), 0);  // nothing scripted: cancelled
  EXPECT_EQ(m.spool().WizardOwners(), (std::vector<platform::WindowId>{0x77, 0x77, 0x77}));
  EXPECT_EQ(PortNames(), std::vector<std::string>{"IP_192.168.1.20"});
  EXPECT_EQ(m.spool().Ports()[0].description, sim::kTcpIpDescription);
  EXPECT_EQ(sp.AddPortA(0, "No Such Monitor"), 0);
  EXPECT_EQ(m.GetLastError(), win::ERROR_UNKNOWN_PRINT_MONITOR);

  m.faults().Fail("ConfigurePortA", win::ERROR_NOT_SUPPORTED);
  m.faults().Fail("DeletePortA", win::ERROR_ADAP_HDW_ERR);
  EXPECT_FALSE(sp.ConfigurePortA(0, "IP_192.168.1.20"));
  EXPECT_EQ(m.GetLastError(), win::ERROR_NOT_SUPPORTED);
  EXPECT_FALSE(sp.DeletePortA(0, "IP_192.168.1.20"));
  EXPECT_EQ(m.GetLastError(), win::ERROR_ADAP_HDW_ERR);
  EXPECT_TRUE(sp.ConfigurePortA(0, "ip_192.168.1.20"));
  EXPECT_TRUE(sp.DeletePortA(0, "IP_192.168.1.20"));
  EXPECT_TRUE(PortNames().empty());
  EXPECT_FALSE(sp.DeletePortA(0, "IP_192.168.1.20"));
  EXPECT_EQ(m.GetLastError(), win::ERROR_UNKNOWN_PORT);
}

TEST_F(SimSpoolerTest, AddPrinterChecksLikeWindowsAndKeepsThePrinterInTheRegistry) {
  m.spool().AddPort("USB001", "USB Monitor", "Virtual printer port for USB");
  m.spool().AddDriver(sim::kEnvX86, "POS-80");
  m.spool().AddDriver(sim::kEnvX64, "POS-58");
  EXPECT_EQ(Add(Info("POS-58", "USB001", "POS-58")), win::ERROR_UNKNOWN_PRINTER_DRIVER);
  EXPECT_EQ(Add(Info("POS-80", "USB009", "POS-80")), win::ERROR_UNKNOWN_PORT);
  auto wrongProcessor = Info("POS-80", "USB001", "POS-80");
  wrongProcessor.printProcessor = "LabelPrint";
  EXPECT_EQ(Add(wrongProcessor), win::ERROR_UNKNOWN_PRINTPROCESSOR);
  EXPECT_TRUE(m.spool().Printers().empty());

  EXPECT_EQ(Add(Info("POS-80", "USB001", "POS-80")), 0u);
  EXPECT_EQ(Add(Info("pos-80", "USB001", "POS-80")), win::ERROR_PRINTER_ALREADY_EXISTS);
  EXPECT_EQ(m.reg().GetValue(kHkeyLocalMachine, std::string(kPrintersKey) + "POS-80", "Port")->data,
            std::string("USB001\0", 7));
  EXPECT_EQ(m.reg()
                .GetValue(kHkeyLocalMachine, std::string(kDsKey) + "POS-80\\DsSpooler", "portName")
                ->AsString(),
            "USB001");
  // The spooler's key is reachable through ControlSet001 as well.
  EXPECT_TRUE(m.reg().KeyExists(kHkeyLocalMachine,
                                "SYSTEM\\ControlSet001\\Control\\Print\\Printers\\POS-80"));

  platform::PrinterHandle h = 0;
  EXPECT_EQ(sp.OpenPrinterA("Nobody", h, {"RAW", win::PRINTER_ALL_ACCESS}), 0);
  EXPECT_EQ(m.GetLastError(), win::ERROR_INVALID_PRINTER_NAME);
  ASSERT_EQ(sp.OpenPrinterA("POS-80", h, {"RAW", win::PRINTER_ALL_ACCESS}), 1);
  EXPECT_TRUE(sp.SetPrinterA(h, 0, win::PRINTER_CONTROL_PURGE));
  EXPECT_TRUE(sp.DeletePrinter(h));
  EXPECT_TRUE(sp.ClosePrinter(h));
  EXPECT_EQ(m.spool().OpenPrinterHandleCount(), 0u);
  EXPECT_FALSE(m.spool().Printer("POS-80"));
  EXPECT_FALSE(m.reg().KeyExists(kHkeyLocalMachine, std::string(kPrintersKey) + "POS-80"));
  EXPECT_FALSE(m.reg().KeyExists(kHkeyLocalMachine, std::string(kDsKey) + "POS-80"));
}

TEST_F(SimSpoolerTest, OnA64BitMachineOnlyX64DriversServePrinters) {
  m.sys().Set64Bit(true);
  m.spool().AddPort("LPT1:", "Local Port", "Local Port");
  m.spool().AddDriver(sim::kEnvX86, "POS-80");
  EXPECT_EQ(Add(Info("POS-80", "LPT1:", "POS-80")), win::ERROR_UNKNOWN_PRINTER_DRIVER);
  m.spool().AddDriver(sim::kEnvX64, "POS-80");
  EXPECT_EQ(Add(Info("POS-80", "LPT1:", "POS-80")), 0u);
  std::string dir;
  ASSERT_TRUE(sp.GetPrinterDriverDirectoryA("Windows x64", dir));
  EXPECT_EQ(dir, "C:\\WINDOWS\\system32\\spool\\drivers\\x64");
  EXPECT_TRUE(m.fs().IsDirectory(dir));
}

TEST_F(SimSpoolerTest, DeletingAPrinterWithQueuedJobsWaitsForAPurge) {
  m.spool().AddPort("LPT1:", "Local Port", "Local Port");
  m.spool().AddPrinter("POS-80", "LPT1:", "POS-80");
  m.spool().SetJobs("POS-80", 3);
  platform::PrinterHandle h = 0;
  ASSERT_EQ(sp.OpenPrinterA("POS-80", h, {"RAW", win::PRINTER_ALL_ACCESS}), 1);
  EXPECT_TRUE(sp.DeletePrinter(h));
  ASSERT_TRUE(m.spool().Printer("POS-80"));
  EXPECT_TRUE(m.spool().Printer("POS-80")->pendingDeletion);
  EXPECT_TRUE(sp.SetPrinterA(h, 0, win::PRINTER_CONTROL_PURGE));
  EXPECT_FALSE(m.spool().Printer("POS-80"));
  EXPECT_TRUE(sp.ClosePrinter(h));
}

TEST_F(SimSpoolerTest, DriverRegistrationNeedsAndCopiesEveryFile) {
  std::string dir;
  ASSERT_TRUE(sp.GetPrinterDriverDirectoryA("Windows NT x86", dir));
  EXPECT_EQ(dir, kX86Dir);
  for (const char* name :
       {"UNIDRV.DLL", "POS80.GPD", "UNIDRVUI.DLL", "UNIDRV.HLP", "STDNAMES.GPD"}) {
    m.fs().WriteFile(dir + "\\" + name, name);
  }
  m.fs().WriteFile("C:\\Ticket\\x86\\GROUP1.DLL", "group");
  platform::DriverInfo3 info;
  info.version = 3;
  info.name = "POS-80";
  info.environment = "Windows NT x86";
  info.driverPath = dir + "\\UNIDRV.DLL";
  info.dataFile = "POS80.GPD";
  info.configFile = dir + "\\UNIDRVUI.DLL";
  info.helpFile = dir + "\\UNIDRV.HLP";
  info.dependentFiles = "\\STDNAMES.GPD\0C:\\Ticket\\x86\\GROUP1.DLL\0MISSING.INI\0\0"s;
  EXPECT_FALSE(sp.AddPrinterDriverExA(info, win::APD_COPY_ALL_FILES));
  EXPECT_EQ(m.GetLastError(), win::ERROR_FILE_NOT_FOUND);
  EXPECT_TRUE(m.spool().Drivers(sim::kEnvX86).empty());
  EXPECT_FALSE(m.fs().Exists(dir + "\\3\\UNIDRV.DLL"));

  m.fs().WriteFile(dir + "\\missing.ini", "ini");
  EXPECT_TRUE(sp.AddPrinterDriverExA(info, win::APD_COPY_ALL_FILES));
  for (const char* name : {"UNIDRV.DLL", "POS80.GPD", "UNIDRVUI.DLL", "UNIDRV.HLP", "STDNAMES.GPD",
                           "GROUP1.DLL", "MISSING.INI"}) {
    EXPECT_TRUE(m.fs().Exists(dir + "\\3\\" + name)) << name;
  }
  EXPECT_EQ(m.fs().ReadFile(dir + "\\3\\GROUP1.DLL"), "group");
  // The same name again replaces the record.
  info.dataFile = "STDNAMES.GPD";
  EXPECT_TRUE(sp.AddPrinterDriverExA(info, win::APD_COPY_ALL_FILES));
  ASSERT_EQ(m.spool().Drivers(sim::kEnvX86).size(), 1u);
  EXPECT_EQ(m.spool().Drivers(sim::kEnvX86)[0].dataFile, "STDNAMES.GPD");
}

TEST_F(SimSpoolerTest, DriverAndMonitorRemovalErrors) {
  m.spool().AddPort("LPT1:", "Local Port", "Local Port");
  m.spool().AddDriver(sim::kEnvX86, "POS-80");
  m.spool().AddPrinter("POS-80", "LPT1:", "POS-80");
  EXPECT_FALSE(sp.DeletePrinterDriverA("Windows NT x86", "POS-58"));
  EXPECT_EQ(m.GetLastError(), win::ERROR_UNKNOWN_PRINTER_DRIVER);
  EXPECT_FALSE(sp.DeletePrinterDriverA("Windows NT x86", "pos-80"));
  EXPECT_EQ(m.GetLastError(), win::ERROR_PRINTER_DRIVER_IN_USE);

  platform::MonitorInfo2 monitor{"Advanced Language Monitor", "Windows NT x86", "LBXLM50.DLL"};
  EXPECT_FALSE(sp.AddMonitorA(monitor));
  EXPECT_EQ(m.GetLastError(), win::ERROR_MOD_NOT_FOUND);
  m.fs().WriteFile("C:\\WINDOWS\\system32\\lbxlm50.dll", "monitor");
  EXPECT_TRUE(sp.AddMonitorA(monitor));
  EXPECT_FALSE(sp.AddMonitorA(monitor));
  EXPECT_EQ(m.GetLastError(), win::ERROR_PRINT_MONITOR_ALREADY_INSTALLED);
  EXPECT_TRUE(sp.DeleteMonitorA("Windows NT x86", "Advanced Language Monitor"));
  EXPECT_FALSE(sp.DeleteMonitorA("Windows NT x86", "Advanced Language Monitor"));
  EXPECT_EQ(m.GetLastError(), win::ERROR_UNKNOWN_PRINT_MONITOR);
}

TEST_F(SimSpoolerTest, AStoppedSpoolerAnswersNothing) {
  m.spool().AddPort("LPT1:", "Local Port", "Local Port");
  m.spool().AddPrinter("POS-80", "LPT1:", "POS-80");
  platform::PrinterHandle h = 0;
  ASSERT_EQ(sp.OpenPrinterA("POS-80", h, {"RAW", win::PRINTER_ALL_ACCESS}), 1);
  m.svc().SetState("Spooler", win::SERVICE_STOPPED);
  std::vector<platform::PortInfo2> ports;
  EXPECT_FALSE(sp.EnumPortsA(ports));
  EXPECT_EQ(m.GetLastError(), sim::kRpcServerUnavailable);
  std::string dir;
  EXPECT_FALSE(sp.GetPrinterDriverDirectoryA("Windows NT x86", dir));
  m.svc().SetState("Spooler", win::SERVICE_RUNNING);
  // Handles from before the stop are gone with the old spooler.
  EXPECT_FALSE(sp.ClosePrinter(h));
  EXPECT_EQ(m.GetLastError(), win::ERROR_INVALID_HANDLE);
  EXPECT_TRUE(sp.EnumPortsA(ports));
}

TEST_F(SimSpoolerTest, ARestartTakesPortsFromTheRegistryAndMarksAttachedUsbPrinters) {
  m.spool().AddPort("USB001", "USB Monitor", "Virtual printer port for USB");
  m.spool().AddPort("USB002", "USB Monitor", "Virtual printer port for USB");
  m.spool().AddPort("LPT1:", "Local Port", "Local Port");
  m.spool().AddPrinter("POS-80", "LPT1:", "POS-80");
  m.spool().AddPrinter("Other", "LPT1:", "POS-58");
  m.spool().AttachUsbDevice("USB002");

  m.reg().SetString(kHkeyLocalMachine, std::string(kPrintersKey) + "POS-80", "Port", "USB001");
  EXPECT_EQ(m.spool().Printer("POS-80")->port, "LPT1:");  // not before a restart
  Restart();
  EXPECT_EQ(m.spool().Restarts(), 1);
  EXPECT_EQ(m.spool().Printer("POS-80")->port, "USB001");
  EXPECT_EQ(m.spool().Printer("Other")->port, "LPT1:");
  EXPECT_FALSE(
      m.reg().GetValue(kHkeyLocalMachine, std::string(kOnlineKey) + "POS-80", "PrinterOnLine"));

  m.reg().SetString(kHkeyLocalMachine, std::string(kPrintersKey) + "POS-80", "Port", "USB002");
  m.reg().SetDword(kHkeyLocalMachine, std::string(kOnlineKey) + "POS-80", "PrinterOnLine", 0);
  Restart();
  EXPECT_EQ(m.spool().Restarts(), 2);
  EXPECT_EQ(m.spool().Printer("POS-80")->port, "USB002");
  EXPECT_EQ(m.reg()
                .GetValue(kHkeyLocalMachine, std::string(kOnlineKey) + "POS-80", "PrinterOnLine")
                ->AsDword(),
            1u);
  EXPECT_FALSE(
      m.reg().GetValue(kHkeyLocalMachine, std::string(kOnlineKey) + "Other", "PrinterOnLine"));
  std::vector<platform::PrinterInfo2> printers;
  ASSERT_TRUE(sp.EnumPrintersA(win::PRINTER_ENUM_LOCAL | win::PRINTER_ENUM_CONNECTIONS, printers));
  ASSERT_EQ(printers.size(), 2u);
  EXPECT_EQ(printers[0].printerName, "POS-80");
  EXPECT_EQ(printers[0].portName, "USB002");
}

}  // namespace
