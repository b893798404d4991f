// The program's entry point: the real machine, then the installer.
#include "platform/win32/win32_machine.h"
#include "shell/app.h"

int main() {
  std::unique_ptr<platform::Machine> machine = CreateWin32Machine();
  RunInstaller(*machine);
  return 0;
}
