/* A placeholder DLL for the Wine tests, real enough to be loaded:
 *  - as lbxmonNT.dll, the test package's language monitor: the spooler loads
 *    it when the monitor is added, and it refuses every port (the installer
 *    only copies and registers the label driver's monitor);
 *  - as 7-zip32.dll, an archive library whose extraction faults with an
 *    access violation, which the installer must survive. */
#include <windows.h>
#include <winspool.h>
// After winspool.h, whose types it uses.
#include <winsplp.h>

static BOOL WINAPI OpenPortEx(HANDLE monitor, HANDLE monitorPort, LPWSTR portName,
                              LPWSTR printerName, PHANDLE port, MONITOR2* portMonitor) {
  (void)monitor, (void)monitorPort, (void)portName, (void)printerName, (void)portMonitor;
  *port = NULL;
  SetLastError(ERROR_NOT_SUPPORTED);
  return FALSE;
}

static VOID WINAPI Shutdown(HANDLE monitor) { (void)monitor; }

static MONITOR2 monitorTable;

__declspec(dllexport) LPMONITOR2 WINAPI
    InitializePrintMonitor2(PMONITORINIT init, PHANDLE monitor) {
  (void)init;
  monitorTable.cbSize = sizeof(MONITOR2);
  monitorTable.pfnOpenPortEx = OpenPortEx;
  monitorTable.pfnShutdown = Shutdown;
  *monitor = (HANDLE)&monitorTable;
  return &monitorTable;
}

__declspec(dllexport) BOOL WINAPI SevenZipSetOwnerWindowEx(HWND owner, void* callback) {
  (void)owner, (void)callback;
  return TRUE;
}

__declspec(dllexport) BOOL WINAPI SevenZipKillOwnerWindowEx(HWND owner) {
  (void)owner;
  return TRUE;
}

__declspec(dllexport) int WINAPI SevenZip(HWND owner, LPCSTR command, LPSTR output, DWORD size) {
  (void)owner, (void)command, (void)output, (void)size;
  volatile int* volatile nowhere = NULL;
  *nowhere = 1;
  return 0;
}
