#include "ports/serial_probe.h"

#include <gtest/gtest.h>

#include "checked_machine.h"

#include "platform/win_constants.h"
#include "resources/resource.h"
#include "shell/main_window.h"

namespace {

TEST(ParseComPortNumber, ReadsTheDigitsBeforeTheFirstColon) {
  const std::pair<std::string, int> cases[] = {{"COM12:", 12}, {"COM105:", 105}, {"COM4:5:", 4},
                                               {"COM7", 0},    {"COM:", 0},      {"", 0}};
  for (const auto& [entry, number] : cases) EXPECT_EQ(ParseComPortNumber(entry), number) << entry;
}

// The value is only written into a key that exists; a failed write is told.
// What is written the search tests show.
TEST(ComPortSettings, NeedTheirKeyAndAFailedWriteIsTold) {
  const std::string ports = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Ports";
  CheckedMachine m;
  MainWindow window{m, 0};
  WriteComPortSettings(window.installation(), window, "COM3:");
  EXPECT_FALSE(m.reg().KeyExists(platform::kHkeyLocalMachine, ports));

  m.reg().CreateKey(platform::kHkeyLocalMachine, ports);
  m.faults().Fail("RegSetValueExA", win::ERROR_ACCESS_DENIED);
  WriteComPortSettings(window.installation(), window, "COM3:");
  const auto boxes = m.simUi().MessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text,
            "Error\xA3\xBA"
            "Failed to set Registry");
  EXPECT_EQ(boxes[0].type, win::MB_OK | win::MB_ICONEXCLAMATION);
  EXPECT_EQ(boxes[0].caption, m.sys().ApplicationTitle());
}

}  // namespace
