#include <gtest/gtest.h>

#include <thread>

#include "platform/sim/faults.h"
#include "platform/sim/last_error.h"
#include "platform/sim/sim_machine.h"
#include "platform/win_constants.h"

namespace {

using platform::kHkeyLocalMachine;

// Which of `count` calls fail, as a string of '.' (through) and 'x' (failed).
std::string Pattern(sim::Faults& faults, const std::string& call, int count) {
  std::string result;
  for (int i = 0; i < count; ++i) result += faults.Check(call) ? 'x' : '.';
  return result;
}

TEST(SimFaults, CountsFromTheMomentTheFaultIsArmed) {
  sim::Faults faults;
  EXPECT_EQ(Pattern(faults, "AddPrinterA", 2), "..");
  faults.Fail("AddPrinterA", 1802);
  EXPECT_EQ(Pattern(faults, "AddPrinterA", 3), "x..");
  faults.Fail("AddPrinterA", 5, {.fromCall = 3, .times = 2});
  EXPECT_EQ(Pattern(faults, "AddPrinterA", 6), "..xx..");
  faults.Fail("AddPrinterA", 5, {.fromCall = 2, .times = sim::kForever});
  EXPECT_EQ(Pattern(faults, "AddPrinterA", 5), ".xxxx");
  faults.Clear("AddPrinterA");
  EXPECT_EQ(Pattern(faults, "AddPrinterA", 2), "..");
  EXPECT_EQ(faults.Calls("AddPrinterA"), 18u);
  EXPECT_EQ(faults.Failed("AddPrinterA"), 7u);
  EXPECT_EQ(faults.Calls("OpenPrinterA"), 0u);
}

TEST(SimFaults, FaultsOfOneCallLeaveOthersAloneAndCarryTheirCode) {
  sim::Faults faults;
  faults.Fail("RegSetValueExA", 5);
  faults.Fail("RegSetValueExA", 1018, {.fromCall = 2});
  EXPECT_EQ(faults.Check("RegOpenKeyExA"), std::nullopt);
  EXPECT_EQ(faults.Check("RegSetValueExA"), 5u);
  EXPECT_EQ(faults.Check("RegSetValueExA"), 1018u);
  EXPECT_EQ(faults.Check("RegSetValueExA"), std::nullopt);
}

TEST(SimFaults, BoolCallsSetTheLastErrorAndStatusCallsReturnTheCode) {
  sim::SimMachine m;
  m.spool().AddPort("LPT1:", "Local Port", "Local Port");
  m.faults().Fail("EnumPortsA", 1722);
  std::vector<platform::PortInfo2> ports;
  sim::SetLastError(0);
  EXPECT_FALSE(m.spooler().EnumPortsA(ports));
  EXPECT_EQ(m.GetLastError(), 1722u);
  EXPECT_TRUE(m.spooler().EnumPortsA(ports));
  EXPECT_EQ(ports.size(), 1u);

  m.faults().Fail("RegCreateKeyExA", win::ERROR_ACCESS_DENIED, {.fromCall = 2});
  platform::KeyHandle key = 0;
  EXPECT_EQ(m.registry().RegCreateKeyExA(kHkeyLocalMachine, "SOFTWARE\\A", 0, win::KEY_ALL_ACCESS,
                                         false, key, nullptr),
            0u);
  m.registry().RegCloseKey(key);
  EXPECT_EQ(m.registry().RegCreateKeyExA(kHkeyLocalMachine, "SOFTWARE\\B", 0, win::KEY_ALL_ACCESS,
                                         false, key, nullptr),
            win::ERROR_ACCESS_DENIED);
  EXPECT_FALSE(m.reg().KeyExists(kHkeyLocalMachine, "SOFTWARE\\B"));
}

TEST(SimLastErrorThreads, EachThreadHasItsOwn) {
  sim::SetLastError(87);
  uint32_t seenByWorker = 1;
  std::thread worker([&] {
    seenByWorker = sim::LastError();
    sim::SetLastError(1722);
  });
  worker.join();
  EXPECT_EQ(seenByWorker, 0u);
  EXPECT_EQ(sim::LastError(), 87u);
}

}  // namespace
