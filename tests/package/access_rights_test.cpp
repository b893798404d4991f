#include "package/access_rights.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/sim/sim_machine.h"
#include "platform/win_constants.h"

namespace {

constexpr const char* kPrinters = "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\POS-80";

TEST(RegistryObjectNames, EachRootGetsTheNameTheSecurityFunctionsAccept) {
  EXPECT_EQ(RegistryObjectName(platform::kHkeyLocalMachine, "SYSTEM\\A"), "MACHINE\\SYSTEM\\A");
  EXPECT_EQ(RegistryObjectName(platform::kHkeyCurrentUser, "Software\\B"),
            "CURRENT_USER\\Software\\B");
  EXPECT_EQ(RegistryObjectName(0x80000000u, "CLSID"), "CLASSES_ROOT\\CLSID");
  EXPECT_EQ(RegistryObjectName(0x80000003u, ".DEFAULT"), "USERS\\.DEFAULT");
  EXPECT_EQ(RegistryObjectName(platform::kHkeyCurrentConfig,
                               "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\"),
            "MACHINE\\SYSTEM\\CurrentControlSet\\Hardware Profiles\\Current\\SYSTEM\\"
            "CurrentControlSet\\Control\\Print\\Printers");
  // Parent paths of the clean-up end in a backslash; the name does not.
  EXPECT_EQ(RegistryObjectName(platform::kHkeyLocalMachine, "\\SYSTEM\\Printers\\\\"),
            "MACHINE\\SYSTEM\\Printers");
  // A key opened earlier, or nothing to name: no object name.
  EXPECT_EQ(RegistryObjectName(0x1000, "SYSTEM\\A"), "");
  EXPECT_EQ(RegistryObjectName(platform::kHkeyLocalMachine, "\\"), "");
}

class AdministratorsGrant : public ::testing::Test {
 protected:
  static platform::ExplicitAccess Entry(const std::string& trustee, uint32_t rights,
                                        uint32_t mode = win::SET_ACCESS, uint32_t inheritance = 0) {
    platform::ExplicitAccess e;
    e.trusteeName = trustee;
    e.permissions = rights;
    e.mode = mode;
    e.inheritance = inheritance;
    return e;
  }

  void SeedKey() {
    m.reg().CreateKey(platform::kHkeyLocalMachine, kPrinters);
    ASSERT_TRUE(m.reg().SetAcl(
        platform::kHkeyLocalMachine, kPrinters,
        {Entry("SYSTEM", win::KEY_ALL_ACCESS), Entry("Administrators", win::KEY_READ),
         Entry("Users", win::KEY_READ, win::GRANT_ACCESS, 1)}));
  }

  sim::SimMachine m;
};

TEST_F(AdministratorsGrant, ReplacesTheAdministratorsEntryAndKeepsTheOthers) {
  SeedKey();
  EXPECT_EQ(GrantAdministratorsFullControl(m, platform::kHkeyLocalMachine, kPrinters), 1);
  const auto acl = m.reg().Acl(platform::kHkeyLocalMachine, kPrinters);
  int administrators = 0;
  bool system = false;
  bool users = false;
  for (const auto& e : acl) {
    if (e.trusteeName == "Administrators") {
      ++administrators;
      EXPECT_EQ(e.permissions, win::KEY_ALL_ACCESS);
      EXPECT_EQ(e.inheritance, win::SUB_CONTAINERS_AND_OBJECTS_INHERIT);
    }
    if (e.trusteeName == "SYSTEM" && e.permissions == win::KEY_ALL_ACCESS) system = true;
    if (e.trusteeName == "Users" && e.permissions == win::KEY_READ && e.inheritance == 1) {
      users = true;
    }
  }
  EXPECT_EQ(administrators, 1);
  EXPECT_TRUE(system);
  EXPECT_TRUE(users);
  EXPECT_EQ(acl.size(), 3u);
}

TEST_F(AdministratorsGrant, AddsTheEntryToAKeyWithoutOneAndWorksForTheCurrentUser) {
  const std::string key = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Wizard\\";
  m.reg().CreateKey(platform::kHkeyCurrentUser, key);
  ASSERT_TRUE(m.reg().SetAcl(platform::kHkeyCurrentUser, key, {Entry("Users", win::KEY_READ)}));
  EXPECT_EQ(GrantAdministratorsFullControl(m, platform::kHkeyCurrentUser, key), 1);
  EXPECT_TRUE(m.reg().AdministratorsHaveFullControl(platform::kHkeyCurrentUser, key));
  EXPECT_EQ(m.reg().Acl(platform::kHkeyCurrentUser, key).size(), 2u);
}

TEST_F(AdministratorsGrant, FailsWithoutChangingAnythingWhenAStepFails) {
  SeedKey();
  const auto before = m.reg().Acl(platform::kHkeyLocalMachine, kPrinters);
  auto unchanged = [&] {
    const auto now = m.reg().Acl(platform::kHkeyLocalMachine, kPrinters);
    if (now.size() != before.size()) return false;
    for (size_t i = 0; i < now.size(); ++i) {
      if (now[i].trusteeName != before[i].trusteeName ||
          now[i].permissions != before[i].permissions) {
        return false;
      }
    }
    return true;
  };
  for (const char* call : {"GetNamedSecurityInfoA", "SetEntriesInAclA", "SetNamedSecurityInfoA"}) {
    m.faults().Fail(call, win::ERROR_ACCESS_DENIED);
    EXPECT_EQ(GrantAdministratorsFullControl(m, platform::kHkeyLocalMachine, kPrinters), 0) << call;
    EXPECT_TRUE(unchanged()) << call;
  }
  EXPECT_EQ(GrantAdministratorsFullControl(m, platform::kHkeyLocalMachine, "SYSTEM\\Missing"), 0);
  // An opened key handle cannot be named: nothing is attempted.
  EXPECT_EQ(GrantAdministratorsFullControl(m, 0x1000, kPrinters), 0);
  EXPECT_TRUE(unchanged());
  EXPECT_EQ(GrantAdministratorsFullControl(m, platform::kHkeyLocalMachine, kPrinters), 1);
}

}  // namespace
