#include "ports/serial_probe.h"

#include <gtest/gtest.h>

#include "dialogs/serial_prompt_dialog.h"
#include "platform/sim/sim_machine.h"
#include "platform/win_constants.h"
#include "resources/resource.h"
#include "shell/main_window.h"
#include "shell/port_kind.h"

namespace {

constexpr platform::KeyHandle kHklm = platform::kHkeyLocalMachine;
const std::string kPortsKey = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Ports";

TEST(ParseComPortNumber, ReadsTheDigitsBeforeTheColon) {
  EXPECT_EQ(ParseComPortNumber("COM12:"), 12);
  EXPECT_EQ(ParseComPortNumber("COM3:"), 3);
  EXPECT_EQ(ParseComPortNumber("COM105:"), 105);
  EXPECT_EQ(ParseComPortNumber("COM7"), 0);
  EXPECT_EQ(ParseComPortNumber("COM:"), 0);
  EXPECT_EQ(ParseComPortNumber(""), 0);
  // Only the first colon ends the number.
  EXPECT_EQ(ParseComPortNumber("COM4:5:"), 4);
}

TEST(ComPortSettingsText, LowerCaseParityLetter) {
  EXPECT_EQ(ComPortSettingsText(9600, 'N', 8, 1), "9600,n,8,1");
  EXPECT_EQ(ComPortSettingsText(115200, 'E', 7, 2), "115200,e,7,2");
}

class ComPortSettings : public ::testing::Test {
 protected:
  sim::SimMachine m;
  MainWindow window{m, 0};
};

TEST_F(ComPortSettings, WritesTheValueNamedAfterTheEntry) {
  m.reg().CreateKey(kHklm, kPortsKey);
  window.installation().baudRate = 9600;
  WriteComPortSettings(window.installation(), window, "COM3:");

  const auto value = m.reg().GetValue(kHklm, kPortsKey, "COM3:");
  ASSERT_TRUE(value.has_value());
  EXPECT_EQ(value->type, win::REG_SZ);
  EXPECT_EQ(value->data, std::string("9600,n,8,1\0", 11));  // the zero counted
  EXPECT_TRUE(m.simUi().MessageBoxes().empty());
}

TEST_F(ComPortSettings, AMissingKeyIsSilentAndNeverCreated) {
  WriteComPortSettings(window.installation(), window, "COM3:");
  EXPECT_FALSE(m.reg().KeyExists(kHklm, kPortsKey));
  EXPECT_TRUE(m.simUi().MessageBoxes().empty());
}

TEST_F(ComPortSettings, AFailedWriteShowsTheApplicationBox) {
  m.reg().CreateKey(kHklm, kPortsKey);
  m.faults().Fail("RegSetValueExA", win::ERROR_ACCESS_DENIED);
  WriteComPortSettings(window.installation(), window, "COM3:");

  const auto boxes = m.simUi().MessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text,
            "Error\xA3\xBA"
            "Failed to set Registry");
  EXPECT_EQ(boxes[0].type, win::MB_OK | win::MB_ICONEXCLAMATION);
  EXPECT_EQ(boxes[0].owner, window.hwnd());
  EXPECT_EQ(boxes[0].caption, m.sys().ApplicationTitle());
}

class SerialPrompt : public ::testing::Test {
 protected:
  sim::SimMachine m;

  std::intptr_t Show(std::function<void(sim::UserActions&)> user) {
    m.simUi().Script(IDD_SERIAL_PROMPT, std::move(user));
    return ShowSerialPrompt(m, 0);
  }
};

TEST_F(SerialPrompt, OffersTheRatesWith19200Selected) {
  std::vector<std::string> items;
  int selected = -1;
  const std::intptr_t result = Show([&](sim::UserActions& u) {
    items = u.ComboItems(IDC_BAUD_RATE);
    selected = u.ComboSelection(IDC_BAUD_RATE);
    u.Click(IDC_PROMPT_YES);
  });
  EXPECT_EQ(items, (std::vector<std::string>{"300", "1200", "2400", "4800", "9600", "19200",
                                             "38400", "57600", "115200"}));
  EXPECT_EQ(selected, 5);
  EXPECT_EQ(result, 0x1205);
}

TEST_F(SerialPrompt, ResultsOfEachWayOut) {
  EXPECT_EQ(Show([](sim::UserActions& u) {
              u.SelectCombo(IDC_BAUD_RATE, 8);
              u.Click(IDC_PROMPT_YES);
            }),
            0x1208);
  EXPECT_EQ(Show([](sim::UserActions& u) { u.Click(IDC_PROMPT_NO); }), RESULT_CANCEL);
  EXPECT_EQ(Show([](sim::UserActions& u) { u.CloseBox(); }), win::IDCANCEL);
  EXPECT_EQ(Show([](sim::UserActions& u) { u.PressEscape(); }), win::IDCANCEL);
}

}  // namespace
