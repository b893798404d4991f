#include "package/access_rights.h"
#include "checked_machine.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/sim/sim_machine.h"
#include "platform/win_constants.h"

namespace {

using platform::kHkeyLocalMachine;

TEST(RegistryObjectNames, EachRootGetsTheNameTheSecurityFunctionsAccept) {
  const struct {
    platform::KeyHandle root;
    const char* key;
    const char* objectName;
  } cases[] = {
      {kHkeyLocalMachine, "SYSTEM\\A", "MACHINE\\SYSTEM\\A"},
      {platform::kHkeyCurrentUser, "Software\\B", "CURRENT_USER\\Software\\B"},
      {0x80000000u, "CLSID", "CLASSES_ROOT\\CLSID"},
      {0x80000003u, ".DEFAULT", "USERS\\.DEFAULT"},
      {platform::kHkeyCurrentConfig, "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\",
       "MACHINE\\SYSTEM\\CurrentControlSet\\Hardware Profiles\\Current\\SYSTEM\\"
       "CurrentControlSet\\Control\\Print\\Printers"},
      // Parent paths of the clean-up end in a backslash; the name does not.
      {kHkeyLocalMachine, "\\SYSTEM\\Printers\\\\", "MACHINE\\SYSTEM\\Printers"},
      // A key opened earlier, or nothing to name: no object name.
      {0x1000, "SYSTEM\\A", ""},
      {kHkeyLocalMachine, "\\", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(RegistryObjectName(c.root, c.key), c.objectName) << c.key;
}

class AdministratorsGrant : public ::testing::Test {
 protected:
  static constexpr const char* kKey = "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\POS-80";
  void SetUp() override {
    m.reg().CreateKey(kHkeyLocalMachine, kKey);
    ASSERT_TRUE(m.reg().SetAcl(kHkeyLocalMachine, kKey,
                               {{"SYSTEM", win::KEY_ALL_ACCESS, win::SET_ACCESS, 0},
                                {"Administrators", win::KEY_READ, win::SET_ACCESS, 0},
                                {"Users", win::KEY_READ, win::GRANT_ACCESS, 1}}));
  }
  // Trustee, rights and inheritance of every entry, in order.
  std::vector<std::string> Acl() {
    std::vector<std::string> entries;
    for (const auto& e : m.reg().Acl(kHkeyLocalMachine, kKey)) {
      entries.push_back(e.trusteeName + " " + std::to_string(e.permissions) + " " +
                        std::to_string(e.inheritance));
    }
    return entries;
  }
  CheckedMachine m;
};

// A failing step changes nothing; otherwise the Administrators entry is
// replaced and the others kept.
TEST_F(AdministratorsGrant, ReplacesTheAdministratorsEntryAndKeepsTheOthers) {
  const auto before = Acl();
  for (const char* call : {"GetNamedSecurityInfoA", "SetEntriesInAclA", "SetNamedSecurityInfoA"}) {
    m.faults().Fail(call, win::ERROR_ACCESS_DENIED);
    EXPECT_EQ(GrantAdministratorsFullControl(m, kHkeyLocalMachine, kKey), 0) << call;
    EXPECT_EQ(Acl(), before) << call;
  }
  EXPECT_EQ(GrantAdministratorsFullControl(m, kHkeyLocalMachine, "SYSTEM\\Missing"), 0);
  // An opened key handle cannot be named: nothing is attempted.
  EXPECT_EQ(GrantAdministratorsFullControl(m, 0x1000, kKey), 0);
  EXPECT_EQ(m.faults().Calls("GetNamedSecurityInfoA"), 4u);
  EXPECT_EQ(GrantAdministratorsFullControl(m, kHkeyLocalMachine, kKey), 1);
  const std::string all = std::to_string(win::KEY_ALL_ACCESS);
  EXPECT_EQ(Acl(), (std::vector<std::string>{
                       "SYSTEM " + all + " 0", "Users " + std::to_string(win::KEY_READ) + " 1",
                       "Administrators " + all + " " +
                           std::to_string(win::SUB_CONTAINERS_AND_OBJECTS_INHERIT)}));
}

// A German system knows the group only as "Administratoren": the grant names
// it by SID and lands on the right group, replacing its earlier entry.
TEST_F(AdministratorsGrant, NamesTheGroupBySidOnASystemInAnotherLanguage) {
  m.sec().SetGroupNames("Administratoren", "Benutzer");
  ASSERT_TRUE(m.reg().SetAcl(
      kHkeyLocalMachine, kKey,
      {{"SYSTEM", win::KEY_ALL_ACCESS, win::SET_ACCESS, 0},
       {"Administratoren", win::KEY_READ, win::SET_ACCESS, 0, platform::kSidAdministrators}}));
  EXPECT_EQ(GrantAdministratorsFullControl(m, kHkeyLocalMachine, kKey), 1);
  const auto acl = m.reg().Acl(kHkeyLocalMachine, kKey);
  ASSERT_EQ(acl.size(), 2u);
  EXPECT_EQ(acl[1].trusteeSid, platform::kSidAdministrators);
  EXPECT_EQ(acl[1].trusteeName, "Administratoren");
  EXPECT_EQ(acl[1].permissions, win::KEY_ALL_ACCESS);
  // The English name means nothing there.
  platform::ExplicitAccess byName{"Administrators", win::KEY_READ, win::SET_ACCESS, 0};
  std::unique_ptr<platform::Acl> made;
  EXPECT_EQ(m.security().SetEntriesInAclA(byName, nullptr, made), sim::kErrorNoneMapped);
}
}  // namespace
