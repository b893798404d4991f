// Drives 7-zip32.dll the way the installer does: loads it by bare name,
// registers an owner callback, sends the extraction command and unregisters.
//   sevenzip32_check ARCHIVE DESTINATION
// Prints the library's result, the number of callback calls and its output
// text; the exit status is the library's result (125 when it cannot load).
#include <windows.h>

#include <cstdio>

typedef BOOL(CALLBACK* ArchiverProc)(HWND, UINT, UINT, LPVOID);
typedef int(WINAPI* SevenZipFn)(HWND, LPCSTR, LPSTR, DWORD);
typedef BOOL(WINAPI* SetOwnerFn)(HWND, ArchiverProc);
typedef BOOL(WINAPI* KillOwnerFn)(HWND);

static int g_callbacks = 0;

static BOOL CALLBACK Count(HWND, UINT, UINT, LPVOID info) {
  if (info != nullptr) ++g_callbacks;
  return TRUE;
}

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: sevenzip32_check ARCHIVE DESTINATION\n");
    return 124;
  }
  HMODULE dll = LoadLibraryA("7-zip32.dll");
  if (dll == nullptr) {
    std::printf("load failed %lu\n", GetLastError());
    return 125;
  }
  auto sevenZip =
      reinterpret_cast<SevenZipFn>(reinterpret_cast<void*>(GetProcAddress(dll, "SevenZip")));
  auto setOwner = reinterpret_cast<SetOwnerFn>(
      reinterpret_cast<void*>(GetProcAddress(dll, "SevenZipSetOwnerWindowEx")));
  auto killOwner = reinterpret_cast<KillOwnerFn>(
      reinterpret_cast<void*>(GetProcAddress(dll, "SevenZipKillOwnerWindowEx")));
  if (!sevenZip || !setOwner || !killOwner) {
    std::printf("missing export\n");
    return 125;
  }
  HWND owner = GetDesktopWindow();
  char command[1024];
  std::snprintf(command, sizeof command, "x -y \"%s\" -o\"%s\" -hide", argv[1], argv[2]);
  static char output[16385];
  setOwner(owner, Count);
  const int result = sevenZip(owner, command, output, 16384);
  const BOOL killed = killOwner(owner);
  FreeLibrary(dll);
  std::printf("result %d\ncallbacks %d\nkilled %d\n%s", result, g_callbacks, killed ? 1 : 0,
              output);
  return result;
}
