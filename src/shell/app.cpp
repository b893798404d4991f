#include "shell/app.h"

#include "resources/resource.h"
#include "shell/main_window.h"

int RunInstaller(platform::Machine& machine) {
  // Registered before any window exists: the window's first refresh uses it.
  const uint32_t updateMessage = machine.ui().RegisterWindowMessageA("MyUpdateData");
  MainWindow window(machine, updateMessage);
  machine.ui().DialogBoxParamA(IDD_MAIN, 0, window);
  return 0;
}
