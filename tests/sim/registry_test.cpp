#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/sim/sim_machine.h"
#include "platform/win_constants.h"

namespace {

using platform::kHkeyCurrentUser;
using platform::kHkeyLocalMachine;

constexpr const char* kSerialComm = "HARDWARE\\DEVICEMAP\\SERIALCOMM";

class SimRegistryTest : public ::testing::Test {
 protected:
  platform::KeyHandle Open(platform::KeyHandle root, const std::string& path, uint32_t access,
                           uint32_t expected = win::ERROR_SUCCESS) {
    platform::KeyHandle key = 0;
    EXPECT_EQ(m.registry().RegOpenKeyExA(root, path, access, key), expected) << path;
    return key;
  }

  sim::SimMachine m;
  platform::Registry& reg = m.registry();
};

TEST_F(SimRegistryTest, NamesMatchIgnoringCaseAndKeepTheirCreatedCase) {
  m.reg().SetString(kHkeyLocalMachine, kSerialComm, "\\Device\\Serial0", "COM1");
  platform::KeyHandle key =
      Open(kHkeyLocalMachine, "hardware\\devicemap\\serialcomm", win::KEY_READ);
  uint32_t type = 0;
  char data[16] = {};
  uint32_t size = sizeof data;
  EXPECT_EQ(reg.RegQueryValueExA(key, "\\DEVICE\\serial0", &type, data, &size), 0u);
  EXPECT_EQ(type, win::REG_SZ);
  EXPECT_EQ(std::string(data, size), std::string("COM1\0", 5));

  char name[32];
  uint32_t nameSize = sizeof name;
  EXPECT_EQ(reg.RegEnumValueA(key, 0, name, &nameSize, nullptr, nullptr, nullptr), 0u);
  EXPECT_STREQ(name, "\\Device\\Serial0");
  reg.RegCloseKey(key);
  EXPECT_EQ(m.reg().SubKeyNames(kHkeyLocalMachine, "HARDWARE"),
            std::vector<std::string>{"DEVICEMAP"});
  // The same name in another case is the same value, rewritten in place.
  m.reg().SetString(kHkeyLocalMachine, kSerialComm, "\\device\\SERIAL0", "COM7");
  EXPECT_EQ(m.reg().ValueNames(kHkeyLocalMachine, kSerialComm),
            std::vector<std::string>{"\\Device\\Serial0"});
}

TEST_F(SimRegistryTest, ValuesKeepTheExactBytesTheCallerPassed) {
  platform::KeyHandle key = 0;
  uint32_t disposition = 0;
  ASSERT_EQ(reg.RegCreateKeyExA(kHkeyCurrentUser, "Software\\Test", 0, win::KEY_ALL_ACCESS, false,
                                key, &disposition),
            0u);
  EXPECT_EQ(disposition, win::REG_CREATED_NEW_KEY);
  const char withZero[] = "LPT1:";
  EXPECT_EQ(reg.RegSetValueExA(key, "Counted", win::REG_SZ, withZero, 6), 0u);
  EXPECT_EQ(reg.RegSetValueExA(key, "Uncounted", win::REG_SZ, withZero, 5), 0u);
  const uint32_t zero = 0;
  EXPECT_EQ(reg.RegSetValueExA(key, "Flag", win::REG_DWORD, &zero, 4), 0u);
  reg.RegCloseKey(key);

  EXPECT_EQ(m.reg().GetValue(kHkeyCurrentUser, "Software\\Test", "Counted")->data,
            std::string("LPT1:\0", 6));
  EXPECT_EQ(m.reg().GetValue(kHkeyCurrentUser, "Software\\Test", "Uncounted")->data, "LPT1:");
  auto flag = m.reg().GetValue(kHkeyCurrentUser, "Software\\Test", "Flag");
  ASSERT_TRUE(flag);
  EXPECT_EQ(flag->type, win::REG_DWORD);
  EXPECT_EQ(flag->AsDword(), 0u);

  ASSERT_EQ(reg.RegCreateKeyExA(kHkeyCurrentUser, "SOFTWARE\\test", 0, win::KEY_ALL_ACCESS, false,
                                key, &disposition),
            0u);
  EXPECT_EQ(disposition, win::REG_OPENED_EXISTING_KEY);
  reg.RegCloseKey(key);
}

TEST_F(SimRegistryTest, QueryReportsTheSizeNeeded) {
  m.reg().SetString(kHkeyLocalMachine, "SOFTWARE\\Q", "v", "abcdef");
  platform::KeyHandle key = Open(kHkeyLocalMachine, "SOFTWARE\\Q", win::KEY_QUERY_VALUE);
  uint32_t size = 0;
  EXPECT_EQ(reg.RegQueryValueExA(key, "v", nullptr, nullptr, &size), 0u);
  EXPECT_EQ(size, 7u);
  char small[4];
  size = sizeof small;
  EXPECT_EQ(reg.RegQueryValueExA(key, "v", nullptr, small, &size), win::ERROR_MORE_DATA);
  EXPECT_EQ(size, 7u);
  char exact[7];
  size = sizeof exact;
  EXPECT_EQ(reg.RegQueryValueExA(key, "v", nullptr, exact, &size), 0u);
  EXPECT_STREQ(exact, "abcdef");
  EXPECT_EQ(reg.RegQueryValueExA(key, "missing", nullptr, nullptr, &size),
            win::ERROR_FILE_NOT_FOUND);
  reg.RegCloseKey(key);
}

TEST_F(SimRegistryTest, EnumerationFollowsCreationOrderWithWin32Sizes) {
  m.reg().SetString(kHkeyLocalMachine, kSerialComm, "\\Device\\Serial1", "COM2");
  m.reg().SetString(kHkeyLocalMachine, kSerialComm, "Winachsf0", "COM9");
  m.reg().SetString(kHkeyLocalMachine, kSerialComm, "\\Device\\Serial0", "COM1");
  m.reg().SetString(kHkeyLocalMachine, kSerialComm, "\\Device\\Serial1", "COM3");  // keeps place
  platform::KeyHandle key = Open(kHkeyLocalMachine, kSerialComm, win::KEY_READ);

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

  char name[16];
  uint32_t nameSize = 15;  // "\Device\Serial1" is 15 characters: no room for the zero
  EXPECT_EQ(reg.RegEnumValueA(key, 0, name, &nameSize, nullptr, nullptr, nullptr),
            win::ERROR_MORE_DATA);
  nameSize = 16;
  char value[2];
  uint32_t valueSize = sizeof value;
  EXPECT_EQ(reg.RegEnumValueA(key, 0, name, &nameSize, nullptr, value, &valueSize),
            win::ERROR_MORE_DATA);
  EXPECT_EQ(valueSize, 5u);
  reg.RegCloseKey(key);
}

TEST_F(SimRegistryTest, MissingKeysAndHandleRights) {
  Open(kHkeyLocalMachine, "SOFTWARE\\Nowhere", win::KEY_READ, win::ERROR_FILE_NOT_FOUND);
  m.reg().CreateKey(kHkeyLocalMachine, "SOFTWARE\\Here");
  platform::KeyHandle key = Open(kHkeyLocalMachine, "SOFTWARE\\Here", win::KEY_READ);
  const uint32_t one = 1;
  EXPECT_EQ(reg.RegSetValueExA(key, "x", win::REG_DWORD, &one, 4), win::ERROR_ACCESS_DENIED);
  EXPECT_EQ(m.reg().OpenKeyCount(), 1u);
  EXPECT_EQ(reg.RegCloseKey(key), 0u);
  EXPECT_EQ(reg.RegCloseKey(key), win::ERROR_INVALID_HANDLE);
  EXPECT_EQ(m.reg().OpenKeyCount(), 0u);
}

TEST_F(SimRegistryTest, DeletingASubKeyTakesItsWholeTree) {
  const std::string base = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Print\\Printers";
  m.reg().SetString(kHkeyLocalMachine, base + "\\POS-80\\DsSpooler", "portName", "USB001");
  m.reg().SetString(kHkeyLocalMachine, base + "\\Other", "Port", "LPT1:");
  platform::KeyHandle key = Open(kHkeyLocalMachine, base, win::KEY_SET_VALUE);
  EXPECT_EQ(reg.SHDeleteKeyA(key, "pos-80"), 0u);
  EXPECT_FALSE(m.reg().KeyExists(kHkeyLocalMachine, base + "\\POS-80"));
  EXPECT_TRUE(m.reg().KeyExists(kHkeyLocalMachine, base + "\\Other"));
  EXPECT_EQ(reg.SHDeleteKeyA(key, "POS-80"), win::ERROR_FILE_NOT_FOUND);
  // An empty name takes the opened key itself, siblings and all: the damage
  // a caller must never do, and a test can see.
  EXPECT_EQ(reg.SHDeleteKeyA(key, ""), 0u);
  EXPECT_FALSE(m.reg().KeyExists(kHkeyLocalMachine, base));
  EXPECT_FALSE(m.reg().KeyExists(kHkeyLocalMachine, base + "\\Other"));
  EXPECT_TRUE(
      m.reg().KeyExists(kHkeyLocalMachine, "Software\\Microsoft\\Windows NT\\CurrentVersion"));
  const uint32_t one = 1;
  EXPECT_NE(reg.RegSetValueExA(key, "x", win::REG_DWORD, &one, 4), 0u);
  reg.RegCloseKey(key);
}

TEST_F(SimRegistryTest, CurrentControlSetIsControlSet001UntilTheLinkIsCut) {
  const std::string printers = "\\Control\\Print\\Printers\\POS-80";
  m.reg().SetString(kHkeyLocalMachine, "SYSTEM\\ControlSet001" + printers, "Port", "COM1:");
  platform::KeyHandle key =
      Open(kHkeyLocalMachine, "SYSTEM\\CurrentControlSet" + printers, win::KEY_SET_VALUE);
  EXPECT_EQ(reg.RegSetValueExA(key, "Port", win::REG_SZ, "LPT1:", 6), 0u);
  reg.RegCloseKey(key);
  EXPECT_EQ(
      m.reg().GetValue(kHkeyLocalMachine, "SYSTEM\\ControlSet001" + printers, "Port")->AsString(),
      "LPT1:");

  m.reg().CutCurrentControlSetLink();
  m.reg().SetString(kHkeyLocalMachine, "SYSTEM\\CurrentControlSet" + printers, "Port", "USB001");
  EXPECT_EQ(
      m.reg().GetValue(kHkeyLocalMachine, "SYSTEM\\ControlSet001" + printers, "Port")->AsString(),
      "LPT1:");
  EXPECT_EQ(m.reg()
                .GetValue(kHkeyLocalMachine, "SYSTEM\\CurrentControlSet" + printers, "Port")
                ->AsString(),
            "USB001");
}

TEST_F(SimRegistryTest, ProtectedKeysRefuseWritesUntilAdministratorsAreGranted) {
  const std::string path = "SYSTEM\\ControlSet001\\Control\\Print\\Printers\\POS-80";
  m.reg().Protect(kHkeyLocalMachine, path);
  m.reg().SetAcl(kHkeyLocalMachine, path, {{"SYSTEM", win::KEY_ALL_ACCESS, win::SET_ACCESS, 3}});
  platform::KeyHandle key = Open(kHkeyLocalMachine, path, win::KEY_READ);
  reg.RegCloseKey(key);
  Open(kHkeyLocalMachine, path, win::KEY_SET_VALUE, win::ERROR_ACCESS_DENIED);
  // Read-only rights for the group are not enough.
  m.reg().SetAcl(kHkeyLocalMachine, path, {{"Administrators", win::KEY_READ, win::SET_ACCESS, 3}});
  Open(kHkeyLocalMachine, path, win::KEY_SET_VALUE, win::ERROR_ACCESS_DENIED);

  std::unique_ptr<platform::Acl> old, merged;
  auto& security = m.security();
  ASSERT_EQ(security.GetNamedSecurityInfoA("MACHINE\\" + path, old), 0u);
  ASSERT_EQ(security.SetEntriesInAclA({"Administrators", win::KEY_ALL_ACCESS, win::SET_ACCESS,
                                       win::SUB_CONTAINERS_AND_OBJECTS_INHERIT},
                                      old.get(), merged),
            0u);
  ASSERT_EQ(security.SetNamedSecurityInfoA("MACHINE\\" + path, *merged), 0u);
  EXPECT_TRUE(m.reg().AdministratorsHaveFullControl(kHkeyLocalMachine, path));
  key = Open(kHkeyLocalMachine, path, win::KEY_SET_VALUE);
  reg.RegCloseKey(key);

  m.reg().Deny(kHkeyLocalMachine, path);
  Open(kHkeyLocalMachine, path, win::KEY_READ, win::ERROR_ACCESS_DENIED);
  EXPECT_EQ(security.GetNamedSecurityInfoA("MACHINE\\" + path, old), win::ERROR_ACCESS_DENIED);
}

TEST_F(SimRegistryTest, CreatingBelowAProtectedKeyIsRefused) {
  const std::string path = "SYSTEM\\CurrentControlSet\\Hardware Profiles\\Current";
  m.reg().Protect(kHkeyLocalMachine, path);
  platform::KeyHandle key = 0;
  EXPECT_EQ(reg.RegCreateKeyExA(kHkeyLocalMachine, path + "\\System", 0, win::KEY_ALL_ACCESS, true,
                                key, nullptr),
            win::ERROR_ACCESS_DENIED);
  EXPECT_FALSE(m.reg().KeyExists(kHkeyLocalMachine, path + "\\System"));
}

TEST_F(SimRegistryTest, AnInheritableGrantOnTheParentLetsAProtectedSubKeyGo) {
  const std::string base =
      "SYSTEM\\ControlSet001\\Hardware Profiles\\0001\\System\\"
      "CurrentControlSet\\Control\\Print\\Printers";
  m.reg().SetDword(kHkeyLocalMachine, base + "\\POS-80", "PrinterOnLine", 1);
  m.reg().Protect(kHkeyLocalMachine, base + "\\POS-80");
  platform::KeyHandle key = Open(kHkeyLocalMachine, base, win::KEY_SET_VALUE);
  EXPECT_EQ(reg.SHDeleteKeyA(key, "POS-80"), win::ERROR_ACCESS_DENIED);
  // A grant that stays on the parent changes nothing below it.
  m.reg().SetAcl(kHkeyLocalMachine, base,
                 {{"Administrators", win::KEY_ALL_ACCESS, win::SET_ACCESS, 0}});
  EXPECT_EQ(reg.SHDeleteKeyA(key, "POS-80"), win::ERROR_ACCESS_DENIED);
  // A protected key deep inside a tree keeps the whole tree.
  m.reg().SetAcl(kHkeyLocalMachine, base,
                 {{"Administrators", win::KEY_ALL_ACCESS, win::SET_ACCESS,
                   win::SUB_CONTAINERS_AND_OBJECTS_INHERIT}});
  m.reg().Protect(kHkeyLocalMachine, "SYSTEM\\ControlSet001\\Hardware Profiles\\0001");
  platform::KeyHandle profiles =
      Open(kHkeyLocalMachine, "SYSTEM\\ControlSet001\\Hardware Profiles", win::KEY_SET_VALUE);
  EXPECT_EQ(reg.SHDeleteKeyA(profiles, "0001"), win::ERROR_ACCESS_DENIED);
  reg.RegCloseKey(profiles);
  EXPECT_EQ(reg.SHDeleteKeyA(key, "POS-80"), 0u);
  EXPECT_FALSE(m.reg().KeyExists(kHkeyLocalMachine, base + "\\POS-80"));
  reg.RegCloseKey(key);
}

}  // namespace
