#include "install/spooler_control.h"
#include "checked_machine.h"

#include <gtest/gtest.h>

#include "platform/sim/sim_machine.h"
#include "platform/win_constants.h"

namespace {

// The service's state after a call, how often it was started and stopped,
// and how long the call polled.
struct Outcome {
  int32_t result;
  uint32_t state;
  int starts, stops;
  uint64_t sleptMs, queries;
};

Outcome Control(sim::SimMachine& m, int32_t mode) {
  const int32_t result = SpoolerControl(m, 0, "Spooler", mode);
  EXPECT_EQ(m.svc().OpenHandleCount(), 0u);
  return {result,
          m.svc().State("Spooler"),
          m.svc().Starts("Spooler"),
          m.svc().Stops("Spooler"),
          m.simClock().SleptMs(),
          m.faults().Calls("QueryServiceStatus")};
}

TEST(SpoolerControl, StartsStopsOrLeavesTheServiceByStateAndMode) {
  CheckedMachine running;
  const Outcome alone = Control(running, EnsureRunning);
  EXPECT_EQ(alone.result, 1);
  EXPECT_EQ(alone.starts + alone.stops, 0);
  EXPECT_EQ(alone.queries, 1u);
  EXPECT_EQ(alone.sleptMs, 0u);
  EXPECT_TRUE(running.simUi().MessageBoxes().empty());

  CheckedMachine restarted;
  restarted.svc().SetTransitionTimes("Spooler", 40, 100);
  const Outcome restart = Control(restarted, Restart);
  EXPECT_EQ(restart.result, 1);
  EXPECT_EQ(restart.stops, 1);
  EXPECT_EQ(restart.starts, 1);
  EXPECT_EQ(restart.state, win::SERVICE_RUNNING);
  EXPECT_GE(restart.sleptMs, 140u);

  for (int32_t mode : {EnsureRunning, Restart}) {
    SCOPED_TRACE(mode);
    CheckedMachine stopped;
    stopped.svc().SetState("Spooler", win::SERVICE_STOPPED);
    stopped.svc().SetTransitionTimes("Spooler", 300, 20);
    const Outcome start = Control(stopped, mode);
    EXPECT_EQ(start.result, 1);
    EXPECT_EQ(start.starts, 1);
    EXPECT_EQ(start.stops, 0);
    EXPECT_EQ(start.state, win::SERVICE_RUNNING);
    // The poll waited out the start in 5 ms steps, no longer than needed.
    EXPECT_GE(start.sleptMs, 300u);
    EXPECT_LE(start.sleptMs, 310u);
  }
}

// One query for the decision, then the poll's limit of a thousand.
TEST(SpoolerControl, AServiceStuckStoppingOrNeverRunningGivesZeroAfterThePollLimit) {
  CheckedMachine stuck;
  stuck.svc().SetHangsOnStop("Spooler");
  const Outcome stopping = Control(stuck, Restart);
  EXPECT_EQ(stopping.result, 0);
  EXPECT_EQ(stopping.stops, 1);
  EXPECT_EQ(stopping.starts, 0);
  EXPECT_EQ(stopping.queries, 1001u);
  EXPECT_EQ(stopping.sleptMs, 5000u);
  EXPECT_EQ(stopping.state, win::SERVICE_STOP_PENDING);

  CheckedMachine dead;
  dead.svc().SetState("Spooler", win::SERVICE_STOPPED);
  dead.faults().Fail("StartServiceA", win::ERROR_SERVICE_REQUEST_TIMEOUT);
  const Outcome never = Control(dead, EnsureRunning);
  EXPECT_EQ(never.result, 0);
  EXPECT_EQ(never.queries, 1001u);
  EXPECT_EQ(never.state, win::SERVICE_STOPPED);
}

// Without a known state nothing is touched, and the box is modal to the
// window whose operation asked.
TEST(SpoolerControl, UnknownStateTellsTheUserAndTouchesNothing) {
  constexpr platform::WindowId kAskingWindow = 0x4242;
  for (const char* call : {"OpenSCManagerA", "OpenServiceA", "QueryServiceStatus"}) {
    SCOPED_TRACE(call);
    CheckedMachine m;
    m.svc().SetState("Spooler", win::SERVICE_STOPPED);
    m.faults().Fail(call, win::ERROR_ACCESS_DENIED);
    EXPECT_EQ(SpoolerControl(m, kAskingWindow, "Spooler", Restart), 0);
    EXPECT_EQ(m.svc().Starts("Spooler") + m.svc().Stops("Spooler"), 0);
    EXPECT_EQ(m.svc().OpenHandleCount(), 0u);
    const auto boxes = m.simUi().MessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Service status is unknown");
    EXPECT_EQ(boxes[0].owner, kAskingWindow);
    EXPECT_EQ(boxes[0].caption, m.system().ApplicationTitle());
    EXPECT_EQ(boxes[0].type, win::MB_OK | win::MB_ICONINFORMATION);
  }
}

}  // namespace
