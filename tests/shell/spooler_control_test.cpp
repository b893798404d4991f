#include "shell/spooler_control.h"

#include <gtest/gtest.h>

#include "platform/sim/sim_machine.h"
#include "platform/win_constants.h"

namespace {

class SpoolerControlTest : public ::testing::Test {
 protected:
  uint64_t Queries() { return m.faults().Calls("QueryServiceStatus"); }

  sim::SimMachine m;
};

TEST_F(SpoolerControlTest, RunningServiceWithEnsureRunningIsLeftAlone) {
  EXPECT_EQ(SpoolerControl(m, 0, "Spooler", EnsureRunning), 1);
  EXPECT_EQ(m.svc().Starts("Spooler"), 0);
  EXPECT_EQ(m.svc().Stops("Spooler"), 0);
  EXPECT_EQ(Queries(), 1u);
  EXPECT_EQ(m.simClock().SleptMs(), 0u);
  EXPECT_EQ(m.svc().OpenHandleCount(), 0u);
  EXPECT_TRUE(m.simUi().MessageBoxes().empty());
}

TEST_F(SpoolerControlTest, StoppedServiceIsStartedOnceInEitherMode) {
  for (int32_t mode : {EnsureRunning, Restart}) {
    SCOPED_TRACE(mode);
    sim::SimMachine machine;
    machine.svc().SetState("Spooler", win::SERVICE_STOPPED);
    machine.svc().SetTransitionTimes("Spooler", 300, 20);
    EXPECT_EQ(SpoolerControl(machine, 0, "Spooler", mode), 1);
    EXPECT_EQ(machine.svc().Starts("Spooler"), 1);
    EXPECT_EQ(machine.svc().Stops("Spooler"), 0);
    EXPECT_EQ(machine.svc().State("Spooler"), win::SERVICE_RUNNING);
    // The poll waited out the start in 5 ms steps, no longer than needed.
    EXPECT_GE(machine.simClock().SleptMs(), 300u);
    EXPECT_LE(machine.simClock().SleptMs(), 310u);
    EXPECT_EQ(machine.svc().OpenHandleCount(), 0u);
  }
}

TEST_F(SpoolerControlTest, RestartStopsThenStartsARunningService) {
  m.svc().SetTransitionTimes("Spooler", 40, 100);
  EXPECT_EQ(SpoolerControl(m, 0, "Spooler", Restart), 1);
  EXPECT_EQ(m.svc().Stops("Spooler"), 1);
  EXPECT_EQ(m.svc().Starts("Spooler"), 1);
  EXPECT_EQ(m.svc().State("Spooler"), win::SERVICE_RUNNING);
  EXPECT_GE(m.simClock().SleptMs(), 140u);
  EXPECT_EQ(m.svc().OpenHandleCount(), 0u);
}

TEST_F(SpoolerControlTest, AnyModeOtherThanEnsureRunningRestarts) {
  EXPECT_EQ(SpoolerControl(m, 0, "Spooler", 7), 1);
  EXPECT_EQ(m.svc().Stops("Spooler"), 1);
  EXPECT_EQ(m.svc().Starts("Spooler"), 1);
}

TEST_F(SpoolerControlTest, ServiceStuckStoppingIsNotStartedAfterAThousandQueries) {
  m.svc().SetHangsOnStop("Spooler");
  EXPECT_EQ(SpoolerControl(m, 0, "Spooler", Restart), 0);
  EXPECT_EQ(m.svc().Stops("Spooler"), 1);
  EXPECT_EQ(m.svc().Starts("Spooler"), 0);
  // One query for the decision, then the poll's limit.
  EXPECT_EQ(Queries(), 1001u);
  EXPECT_EQ(m.simClock().SleptMs(), 5000u);
  EXPECT_EQ(m.svc().State("Spooler"), win::SERVICE_STOP_PENDING);
  EXPECT_EQ(m.svc().OpenHandleCount(), 0u);
}

TEST_F(SpoolerControlTest, ServiceThatNeverRunsGivesZeroAfterThePollLimit) {
  m.svc().SetState("Spooler", win::SERVICE_STOPPED);
  m.faults().Fail("StartServiceA", win::ERROR_SERVICE_REQUEST_TIMEOUT);
  EXPECT_EQ(SpoolerControl(m, 0, "Spooler", EnsureRunning), 0);
  EXPECT_EQ(Queries(), 1001u);
  EXPECT_EQ(m.svc().State("Spooler"), win::SERVICE_STOPPED);
}

TEST_F(SpoolerControlTest, PendingStateCountsAsNotStoppedForEnsureRunning) {
  m.svc().SetTransitionTimes("Spooler", 500, 20);
  m.svc().SetState("Spooler", win::SERVICE_STOPPED);
  platform::ServiceManager& services = m.services();
  const platform::ServiceHandle manager =
      services.OpenSCManagerA("ServicesActive", win::SC_MANAGER_ALL_ACCESS);
  const platform::ServiceHandle service =
      services.OpenServiceA(manager, "Spooler", win::SERVICE_ALL_ACCESS);
  ASSERT_TRUE(services.StartServiceA(service));
  services.CloseServiceHandle(service);
  services.CloseServiceHandle(manager);
  ASSERT_EQ(m.svc().State("Spooler"), win::SERVICE_START_PENDING);
  const int startsBefore = m.svc().Starts("Spooler");
  EXPECT_EQ(SpoolerControl(m, 0, "Spooler", EnsureRunning), 1);
  EXPECT_EQ(m.svc().Starts("Spooler"), startsBefore);
}

TEST_F(SpoolerControlTest, FailedFirstQueryTellsTheUserAndTouchesNothing) {
  m.svc().SetState("Spooler", win::SERVICE_STOPPED);
  m.faults().Fail("QueryServiceStatus", win::ERROR_ACCESS_DENIED);
  // The box is modal to the window whose operation asked.
  constexpr platform::WindowId kAskingWindow = 0x4242;
  EXPECT_EQ(SpoolerControl(m, kAskingWindow, "Spooler", EnsureRunning), 0);
  EXPECT_EQ(m.svc().Starts("Spooler"), 0);
  const auto boxes = m.simUi().MessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "Service status is unknown");
  EXPECT_EQ(boxes[0].owner, kAskingWindow);
  EXPECT_EQ(boxes[0].caption, m.system().ApplicationTitle());
  EXPECT_EQ(boxes[0].buttons(), win::MB_OK);
  EXPECT_EQ(boxes[0].icon(), win::MB_ICONINFORMATION);
  EXPECT_EQ(m.svc().OpenHandleCount(), 0u);
}

TEST_F(SpoolerControlTest, UnopenableManagerOrServiceShowsTheMessageAndGivesZero) {
  for (const char* call : {"OpenSCManagerA", "OpenServiceA"}) {
    SCOPED_TRACE(call);
    sim::SimMachine machine;
    machine.faults().Fail(call, win::ERROR_ACCESS_DENIED);
    EXPECT_EQ(SpoolerControl(machine, 0, "Spooler", Restart), 0);
    EXPECT_EQ(machine.svc().Stops("Spooler"), 0);
    EXPECT_EQ(machine.svc().Starts("Spooler"), 0);
    ASSERT_EQ(machine.simUi().MessageBoxes().size(), 1u);
    EXPECT_EQ(machine.simUi().MessageBoxes()[0].text, "Service status is unknown");
    EXPECT_EQ(machine.svc().OpenHandleCount(), 0u);
  }
}

}  // namespace
