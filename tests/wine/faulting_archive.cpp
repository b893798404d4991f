// A stand-in for the outside archive library whose extraction faults with
// an access violation, to show that the installer survives a library that
// crashes. Exports the three functions the installer looks up.
#include <windows.h>

extern "C" {

__declspec(dllexport) BOOL WINAPI SevenZipSetOwnerWindowEx(HWND, void*) { return TRUE; }

__declspec(dllexport) BOOL WINAPI SevenZipKillOwnerWindowEx(HWND) { return TRUE; }

__declspec(dllexport) int WINAPI SevenZip(HWND, LPCSTR, LPSTR, DWORD) {
  volatile int* volatile nowhere = nullptr;
  *nowhere = 1;
  return 0;
}
}
