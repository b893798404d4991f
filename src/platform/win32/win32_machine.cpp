#include "platform/win32/win32_machine.h"

#include "platform/win32/win32_backends.h"
// After windows.h, which it needs.
#include <commctrl.h>

std::unique_ptr<platform::Machine> CreateWin32Machine() {
  // The dialog templates use list views and progress bars, which exist only
  // once the common controls are registered.
  INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX),
                                ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&controls);
  return std::make_unique<platform::win32::Win32Machine>();
}
