// The program's entry point: the library search made safe, the real
// machine, then the installer. The C runtime splits the command line (quotes
// around values with blanks gone).
#include "platform/win32/win32_machine.h"
#include "shell/app.h"

int main(int argc, char** argv) {
  RestrictLibrarySearch();
  std::unique_ptr<platform::Machine> machine = CreateWin32Machine();
  return RunInstaller(*machine, std::vector<std::string>(argv + 1, argv + argc));
}
