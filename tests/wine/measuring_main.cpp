// The entry point of the installer's measuring build (driver_setup_steps.exe):
// the installer on the timed machine.
#include "shell/app.h"
#include "timed_machine.h"

int main() {
  std::unique_ptr<platform::Machine> machine = CreateTimedMachine();
  RunInstaller(*machine);
  return 0;
}
