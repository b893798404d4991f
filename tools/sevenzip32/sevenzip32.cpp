// 7-zip32.dll: a small stand-in for the outside archive library, with the
// three entry points the installer calls and the one command it sends. It
// unpacks cabinet files through Windows' own cabinet.dll (FDI), refusing
// entry names that would land outside the destination folder.
#include <windows.h>
// fdi.h needs windows.h first.
#include <fcntl.h>
#include <fdi.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <type_traits>

#include "package/archive_entry.h"

typedef BOOL(CALLBACK* ArchiverProc)(HWND, UINT, UINT, LPVOID);

namespace {

// Windows' cabinet.dll, from the system folder by its full path: imported,
// it would be looked for beside the program that loads this library first,
// where anyone who can write there may have put their own. Loaded once and
// kept for the life of the process.
struct Cabinet {
  decltype(&FDICreate) create = nullptr;
  decltype(&FDICopy) copy = nullptr;
  decltype(&FDIDestroy) destroy = nullptr;
};

const Cabinet& CabinetFunctions() {
  static const Cabinet cabinet = [] {
    Cabinet c;
    char folder[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryA(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return c;
    HMODULE module = LoadLibraryA((std::string(folder, length) + "\\cabinet.dll").c_str());
    if (module == nullptr) return c;
    const auto find = [module](auto& pointer, const char* name) {
      pointer = reinterpret_cast<std::remove_reference_t<decltype(pointer)>>(
          reinterpret_cast<void*>(GetProcAddress(module, name)));
    };
    find(c.create, "FDICreate");
    find(c.copy, "FDICopy");
    find(c.destroy, "FDIDestroy");
    if (!c.create || !c.copy || !c.destroy) c = Cabinet{};
    return c;
  }();
  return cabinet;
}

// States passed to the progress callback, as archiver libraries of this
// family number them.
constexpr UINT kExtractBegin = 0;
constexpr UINT kExtractInProcess = 1;
constexpr UINT kExtractEnd = 2;

struct ExtractingInfo {
  DWORD fileSize;
  DWORD writeSize;
  char sourceFileName[MAX_PATH + 1];
  char destFileName[MAX_PATH + 1];
};

// One owner window and callback: the installer registers, extracts and
// unregisters on one thread.
CRITICAL_SECTION g_lock;
HWND g_owner = nullptr;
ArchiverProc g_callback = nullptr;

struct Extraction {
  std::string destination;  // ends in a backslash
  unsigned extracted = 0;
  unsigned refused = 0;
  bool writeFailed = false;
  bool cancelled = false;
  std::string firstProblem;
  HWND owner = nullptr;
  ArchiverProc callback = nullptr;
  UINT message = 0;
};

FNALLOC(Alloc) { return HeapAlloc(GetProcessHeap(), 0, cb); }
FNFREE(Free) { HeapFree(GetProcessHeap(), 0, pv); }

FNOPEN(Open) {
  (void)pmode;
  DWORD access = GENERIC_READ;
  DWORD disposition = OPEN_EXISTING;
  if (oflag & (_O_WRONLY | _O_RDWR)) access |= GENERIC_WRITE;
  if (oflag & _O_CREAT) disposition = (oflag & _O_TRUNC) ? CREATE_ALWAYS : OPEN_ALWAYS;
  HANDLE h = CreateFileA(pszFile, access, FILE_SHARE_READ, nullptr, disposition,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  return h == INVALID_HANDLE_VALUE ? -1 : reinterpret_cast<INT_PTR>(h);
}

FNREAD(Read) {
  DWORD done = 0;
  if (!ReadFile(reinterpret_cast<HANDLE>(hf), pv, cb, &done, nullptr)) return static_cast<UINT>(-1);
  return done;
}

FNWRITE(Write) {
  DWORD done = 0;
  if (!WriteFile(reinterpret_cast<HANDLE>(hf), pv, cb, &done, nullptr)) {
    return static_cast<UINT>(-1);
  }
  return done;
}

FNCLOSE(Close) { return CloseHandle(reinterpret_cast<HANDLE>(hf)) ? 0 : -1; }

FNSEEK(Seek) {
  DWORD method = FILE_BEGIN;
  if (seektype == SEEK_CUR) method = FILE_CURRENT;
  if (seektype == SEEK_END) method = FILE_END;
  const DWORD at = SetFilePointer(reinterpret_cast<HANDLE>(hf), dist, nullptr, method);
  return at == INVALID_SET_FILE_POINTER ? -1 : static_cast<__LONG32>(at);
}

uint32_t AttributesOf(const std::string& path) { return GetFileAttributesA(path.c_str()); }

bool IsLink(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// Creates every folder of `path` above its last name. False when one of them
// turns out to be a link: the path was checked before, but a link can appear
// in the meantime (in place of a folder that was missing then), and a folder
// created below it would be created wherever it points. Each folder is looked
// at before the next one is made inside it, so nothing is created through
// such a link; the file itself is checked once it is open (OpenTarget).
bool CreateParents(const std::string& path) {
  for (size_t i = 0; i < path.size(); ++i) {
    if (path[i] != '\\' || i == 0 || path[i - 1] == ':' || path[i - 1] == '\\') continue;
    const std::string folder = path.substr(0, i);
    CreateDirectoryA(folder.c_str(), nullptr);
    if (IsLink(folder)) return false;
  }
  return true;
}

// True when the open file `file` is the one at `meant`: no link on the way
// carried the open elsewhere. The final path comes from the handle, so no
// change of the folders after the open can fool it.
bool IsWhereMeant(HANDLE file, const std::string& meant) {
  char full[2 * MAX_PATH];
  const DWORD fullLength = GetFullPathNameA(meant.c_str(), sizeof full, full, nullptr);
  if (fullLength == 0 || fullLength >= sizeof full) return false;
  char final[2 * MAX_PATH];
  const DWORD finalLength =
      GetFinalPathNameByHandleA(file, final, sizeof final, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  if (finalLength == 0 || finalLength >= sizeof final) return false;
  const char* found = final;
  if (std::strncmp(found, "\\\\?\\", 4) == 0) found += 4;
  return _stricmp(found, full) == 0;
}

// Creates the file at `target` for writing, or returns INVALID_HANDLE_VALUE
// with `misplaced` telling a link on the way from any other failure.
// CREATE_NEW never opens what is already there (a file someone put in the
// way, or a link in its place, which FILE_FLAG_OPEN_REPARSE_POINT keeps from
// being followed), and a new file takes the access list of its folder. A
// file that was created somewhere else than meant is deleted again before a
// byte is written.
HANDLE OpenTarget(const std::string& target, bool& misplaced) {
  misplaced = false;
  HANDLE file = CreateFileA(target.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (file == INVALID_HANDLE_VALUE) return file;
  if (IsWhereMeant(file, target)) return file;
  FILE_DISPOSITION_INFO discard = {TRUE};
  SetFileInformationByHandle(file, FileDispositionInfo, &discard, sizeof discard);
  CloseHandle(file);
  misplaced = true;
  return INVALID_HANDLE_VALUE;
}

void Refuse(Extraction& x, const std::string& name) {
  ++x.refused;
  if (x.firstProblem.empty()) x.firstProblem = "refused entry: " + name;
}

bool Report(Extraction& x, UINT state, const std::string& source, const std::string& target,
            DWORD size) {
  if (x.callback == nullptr) return true;
  ExtractingInfo info = {};
  info.fileSize = size;
  info.writeSize = state == kExtractEnd ? size : 0;
  std::snprintf(info.sourceFileName, sizeof info.sourceFileName, "%s", source.c_str());
  std::snprintf(info.destFileName, sizeof info.destFileName, "%s", target.c_str());
  return x.callback(x.owner, x.message, state, &info) != FALSE;
}

FNFDINOTIFY(Notify) {
  Extraction& x = *static_cast<Extraction*>(pfdin->pv);
  switch (fdint) {
    case fdintCOPY_FILE: {
      const std::string name = pfdin->psz1 ? pfdin->psz1 : "";
      if (!IsSafeArchiveEntryAt(x.destination, name)) {
        Refuse(x, name);
        return 0;  // skip the entry
      }
      std::string target = x.destination + name;
      for (char& c : target) {
        if (c == '/') c = '\\';
      }
      // An existing junction or symbolic link on the way (C:\Ticket\x86 made
      // to point into the system folder) would carry the write out of the
      // destination as surely as a ".." in the name.
      if (CrossesLink(target, AttributesOf)) {
        Refuse(x, name);
        return 0;
      }
      if (!Report(x, kExtractInProcess, name, target, static_cast<DWORD>(pfdin->cb))) {
        x.cancelled = true;
        return -1;
      }
      if (!CreateParents(target)) {
        Refuse(x, name);
        return 0;
      }
      // The installer makes the destination's folders anew before it
      // unpacks: a file that is already there was put there by someone
      // else, and is neither overwritten nor used (-y notwithstanding).
      bool misplaced = false;
      HANDLE h = OpenTarget(target, misplaced);
      if (misplaced) {
        Refuse(x, name);
        return 0;
      }
      if (h == INVALID_HANDLE_VALUE) {
        x.writeFailed = true;
        if (x.firstProblem.empty()) x.firstProblem = "cannot create " + target;
        return 0;
      }
      return reinterpret_cast<INT_PTR>(h);
    }
    case fdintCLOSE_FILE_INFO: {
      HANDLE h = reinterpret_cast<HANDLE>(pfdin->hf);
      FILETIME local, utc;
      if (DosDateTimeToFileTime(pfdin->date, pfdin->time, &local) &&
          LocalFileTimeToFileTime(&local, &utc)) {
        SetFileTime(h, nullptr, nullptr, &utc);
      }
      CloseHandle(h);
      ++x.extracted;
      return TRUE;
    }
    case fdintNEXT_CABINET:
      return -1;  // packages are single cabinets
    default:
      return 0;
  }
}

void Say(LPSTR output, DWORD size, const std::string& text) {
  if (output == nullptr || size == 0) return;
  const size_t n = text.size() < size - 1 ? text.size() : size - 1;
  std::memcpy(output, text.data(), n);
  output[n] = '\0';
}

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) InitializeCriticalSection(&g_lock);
  if (reason == DLL_PROCESS_DETACH) DeleteCriticalSection(&g_lock);
  return TRUE;
}

BOOL WINAPI SevenZipSetOwnerWindowEx(HWND owner, ArchiverProc callback) {
  EnterCriticalSection(&g_lock);
  g_owner = owner;
  g_callback = callback;
  LeaveCriticalSection(&g_lock);
  return TRUE;
}

BOOL WINAPI SevenZipKillOwnerWindowEx(HWND owner) {
  EnterCriticalSection(&g_lock);
  const BOOL known = g_owner == owner;
  if (known) {
    g_owner = nullptr;
    g_callback = nullptr;
  }
  LeaveCriticalSection(&g_lock);
  return known;
}

int WINAPI SevenZip(HWND owner, LPCSTR commandLine, LPSTR output, DWORD outputSize) {
  ExtractCommand command;
  if (commandLine == nullptr || !ParseExtractCommand(commandLine, command)) {
    Say(output, outputSize, "unsupported command\r\n");
    return kArchiveBadCommand;
  }
  Extraction x;
  x.destination = command.destination;
  if (x.destination.back() != '\\' && x.destination.back() != '/') x.destination += '\\';
  x.owner = owner;
  EnterCriticalSection(&g_lock);
  if (g_owner == owner) x.callback = g_callback;
  LeaveCriticalSection(&g_lock);
  x.message = RegisterWindowMessageA("wm_arcextract");

  // FDI takes the cabinet as a folder (with its trailing backslash) and a
  // file name.
  std::string path = command.archive;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  const size_t slash = path.find_last_of('\\');
  std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  std::string file = slash == std::string::npos ? path : path.substr(slash + 1);

  ERF erf = {};
  const Cabinet& cabinet = CabinetFunctions();
  HFDI fdi = cabinet.create
                 ? cabinet.create(Alloc, Free, Open, Read, Write, Close, Seek, cpuUNKNOWN, &erf)
                 : nullptr;
  if (fdi == nullptr) {
    Say(output, outputSize, "cabinet support unavailable\r\n");
    return kArchiveUnreadable;
  }
  if (!Report(x, kExtractBegin, command.archive, x.destination, 0)) {
    cabinet.destroy(fdi);
    return kArchiveCancelled;
  }
  const BOOL copied = cabinet.copy(fdi, file.data(), folder.data(), 0, Notify, nullptr, &x);
  cabinet.destroy(fdi);
  Report(x, kExtractEnd, command.archive, x.destination, 0);

  char summary[96];
  std::snprintf(summary, sizeof summary, "%u extracted, %u refused\r\n", x.extracted, x.refused);
  Say(output, outputSize, summary + (x.firstProblem.empty() ? "" : x.firstProblem + "\r\n"));
  if (x.cancelled) return kArchiveCancelled;
  if (!copied) {
    const bool unreadable =
        erf.erfOper == FDIERROR_CABINET_NOT_FOUND || erf.erfOper == FDIERROR_NOT_A_CABINET ||
        erf.erfOper == FDIERROR_UNKNOWN_CABINET_VERSION || erf.erfOper == FDIERROR_CORRUPT_CABINET;
    return unreadable ? kArchiveUnreadable : kArchiveWriteFailed;
  }
  if (x.writeFailed) return kArchiveWriteFailed;
  if (x.refused != 0) return kArchiveUnsafeEntries;
  return 0;
}

}  // extern "C"
