#include "port_steps/printer_port_registry.h"

#include "ports_harness.h"

namespace ports_test {
namespace {

const std::string kKey1 = kSoftwarePrinters + kPrinter;
const std::string kKey2 = kKey1 + "\\DsSpooler";
const std::string kKey3 =
    std::string("SYSTEM\\ControlSet001\\Control\\Print\\Printers\\") + kPrinter;
const std::string kKey4 = kCurrentPrinters + kPrinter;
const std::string kKey5 = kProfilePrinters + kPrinter;
// Key values as stored, the terminating zero included.
const std::string kNew("LPT1:\0", 6), kOld("USB001\0", 7), kOn("\1\0\0\0", 4),
    kOffLine(4, '\0'), kNone = "<none>";

using Arm = std::function<void(sim::SimMachine&)>;
struct Case {
  const char* name;
  Arm arm;
  bool result;
  std::vector<std::string> state;  // the port of keys 1 to 4, the flag of key 5
  std::string status = "";
};
void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class PrinterPortRegistry : public PortsTest, public ::testing::WithParamInterface<Case> {
 protected:
  void SetUp() override {
    AddUsbPort("USB001");
    m.spool().AddPrinter(kPrinter, "USB001", "POS-80");
    m.reg().CutCurrentControlSetLink();  // keys 3 and 4 told apart
    m.reg().SetDword(kHklm, kKey5, "PrinterOnLine", 1);
    // Keys only administrators may write: the grant must come before the open.
    for (const std::string& path : {kKey1, kKey2, kKey3, kKey5}) m.reg().Protect(kHklm, path);
  }
  bool Set(const std::string& printer, const Arm& arm = {}) {
    bool result = false;
    RunInMainWindow([&](MainWindow& w) {
      if (arm) arm(m);  // armed here: the start-up worker's calls pass
      result = SetPrinterPortRegistry(w.installation(), w, printer, "LPT1:");
    });
    return result;
  }
  std::vector<std::string> State() {
    const std::pair<std::string, const char*> values[] = {{kKey1, "Port"},
                                                          {kKey2, "portName"},
                                                          {kKey3, "Port"},
                                                          {kKey4, "Port"},
                                                          {kKey5, "PrinterOnLine"}};
    std::vector<std::string> state;
    for (const auto& [path, name] : values) {
      const auto value = m.reg().GetValue(kHklm, path, name);
      state.push_back(value ? value->data : kNone);
    }
    return state;
  }
};

TEST_F(PrinterPortRegistry, NamesThatWouldReachOtherKeysAreRefused) {
  EXPECT_FALSE(Set(""));
  EXPECT_FALSE(Set("..\\Other"));
  EXPECT_FALSE(m.reg().GetValue(kHklm, kCurrentPrinters, "Port"));
  EXPECT_FALSE(m.reg().GetValue(kHklm, kSoftwarePrinters, "Port"));
  EXPECT_FALSE(m.reg().GetValue(kHklm, kProfilePrinters, "PrinterOnLine"));
}

// Every key written and the on-line flag cleared; key 1 only reports on the
// status line (key 5 refreshes the window but says nothing); a later key that
// fails ends the change there, and what was written before stays.
TEST_P(PrinterPortRegistry, WritesEveryKeyUpToAFailingOne) {
  const Case& c = GetParam();
  EXPECT_EQ(Set(kPrinter, c.arm), c.result);
  EXPECT_EQ(State(), c.state);
  EXPECT_EQ(Statuses(), c.status.empty() ? std::vector<std::string>{} : std::vector{c.status});
}

Arm Fail(const char* call, uint32_t fromCall = 1) {
  return [=](sim::SimMachine& m) {
    m.faults().Fail(call, win::ERROR_ACCESS_DENIED, {.fromCall = fromCall});
  };
}
Arm Delete(const std::string& key) {
  return [=](sim::SimMachine& m) { m.reg().DeleteTree(kHklm, key); };
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Keys, PrinterPortRegistry, ::testing::Values(
    Case{"AllKeys", {}, true, {kNew, kNew, kNew, kNew, kOffLine}},
    Case{"Key1DoesNotOpen", Fail("RegOpenKeyExA"), true, {kNone, kNew, kNew, kNew, kOffLine},
         "Failed to open Registry"},
    Case{"Key1TakesNoValue", Fail("RegSetValueExA"), true, {kNone, kNew, kNew, kNew, kOffLine},
         "Failed to set Registry"},
    Case{"NoKey2", Delete(kKey2), false, {kNew, kNone, kOld, kOld, kOn}},
    Case{"NoKey3", Delete(kKey3), false, {kNew, kNew, kNone, kOld, kOn}},
    Case{"Key4TakesNoValue", Fail("RegSetValueExA", 4), false, {kNew, kNew, kNew, kOld, kOn}},
    Case{"Key5NotCreated", Fail("RegCreateKeyExA"), false, {kNew, kNew, kNew, kNew, kOn}},
    Case{"FlagNotWritten", Fail("RegSetValueExA", 5), false, {kNew, kNew, kNew, kNew, kOn}}),
    [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });
// clang-format on

}  // namespace
}  // namespace ports_test
