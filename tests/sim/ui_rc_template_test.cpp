#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/sim/rc_template.h"
#include "resources/resource.h"
#include "sim/ui_fixture.h"
#include "sim/ui_test_support.h"

namespace {

constexpr uint32_t kWsVisible = 0x10000000u;
constexpr uint32_t kWsDisabled = 0x08000000u;
constexpr uint32_t kWsChild = 0x40000000u;

class RcTemplateTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(rc.ParseFile(uitest::FixturePath())) << rc.error(); }
  sim::RcTemplates rc;
};

TEST_F(RcTemplateTest, ReadsDialogsAndSkipsOtherResources) {
  ASSERT_EQ(rc.dialogs().size(), 3u);
  EXPECT_EQ(rc.dialogs()[0].id, IDD_PLAIN);
  EXPECT_FALSE(rc.dialogs()[0].extended);
  EXPECT_EQ(rc.dialogs()[2].id, IDD_NAMED);  // a define built from another define
  EXPECT_EQ(rc.Define("IDC_NEGATIVE"), -7);

  const sim::DialogTemplate* form = rc.Find(IDD_FORM);
  ASSERT_NE(form, nullptr);
  EXPECT_TRUE(form->extended);
  EXPECT_EQ(form->caption, "Form: \"quoted\" & more");
  EXPECT_EQ(form->fontName, "Arial Narrow");
  EXPECT_EQ(form->fontSize, 10);
  EXPECT_EQ(form->cx, 300);
  EXPECT_EQ(form->cy, 200);
  EXPECT_EQ(form->exStyle, 0x40000u);
  EXPECT_EQ(rc.Find(999), nullptr);
}

TEST_F(RcTemplateTest, ControlsKeepOrderTextsGeometryAndStyles) {
  const sim::DialogTemplate& form = *rc.Find(IDD_FORM);
  ASSERT_EQ(form.controls.size(), 12u);
  EXPECT_EQ(form.controls[0].id, IDC_NOTE);
  EXPECT_EQ(form.controls[0].text, "Line one\r\nLine two");
  EXPECT_EQ(form.controls[0].kind, sim::ControlKind::Static);
  EXPECT_EQ(form.controls[11].id, -7);

  const sim::ControlTemplate* option = form.Control(IDC_OPTION);
  ASSERT_NE(option, nullptr);
  EXPECT_EQ(option->kind, sim::ControlKind::CheckBox);
  EXPECT_TRUE(option->autoCheck());
  EXPECT_EQ(option->x, 7);
  EXPECT_EQ(option->y, 22);
  EXPECT_EQ(option->cx, 92);
  EXPECT_EQ(option->cy, 10);

  EXPECT_EQ(form.Control(IDC_NAME)->kind, sim::ControlKind::Edit);
  EXPECT_FALSE(form.Control(IDC_NAME)->readOnly());
  EXPECT_TRUE(form.Control(IDC_READONLY)->readOnly());
  EXPECT_EQ(form.Control(IDC_KIND)->kind, sim::ControlKind::ComboBox);
  EXPECT_EQ(form.Control(IDC_KIND)->style & 0x3u, 0x3u);  // drop-down list
  EXPECT_EQ(form.Control(IDC_LIST)->kind, sim::ControlKind::ListView);
  EXPECT_EQ(form.Control(IDC_BAR)->kind, sim::ControlKind::Progress);

  // NOT takes a default bit away; a class macro names the list view.
  const sim::ControlTemplate* hidden = form.Control(IDC_HIDDEN);
  EXPECT_EQ(hidden->className, "SysListView32");
  EXPECT_EQ(hidden->style & kWsVisible, 0u);
  EXPECT_EQ(hidden->style & kWsChild, kWsChild);
  EXPECT_EQ(hidden->exStyle, 0x200u);
  EXPECT_EQ(hidden->cx, 3);

  const sim::ControlTemplate* go = form.Control(IDC_GO);
  EXPECT_TRUE(go->defaultButton());
  EXPECT_TRUE(go->disabled());
  EXPECT_EQ(go->style & kWsVisible, kWsVisible);
  EXPECT_FALSE(form.Control(IDC_NAME)->disabled());
  EXPECT_EQ(form.Control(-1)->x, 16);  // hexadecimal coordinates
}

TEST(RcTemplateErrors, MalformedScriptsAreRefusedWithTheLine) {
  sim::RcTemplates rc;
  EXPECT_FALSE(
      rc.Parse("1 DIALOG 0, 0, 10, 10\nBEGIN\n  LTEXT \"x\", UNKNOWN_ID, 1, 2, 3, 4\nEND\n"));
  EXPECT_NE(rc.error().find("line 3"), std::string::npos) << rc.error();
  EXPECT_NE(rc.error().find("UNKNOWN_ID"), std::string::npos);
  EXPECT_TRUE(rc.dialogs().empty());

  EXPECT_FALSE(rc.Parse("1 DIALOG 0, 0, 10, 10\nBEGIN\n  LTEXT \"open, 1, 2, 3, 4, 5\nEND\n"));
  EXPECT_NE(rc.error().find("unterminated"), std::string::npos) << rc.error();

  EXPECT_FALSE(rc.Parse("1 DIALOG 0, 0, 10, 10\nBEGIN\n  PUSHBUTTON \"a\", 5, 1, 2, 3\nEND\n"));
  EXPECT_FALSE(rc.Parse("END\n"));
  EXPECT_FALSE(rc.Parse("#include \"no_such_header.h\"\n"));

  EXPECT_TRUE(rc.Parse("#define X 0x10L\nX DIALOG 0, 0, 10, 10\nBEGIN\nEND\n")) << rc.error();
  ASSERT_NE(rc.Find(16), nullptr);
  EXPECT_TRUE(rc.Find(16)->controls.empty());
}

TEST(RcTemplateInstaller, MainWindowTemplateMatchesTheWindowLayout) {
  const sim::RcTemplates* rc = sim::RcTemplates::Installer();
  ASSERT_NE(rc, nullptr) << sim::RcTemplates::LoadError();
  const sim::DialogTemplate* main = rc->Find(IDD_MAIN);
  ASSERT_NE(main, nullptr);
  EXPECT_EQ(main->caption, "Configure & Install");
  EXPECT_EQ(main->cx, 343);
  EXPECT_EQ(main->cy, 222);
  ASSERT_EQ(main->controls.size(), 13u);
  EXPECT_EQ(main->controls.back().id, IDC_STATUS);
  EXPECT_EQ(main->controls.back().text, "Driver install Program");
  EXPECT_TRUE(main->Control(IDC_INSTALL)->disabled());
  EXPECT_TRUE(main->Control(IDC_INSTALL)->defaultButton());
  EXPECT_TRUE(main->Control(IDC_SET_DEFAULT)->autoCheck());
  EXPECT_TRUE(main->Control(IDC_PRINTER_NAME)->readOnly());
  EXPECT_EQ(main->Control(IDC_PORT_HINT)->text,
            "Specify the port that you are using.\r\nThe program help you to configure the "
            "printer port during installation.");
  for (int id :
       {IDD_TCPIP_PORT, IDD_PARALLEL_PORT, IDD_SERIAL_PROMPT, IDD_USB_PORT, IDD_UNINSTALL}) {
    EXPECT_NE(rc->Find(id), nullptr) << id;
  }
}

}  // namespace
