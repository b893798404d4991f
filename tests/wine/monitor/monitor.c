/* A language-monitor placeholder for the Wine test package: a real DLL that
 * the spooler can load when the monitor is added, and that refuses every port
 * operation. It stands in for the label driver's language monitor, which the
 * installer only copies and registers. */
#include <windows.h>
#include <winspool.h>
// After winspool.h, whose types it uses.
#include <winsplp.h>

static BOOL WINAPI OpenPortEx(HANDLE monitor, HANDLE monitorPort, LPWSTR portName,
                              LPWSTR printerName, PHANDLE port, MONITOR2* portMonitor) {
  (void)monitor;
  (void)monitorPort;
  (void)portName;
  (void)printerName;
  (void)portMonitor;
  *port = NULL;
  SetLastError(ERROR_NOT_SUPPORTED);
  return FALSE;
}

static VOID WINAPI Shutdown(HANDLE monitor) { (void)monitor; }

static MONITOR2 monitorTable;

static void FillTable(void) {
  monitorTable.cbSize = sizeof(MONITOR2);
  monitorTable.pfnOpenPortEx = OpenPortEx;
  monitorTable.pfnShutdown = Shutdown;
}

__declspec(dllexport) LPMONITOR2 WINAPI InitializePrintMonitor2(PMONITORINIT init, PHANDLE monitor) {
  (void)init;
  FillTable();
  *monitor = (HANDLE)&monitorTable;
  return &monitorTable;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  (void)reserved;
  if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
  return TRUE;
}
