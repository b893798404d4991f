#include "ports/printer_port_registry.h"

#include "ports_harness.h"

namespace ports_test {
namespace {

class PrinterPortRegistry : public PortsTest {
 protected:
  void SetUp() override {
    AddLocalPort("LPT1:");
    AddUsbPort("USB001");
    m.spool().AddPrinter(kPrinter, "USB001", "POS-80");
  }

  // `arm` runs on the window's thread right before the call, so that the
  // start-up worker's registry calls do not meet the faults it arms.
  bool Set(const std::string& port, const std::string& printer = kPrinter,
           const std::function<void()>& arm = {}) {
    bool result = false;
    RunInMainWindow([&](MainWindow& w) {
      if (arm) arm();
      result = SetPrinterPortRegistry(w.installation(), w, printer, port);
    });
    return result;
  }
  bool SetWithFault(const std::string& port, const char* call, sim::FaultOptions options = {}) {
    return Set(port, kPrinter, [&] { m.faults().Fail(call, win::ERROR_ACCESS_DENIED, options); });
  }

  std::string Key1() { return kSoftwarePrinters + kPrinter; }
  std::string Key2() { return kSoftwarePrinters + kPrinter + "\\DsSpooler"; }
  std::string Key3() { return kControlSet001Printers + kPrinter; }
  std::string Key4() { return kCurrentPrinters + kPrinter; }
  std::string Key5() { return kProfilePrinters + kPrinter; }
};

TEST_F(PrinterPortRegistry, WritesThePortIntoEveryKeyAndClearsTheOnLineFlag) {
  m.reg().CutCurrentControlSetLink();  // keys 3 and 4 told apart
  m.reg().SetDword(kHklm, Key5(), "PrinterOnLine", 1);
  const size_t keysOpen = m.reg().OpenKeyCount();

  EXPECT_TRUE(Set("LPT1:"));

  for (const auto& [path, name] : std::vector<std::pair<std::string, std::string>>{
           {Key1(), "Port"}, {Key2(), "portName"}, {Key3(), "Port"}, {Key4(), "Port"}}) {
    const auto value = m.reg().GetValue(kHklm, path, name);
    ASSERT_TRUE(value) << path;
    EXPECT_EQ(value->type, win::REG_SZ) << path;
    EXPECT_EQ(value->data, std::string("LPT1:\0", 6)) << path;  // colon and zero byte kept
  }
  const auto flag = m.reg().GetValue(kHklm, Key5(), "PrinterOnLine");
  ASSERT_TRUE(flag);
  EXPECT_EQ(flag->type, win::REG_DWORD);
  EXPECT_EQ(flag->data, std::string(4, '\0'));
  for (const std::string& path : {Key1(), Key2(), Key3(), Key4(), Key5()}) {
    EXPECT_TRUE(m.reg().AdministratorsHaveFullControl(kHklm, path)) << path;
  }
  EXPECT_EQ(m.reg().OpenKeyCount(), keysOpen);
  // Key 5 refreshes twice but says nothing.
  for (const std::string& status : Statuses())
    EXPECT_EQ(status.find("Registry"), std::string::npos);
}

TEST_F(PrinterPortRegistry, KeysThatOnlyAdministratorsMayWriteAreGrantedFirst) {
  for (const std::string& path : {Key1(), Key2(), Key3(), Key5()}) m.reg().Protect(kHklm, path);
  EXPECT_TRUE(Set("LPT1:"));
  EXPECT_EQ(StringValue(Key1(), "Port"), "LPT1:");
  EXPECT_EQ(StringValue(Key3(), "Port"), "LPT1:");
}

TEST_F(PrinterPortRegistry, MissingDsSpoolerKeyStopsAfterKeyOne) {
  m.reg().DeleteTree(kHklm, Key2());
  EXPECT_FALSE(Set("LPT1:"));
  EXPECT_EQ(StringValue(Key1(), "Port"), "LPT1:");
  EXPECT_FALSE(m.reg().KeyExists(kHklm, Key2()));
  EXPECT_EQ(StringValue(Key4(), "Port"), "USB001");
  EXPECT_FALSE(m.reg().KeyExists(kHklm, Key5()));
  for (const std::string& status : Statuses())
    EXPECT_EQ(status.find("Registry"), std::string::npos);
}

TEST_F(PrinterPortRegistry, PrinterMissingUnderControlSet001KeepsKeysOneAndTwo) {
  m.reg().CutCurrentControlSetLink();
  m.reg().DeleteTree(kHklm, Key3());
  EXPECT_FALSE(Set("LPT1:"));
  EXPECT_EQ(StringValue(Key1(), "Port"), "LPT1:");
  EXPECT_EQ(StringValue(Key2(), "portName"), "LPT1:");
  EXPECT_EQ(StringValue(Key4(), "Port"), "USB001");
  EXPECT_FALSE(m.reg().KeyExists(kHklm, Key5()));
}

TEST_F(PrinterPortRegistry, KeyOneFailuresOnlyShowOnTheStatusLine) {
  EXPECT_TRUE(SetWithFault("LPT1:", "RegOpenKeyExA"));
  EXPECT_EQ(Statuses(), std::vector<std::string>{"Failed to open Registry"});
  EXPECT_EQ(StringValue(Key1(), "Port"), "<missing>");
  EXPECT_EQ(StringValue(Key4(), "Port"), "LPT1:");

  EXPECT_TRUE(SetWithFault("LPT2:", "RegSetValueExA"));
  EXPECT_EQ(Statuses(), std::vector<std::string>{"Failed to set Registry"});
  EXPECT_EQ(StringValue(Key2(), "portName"), "LPT2:");
}

TEST_F(PrinterPortRegistry, ALaterFailureUndoesNothing) {
  // The third write (key 3) fails: keys 1 and 2 keep the new port.
  m.reg().CutCurrentControlSetLink();
  const size_t keysOpen = m.reg().OpenKeyCount();
  EXPECT_FALSE(SetWithFault("LPT1:", "RegSetValueExA", {.fromCall = 3}));
  EXPECT_EQ(StringValue(Key1(), "Port"), "LPT1:");
  EXPECT_EQ(StringValue(Key2(), "portName"), "LPT1:");
  EXPECT_EQ(StringValue(Key3(), "Port"), "USB001");
  EXPECT_EQ(m.reg().OpenKeyCount(), keysOpen);
}

TEST_F(PrinterPortRegistry, TheOnLineFlagMustBeWrittenToo) {
  EXPECT_FALSE(SetWithFault("LPT1:", "RegCreateKeyExA"));
  EXPECT_EQ(StringValue(Key4(), "Port"), "LPT1:");

  const size_t keysOpen = m.reg().OpenKeyCount();
  EXPECT_FALSE(SetWithFault("LPT2:", "RegSetValueExA", {.fromCall = 5}));
  EXPECT_TRUE(m.reg().KeyExists(kHklm, Key5()));
  EXPECT_FALSE(m.reg().GetValue(kHklm, Key5(), "PrinterOnLine"));
  EXPECT_EQ(m.reg().OpenKeyCount(), keysOpen);
}

TEST_F(PrinterPortRegistry, SecondCallWithTheSameArgumentsGivesTheSameState) {
  EXPECT_TRUE(Set("USB001"));
  const auto first = m.reg().GetValue(kHklm, Key2(), "portName");
  EXPECT_TRUE(Set("USB001"));
  const auto second = m.reg().GetValue(kHklm, Key2(), "portName");
  ASSERT_TRUE(first && second);
  EXPECT_EQ(first->data, second->data);
  EXPECT_EQ(m.reg().ValueNames(kHklm, Key5()), std::vector<std::string>{"PrinterOnLine"});
}

TEST_F(PrinterPortRegistry, NamesThatWouldReachOtherKeysAreRefused) {
  EXPECT_FALSE(Set("LPT1:", ""));
  EXPECT_FALSE(Set("LPT1:", "..\\Other"));
  EXPECT_FALSE(m.reg().GetValue(kHklm, kCurrentPrinters, "Port"));
  EXPECT_FALSE(m.reg().GetValue(kHklm, kSoftwarePrinters, "Port"));
  EXPECT_FALSE(m.reg().KeyExists(kHklm, kProfilePrinters));
  EXPECT_EQ(StringValue(Key4(), "Port"), "USB001");
}

}  // namespace
}  // namespace ports_test
