// The dialog of the start-up benchmark's programs (bench_dialog.rc): the
// installer's size and main controls, ended by Cancel, the Install button or
// the close box, and the clock both the limit and the installer's measuring
// build read.
#pragma once

#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

namespace bench {

constexpr int kDialog = 100;
constexpr int kButton = 1012;

// What runs at WM_INITDIALOG (see RunDialog).
inline void (*onInitDialog)(HWND dialog) = nullptr;

inline INT_PTR CALLBACK Procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      if (onInitDialog != nullptr) onInitDialog(dialog);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDCANCEL || LOWORD(wParam) == kButton) EndDialog(dialog, 0);
      return TRUE;
    case WM_CLOSE:
      EndDialog(dialog, 0);
      return TRUE;
    default:
      return FALSE;
  }
}

// Runs the dialog modally; `onInit` runs at WM_INITDIALOG with its window.
inline void RunDialog(void (*onInit)(HWND dialog)) {
  onInitDialog = onInit;
  INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX),
                                ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(kDialog), nullptr, &Procedure, 0);
}

// The time since the process was created, in milliseconds.
inline double SinceCreation() {
  FILETIME created, exited, kernel, user, now;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  GetSystemTimeAsFileTime(&now);
  ULARGE_INTEGER from{}, to{};
  from.LowPart = created.dwLowDateTime;
  from.HighPart = created.dwHighDateTime;
  to.LowPart = now.dwLowDateTime;
  to.HighPart = now.dwHighDateTime;
  return static_cast<double>(to.QuadPart - from.QuadPart) / 10000.0;
}

}  // namespace bench
