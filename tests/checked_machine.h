// A simulated machine that, when a test is done with it, checks what every
// run of the installer must leave behind: no registry key, service, printer,
// find, token or port handle open, no timer set, no dialog left, no thread
// running, the archive library unloaded, no progress bar ever outside 0..100,
// and no call the window system refused.
#pragma once

#include <gtest/gtest.h>

#include "platform/sim/sim_machine.h"

class CheckedMachine : public sim::SimMachine {
 public:
  using sim::SimMachine::SimMachine;
  ~CheckedMachine() {
    EXPECT_EQ(Leftovers(), "");
    EXPECT_TRUE(simUi().Errors().empty()) << simUi().Dump();
  }
};
