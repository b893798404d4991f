// The check every installer scenario ends with relies on Leftovers() naming
// each kind of handle while it is open, and nothing once it is closed.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/sim/sim_machine.h"
#include "platform/win_constants.h"

TEST(SimLeftovers, NameEachHandleUntilItIsClosed) {
  sim::SimMachine m;
  m.reg().CreateKey(platform::kHkeyLocalMachine, "SOFTWARE\\Vendor");
  m.simComm().AddDevice(3);
  EXPECT_EQ(m.Leftovers(), "");
  platform::KeyHandle key = 0;
  m.registry().RegOpenKeyExA(platform::kHkeyLocalMachine, "SOFTWARE\\Vendor", win::KEY_READ, key);
  const auto manager = m.services().OpenSCManagerA("", win::SC_MANAGER_ALL_ACCESS);
  platform::FindData data;
  const auto find = m.files().FindFirstFileA("C:\\WINDOWS\\*", data);
  const auto port = m.comm().CreateFileA("\\\\.\\COM3", 0, 0, 3, 0);
  for (const char* shown : {"registry keys open: 1", "service handles open: 1",
                            "find handles open: 1", "comm port and event handles open: 1"}) {
    EXPECT_THAT(m.Leftovers(), ::testing::HasSubstr(shown));
  }
  m.registry().RegCloseKey(key);
  m.services().CloseServiceHandle(manager);
  m.files().FindClose(find);
  m.comm().CloseHandle(port);
  EXPECT_EQ(m.Leftovers(), "");
}
