// The check every installer scenario ends with relies on Leftovers() naming
// each kind of handle while it is open, and nothing once it is closed.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

#include "platform/sim/sim_machine.h"
#include "platform/win_constants.h"

TEST(SimLeftovers, NameEachHandleUntilItIsClosed) {
  sim::SimMachine m;
  m.reg().CreateKey(platform::kHkeyLocalMachine, "SOFTWARE\\Vendor");
  m.simComm().AddDevice(3);
  using Close = std::function<void()>;
  const std::pair<const char*, std::function<Close()>> cases[] = {
      {"registry keys open: 1",
       [&]() -> Close {
         platform::KeyHandle key = 0;
         m.registry().RegOpenKeyExA(platform::kHkeyLocalMachine, "SOFTWARE\\Vendor", win::KEY_READ,
                                    key);
         return [&m, key] { m.registry().RegCloseKey(key); };
       }},
      {"service handles open: 1",
       [&]() -> Close {
         const auto manager = m.services().OpenSCManagerA("", win::SC_MANAGER_ALL_ACCESS);
         return [&m, manager] { m.services().CloseServiceHandle(manager); };
       }},
      {"find handles open: 1",
       [&]() -> Close {
         platform::FindData data;
         const auto find = m.files().FindFirstFileA("C:\\WINDOWS\\*", data);
         return [&m, find] { m.files().FindClose(find); };
       }},
      {"comm port and event handles open: 1",
       [&]() -> Close {
         const auto port = m.comm().CreateFileA("\\\\.\\COM3", 0, 0, 3, 0);
         return [&m, port] { m.comm().CloseHandle(port); };
       }},
  };
  EXPECT_EQ(m.Leftovers(), "");
  for (const auto& [shown, open] : cases) {
    const Close close = open();
    EXPECT_THAT(m.Leftovers(), ::testing::HasSubstr(shown));
    close();
    EXPECT_EQ(m.Leftovers(), "") << shown;
  }
}
