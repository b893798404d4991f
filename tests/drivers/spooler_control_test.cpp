#include "drivers/spooler_control.h"

#include <gtest/gtest.h>

#include <tuple>

#include "checked_machine.h"
#include "platform/win_constants.h"

namespace {

// The result, the service's state after the call, how often it was started
// and stopped, the virtual milliseconds the poll slept and the status queries.
using Outcome = std::tuple<int32_t, uint32_t, int, int, uint64_t, uint64_t>;

Outcome Control(sim::SimMachine& m, int32_t mode, platform::WindowId owner = 0) {
  const int32_t result = SpoolerControl(m, owner, "Spooler", mode);
  return {result,
          m.svc().State("Spooler"),
          m.svc().Starts("Spooler"),
          m.svc().Stops("Spooler"),
          m.simClock().SleptMs(),
          m.faults().Calls("QueryServiceStatus")};
}

// The poll waits out a transition in 5 ms steps, at most one step longer than
// needed (a stop of 40 ms and a start of 100 ms take 150), and
// gives up after a thousand queries.
TEST(SpoolerControl, StartsStopsOrLeavesTheServiceByStateAndMode) {
  constexpr uint32_t kRunning = win::SERVICE_RUNNING;
  CheckedMachine running;
  EXPECT_EQ(Control(running, EnsureRunning), Outcome(1, kRunning, 0, 0, 0, 1));
  EXPECT_TRUE(running.simUi().MessageBoxes().empty());

  CheckedMachine restarted;
  restarted.svc().SetTransitionTimes("Spooler", 40, 100);
  EXPECT_EQ(Control(restarted, Restart), Outcome(1, kRunning, 1, 1, 150, 31));

  for (int32_t mode : {EnsureRunning, Restart}) {
    CheckedMachine stopped;
    stopped.svc().SetState("Spooler", win::SERVICE_STOPPED);
    stopped.svc().SetTransitionTimes("Spooler", 300, 20);
    EXPECT_EQ(Control(stopped, mode), Outcome(1, kRunning, 1, 0, 305, 62)) << mode;
  }

  CheckedMachine stuck;
  stuck.svc().SetHangsOnStop("Spooler");
  EXPECT_EQ(Control(stuck, Restart), Outcome(0, win::SERVICE_STOP_PENDING, 0, 1, 5000, 1001));

  CheckedMachine dead;
  dead.svc().SetState("Spooler", win::SERVICE_STOPPED);
  dead.faults().Fail("StartServiceA", win::ERROR_SERVICE_REQUEST_TIMEOUT);
  EXPECT_EQ(Control(dead, EnsureRunning), Outcome(0, win::SERVICE_STOPPED, 0, 0, 5000, 1001));

  // Without a known state nothing is touched, and the box is modal to the
  // window whose operation asked.
  CheckedMachine unknown;
  unknown.svc().SetState("Spooler", win::SERVICE_STOPPED);
  unknown.faults().Fail("OpenServiceA", win::ERROR_ACCESS_DENIED);
  EXPECT_EQ(Control(unknown, Restart, 0x4242), Outcome(0, win::SERVICE_STOPPED, 0, 0, 0, 0));
  const auto boxes = unknown.simUi().MessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "Service status is unknown");
  EXPECT_EQ(boxes[0].owner, 0x4242u);
  EXPECT_EQ(boxes[0].caption, unknown.system().ApplicationTitle());
  EXPECT_EQ(boxes[0].type, win::MB_OK | win::MB_ICONINFORMATION);
}

}  // namespace
