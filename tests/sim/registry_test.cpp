// The Windows registry rules the installer's port writing, serial port
// inventory and printer clean-up rely on.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>

#include "platform/sim/last_error.h"
#include "platform/sim/sim_machine.h"
#include "platform/win_constants.h"

namespace {

using platform::kHkeyLocalMachine;

class SimRegistryTest : public ::testing::Test {
 protected:
  platform::KeyHandle Open(const std::string& path, uint32_t access,
                           uint32_t expected = win::ERROR_SUCCESS) {
    platform::KeyHandle key = 0;
    EXPECT_EQ(reg.RegOpenKeyExA(kHkeyLocalMachine, path, access, key), expected) << path;
    return key;
  }

  sim::SimMachine m;
  platform::Registry& reg = m.registry();
};

// A string is stored with exactly the bytes passed: the zero is there only
// when the count includes it.
TEST_F(SimRegistryTest, ValuesKeepTheExactBytesTheCallerPassed) {
  m.reg().CreateKey(kHkeyLocalMachine, "SOFTWARE\\Test");
  platform::KeyHandle key = Open("SOFTWARE\\Test", win::KEY_SET_VALUE);
  EXPECT_EQ(reg.RegSetValueExA(key, "Counted", win::REG_SZ, "LPT1:", 6), 0u);
  EXPECT_EQ(reg.RegSetValueExA(key, "Uncounted", win::REG_SZ, "LPT1:", 5), 0u);
  reg.RegCloseKey(key);
  EXPECT_EQ(m.reg().GetValue(kHkeyLocalMachine, "SOFTWARE\\Test", "Counted")->data,
            std::string("LPT1:\0", 6));
  EXPECT_EQ(m.reg().GetValue(kHkeyLocalMachine, "SOFTWARE\\Test", "Uncounted")->data, "LPT1:");
  // A handle opened for reading refuses writes.
  key = Open("SOFTWARE\\Test", win::KEY_READ);
  EXPECT_EQ(reg.RegSetValueExA(key, "x", win::REG_SZ, "x", 2), win::ERROR_ACCESS_DENIED);
  reg.RegCloseKey(key);
}

TEST_F(SimRegistryTest, EnumerationFollowsCreationOrderWithWin32Sizes) {
  const char* serialComm = "HARDWARE\\DEVICEMAP\\SERIALCOMM";
  m.reg().SetString(kHkeyLocalMachine, serialComm, "\\Device\\Serial1", "COM2");
  m.reg().SetString(kHkeyLocalMachine, serialComm, "Winachsf0", "COM9");
  m.reg().SetString(kHkeyLocalMachine, serialComm, "\\Device\\Serial0", "COM1");
  m.reg().SetString(kHkeyLocalMachine, serialComm, "\\Device\\Serial1", "COM3");  // keeps place
  platform::KeyHandle key = Open(serialComm, win::KEY_READ);
  std::vector<std::string> names, data;
  for (uint32_t i = 0;; ++i) {
    char name[128], value[128];
    uint32_t nameSize = 128, valueSize = 128;
    const uint32_t rc = reg.RegEnumValueA(key, i, name, &nameSize, nullptr, value, &valueSize);
    if (rc == win::ERROR_NO_MORE_ITEMS) break;
    ASSERT_EQ(rc, 0u);
    EXPECT_EQ(nameSize, std::strlen(name));  // without the zero
    names.push_back(name);
    data.push_back(std::string(value, valueSize));
  }
  EXPECT_EQ(names,
            (std::vector<std::string>{"\\Device\\Serial1", "Winachsf0", "\\Device\\Serial0"}));
  EXPECT_EQ(data[0], std::string("COM3\0", 5));
  // "\Device\Serial1" is 15 characters: no room for the zero.
  char name[16], value[2];
  uint32_t nameSize = 15, valueSize = sizeof value;
  EXPECT_EQ(reg.RegEnumValueA(key, 0, name, &nameSize, nullptr, nullptr, nullptr),
            win::ERROR_MORE_DATA);
  nameSize = 16;
  EXPECT_EQ(reg.RegEnumValueA(key, 0, name, &nameSize, nullptr, value, &valueSize),
            win::ERROR_MORE_DATA);
  EXPECT_EQ(valueSize, 5u);
  reg.RegCloseKey(key);
}

TEST_F(SimRegistryTest, DeletingASubKeyTakesItsWholeTreeAndAnEmptyNameTheKeyItself) {
  const std::string base = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Print\\Printers";
  m.reg().SetString(kHkeyLocalMachine, base + "\\POS-80\\DsSpooler", "portName", "USB001");
  m.reg().SetString(kHkeyLocalMachine, base + "\\Other", "Port", "LPT1:");
  platform::KeyHandle key = Open(base, win::KEY_SET_VALUE);
  EXPECT_EQ(reg.SHDeleteKeyA(key, "pos-80"), 0u);
  EXPECT_FALSE(m.reg().KeyExists(kHkeyLocalMachine, base + "\\POS-80"));
  EXPECT_TRUE(m.reg().KeyExists(kHkeyLocalMachine, base + "\\Other"));
  EXPECT_EQ(reg.SHDeleteKeyA(key, "POS-80"), win::ERROR_FILE_NOT_FOUND);
  // The damage a caller must never do, and a test can see.
  EXPECT_EQ(reg.SHDeleteKeyA(key, ""), 0u);
  EXPECT_FALSE(m.reg().KeyExists(kHkeyLocalMachine, base));
  EXPECT_TRUE(
      m.reg().KeyExists(kHkeyLocalMachine, "Software\\Microsoft\\Windows NT\\CurrentVersion"));
  reg.RegCloseKey(key);
}

// Only a grant to Administrators that is inherited reaches a protected key
// below the key it is set on.
TEST_F(SimRegistryTest, AnInheritableGrantOnTheParentLetsAProtectedSubKeyGo) {
  const std::string base = "SYSTEM\\ControlSet001\\Control\\Print\\Printers";
  m.reg().SetDword(kHkeyLocalMachine, base + "\\POS-80", "PrinterOnLine", 1);
  m.reg().Protect(kHkeyLocalMachine, base + "\\POS-80");
  Open(base + "\\POS-80", win::KEY_SET_VALUE, win::ERROR_ACCESS_DENIED);
  platform::KeyHandle key = Open(base, win::KEY_SET_VALUE);
  EXPECT_EQ(reg.SHDeleteKeyA(key, "POS-80"), win::ERROR_ACCESS_DENIED);
  m.reg().SetAcl(kHkeyLocalMachine, base,
                 {{"Administrators", win::KEY_ALL_ACCESS, win::SET_ACCESS, 0}});
  EXPECT_EQ(reg.SHDeleteKeyA(key, "POS-80"), win::ERROR_ACCESS_DENIED);
  m.reg().SetAcl(kHkeyLocalMachine, base,
                 {{"Administrators", win::KEY_ALL_ACCESS, win::SET_ACCESS,
                   win::SUB_CONTAINERS_AND_OBJECTS_INHERIT}});
  EXPECT_EQ(reg.SHDeleteKeyA(key, "POS-80"), 0u);
  EXPECT_FALSE(m.reg().KeyExists(kHkeyLocalMachine, base + "\\POS-80"));
  reg.RegCloseKey(key);
}

// The start-up worker and the window thread each read their own error code.
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
