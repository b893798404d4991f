// Drives and inspects the installer's windows from outside, as a console
// program in its prefix: one command a run, as used by lib.sh and bench.sh.
// TITLE is a visible top-level window's exact title, ID a control of it, MS
// a timeout; texts are printed in UTF-8, list rows as S|- (selected) F|-
// (focused) and the column texts, TAB-separated. Exit code 0 on success, 1 on
// a failed query, 2 when a wait timed out, 3 on bad usage.
#include <windows.h>
// After windows.h, which they need.
#include <commctrl.h>
#include <shellapi.h>
#include <winspool.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kFailed = 1;
constexpr int kTimedOut = 2;
constexpr int kUsage = 3;
constexpr int kTextChars = 1024;

int Print(const std::wstring& text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, utf8.data(), size, nullptr, nullptr);
  std::printf("%s\n", utf8.c_str());
  return 0;
}

int PrintNumber(long long value) { return Print(std::to_wstring(value)); }

std::wstring WindowText(HWND window) {
  // Marshalled across processes by the system; a hung window gives "".
  wchar_t buffer[kTextChars] = {};
  DWORD_PTR copied = 0;
  SendMessageTimeoutW(window, WM_GETTEXT, kTextChars, reinterpret_cast<LPARAM>(buffer), SMTO_NORMAL,
                      2000, &copied);
  return std::wstring(buffer, copied);
}

using Search = std::pair<const std::wstring*, HWND>;

BOOL CALLBACK MatchTitle(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<Search*>(context);
  wchar_t buffer[kTextChars] = {};
  GetWindowTextW(window, buffer, kTextChars);
  if (!IsWindowVisible(window) || *search->first != buffer) return TRUE;
  search->second = window;
  return FALSE;
}

HWND FindTopLevel(const std::wstring& title) {
  Search search{&title, nullptr};
  EnumWindows(&MatchTitle, reinterpret_cast<LPARAM>(&search));
  return search.second;
}

HWND FindControl(const std::wstring& title, const std::wstring& id) {
  HWND window = FindTopLevel(title);
  return window ? GetDlgItem(window, std::stoi(id)) : nullptr;
}

bool ControlEnabled(const std::wstring& title, const std::wstring& id) {
  HWND control = FindControl(title, id);
  return control != nullptr && IsWindowEnabled(control);
}

double Now() {
  LARGE_INTEGER frequency, counter;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&counter);
  return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Polls until `condition` holds: 0, or kTimedOut after `timeoutMs`. With
// `start`, polls every 2 ms and prints the milliseconds since then when it
// holds.
template <typename Condition>
int WaitFor(Condition condition, const std::wstring& timeoutMs, double start = -1) {
  const bool timed = start >= 0;
  if (!timed) start = Now();
  for (;;) {
    const bool held = condition();
    const double elapsed = Now() - start;
    if (held) return timed ? PrintNumber(static_cast<long long>(elapsed + 0.5)) : 0;
    if (elapsed >= std::stod(timeoutMs)) return kTimedOut;
    Sleep(timed ? 2 : 50);
  }
}

void Activate(HWND window) {
  ShowWindow(window, SW_RESTORE);
  SetForegroundWindow(window);
  SetActiveWindow(window);
}

// Sends a message whose argument points to `item` in the process that owns
// `window` (list views and headers are not marshalled); with `text`, the
// item's text buffer lies there too and is read back into it.
template <typename Item>
LRESULT SendRemote(HWND window, UINT message, WPARAM wParam, Item& item,
                   std::wstring* text = nullptr) {
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  HANDLE process =
      OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId);
  if (process == nullptr) return 0;
  const size_t size = sizeof(Item) + kTextChars * sizeof(wchar_t);
  auto* remote = static_cast<char*>(
      VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
  LRESULT result = 0;
  if (remote != nullptr) {
    if (text != nullptr) {
      item.pszText = reinterpret_cast<LPWSTR>(remote + sizeof(Item));
      item.cchTextMax = kTextChars;
    }
    std::vector<wchar_t> buffer(kTextChars + 1, L'\0');
    WriteProcessMemory(process, remote, &item, sizeof(Item), nullptr);
    result = SendMessageW(window, message, wParam, reinterpret_cast<LPARAM>(remote));
    ReadProcessMemory(process, remote, &item, sizeof(Item), nullptr);
    ReadProcessMemory(process, remote + sizeof(Item), buffer.data(), kTextChars * sizeof(wchar_t),
                      nullptr);
    if (text != nullptr) *text = buffer.data();
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  }
  CloseHandle(process);
  return result;
}

std::wstring ComboItem(HWND combo, WPARAM index) {
  // The W form: across processes Wine's ANSI form returns the UTF-16 text.
  std::vector<wchar_t> text(SendMessageW(combo, CB_GETLBTEXTLEN, index, 0) + 2, L'\0');
  SendMessageW(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text.data()));
  return text.data();
}

int Run(const std::vector<std::wstring>& a) {
  if (a.empty()) return kUsage;
  const std::wstring& command = a[0];
  if (command == L"printers" || command == L"drivers" || command == L"monitors") {
    // Twice: the size, then the records.
    std::wstring environment = a.size() > 1 ? a[1] : L"";
    DWORD needed = 0, count = 0;
    std::vector<BYTE> buffer(1);
    BOOL listed = FALSE;
    for (int pass = 0; pass < 2; buffer.resize(needed + 1), ++pass) {
      if (command == L"printers") {
        listed = EnumPrintersW(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, nullptr, 2,
                               buffer.data(), needed, &needed, &count);
      } else if (command == L"drivers") {
        listed = EnumPrinterDriversW(nullptr, environment.data(), 1, buffer.data(), needed, &needed,
                                     &count);
      } else {
        listed = EnumMonitorsW(nullptr, 1, buffer.data(), needed, &needed, &count);
      }
    }
    if (!listed) return kFailed;
    for (DWORD i = 0; i < count; ++i) {
      // DRIVER_INFO_1W and MONITOR_INFO_1W are both just the name.
      const auto* p = reinterpret_cast<PRINTER_INFO_2W*>(buffer.data()) + i;
      const auto* name = reinterpret_cast<DRIVER_INFO_1W*>(buffer.data()) + i;
      Print(command == L"printers"
                ? std::wstring(p->pPrinterName) + L"\t" + p->pPortName + L"\t" + p->pDriverName
                : std::wstring(name->pName));
    }
    return 0;
  }
  if (a.size() < 2) return kUsage;
  if (command == L"add-driver" && a.size() >= 4) {
    // add-driver ENVIRONMENT NAME FILE: registers NAME with FILE as its every
    // file, for printers whose creation looks the driver up there.
    DRIVER_INFO_3W info{};
    info.cVersion = 3;
    info.pName = const_cast<wchar_t*>(a[2].c_str());
    info.pEnvironment = const_cast<wchar_t*>(a[1].c_str());
    info.pDriverPath = info.pDataFile = info.pConfigFile = const_cast<wchar_t*>(a[3].c_str());
    return AddPrinterDriverExW(nullptr, 3, reinterpret_cast<BYTE*>(&info), APD_COPY_ALL_FILES)
               ? 0
               : kFailed;
  }
  if (command == L"launch" && a.size() >= 6) {
    // The program must not inherit this driver's output: whoever reads it
    // would wait for the program's end.
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    PROCESS_INFORMATION process{};
    std::wstring commandLine = L"\"" + a[1] + L"\"";
    const double start = Now();
    if (!CreateProcessW(a[1].c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        a[2].c_str(), &startup, &process)) {
      return kFailed;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return WaitFor([&] { return ControlEnabled(a[3], a[4]); }, a[5], start);
  }
  if (command == L"close" || command == L"owner") {
    HWND window = FindTopLevel(a[1]);
    if (window == nullptr) return kFailed;
    if (command == L"close") return PostMessageW(window, WM_CLOSE, 0, 0) ? 0 : kFailed;
    // A modal box disables its owner.
    HWND owner = GetWindow(window, GW_OWNER);
    if (owner == nullptr) return Print(L"none");
    return Print(WindowText(owner) + (IsWindowEnabled(owner) ? L"\tenabled" : L"\tdisabled"));
  }
  if (a.size() < 3) return kUsage;
  if (command == L"wait-window" || command == L"wait-gone") {
    return WaitFor([&] { return (FindTopLevel(a[1]) != nullptr) == (command == L"wait-window"); },
                   a[2]);
  }
  if (command == L"wait-enabled" && a.size() >= 4) {
    return WaitFor([&] { return ControlEnabled(a[1], a[2]); }, a[3]);
  }
  if (command == L"wait-text" && a.size() >= 5) {
    return WaitFor(
        [&] {
          HWND control = FindControl(a[1], a[2]);
          return control != nullptr && WindowText(control) == a[3];
        },
        a[4]);
  }
  // Everything else names a control of a window.
  HWND window = FindTopLevel(a[1]);
  HWND control = window ? GetDlgItem(window, std::stoi(a[2])) : nullptr;
  if (control == nullptr) return kFailed;
  if (command == L"text") return Print(WindowText(control));
  if (command == L"enabled") return PrintNumber(IsWindowEnabled(control) ? 1 : 0);
  if (command == L"checked") return PrintNumber(SendMessageW(control, BM_GETCHECK, 0, 0));
  if (command == L"progress") return PrintNumber(SendMessageW(control, PBM_GETPOS, 0, 0));
  if (command == L"combo-sel") return PrintNumber(SendMessageW(control, CB_GETCURSEL, 0, 0));
  if (command == L"click" || command == L"post-click") {
    Activate(window);
    if (command == L"post-click") return PostMessageW(control, BM_CLICK, 0, 0) ? 0 : kFailed;
    DWORD_PTR result = 0;
    SendMessageTimeoutW(control, BM_CLICK, 0, 0, SMTO_NORMAL, 2000, &result);
    return 0;
  }
  if (command == L"timed-click" && a.size() >= 6) {
    HWND text = GetDlgItem(window, std::stoi(a[3]));
    if (text == nullptr) return kFailed;
    Activate(window);
    const double start = Now();
    PostMessageW(control, BM_CLICK, 0, 0);
    return WaitFor(
        [&] {
          // The text the system keeps for the control, read without a
          // message: the installer's thread is busy with the installation.
          wchar_t shown[kTextChars] = {};
          GetWindowTextW(text, shown, kTextChars);
          return a[4] == shown;
        },
        a[5], start);
  }
  if (command == L"list-columns" || command == L"list-rows") {
    auto header = reinterpret_cast<HWND>(SendMessageW(control, LVM_GETHEADER, 0, 0));
    if (header == nullptr) return kFailed;
    const auto columns = static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
    if (command == L"list-columns") {
      for (int i = 0; i < columns; ++i) {
        HDITEMW item{};
        item.mask = HDI_TEXT | HDI_WIDTH;
        std::wstring text;
        SendRemote(header, HDM_GETITEMW, i, item, &text);
        Print(text + L"\t" + std::to_wstring(item.cxy));
      }
      return 0;
    }
    const auto rows = static_cast<int>(SendMessageW(control, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < rows; ++row) {
      const auto state = SendMessageW(control, LVM_GETITEMSTATE, row, LVIS_SELECTED | LVIS_FOCUSED);
      std::wstring line = (state & LVIS_SELECTED) ? L"S" : L"-";
      line += (state & LVIS_FOCUSED) ? L"F" : L"-";
      for (int column = 0; column < (columns < 1 ? 1 : columns); ++column) {
        LVITEMW item{};
        item.iSubItem = column;
        std::wstring text;
        SendRemote(control, LVM_GETITEMTEXTW, row, item, &text);
        line += L"\t" + text;
      }
      Print(line);
    }
    return 0;
  }
  if (command == L"list-select" && a.size() >= 4) {
    LVITEMW item{};
    item.stateMask = item.state = LVIS_SELECTED | LVIS_FOCUSED;
    return SendRemote(control, LVM_SETITEMSTATE, std::stoi(a[3]), item) ? 0 : kFailed;
  }
  const auto items = static_cast<int>(SendMessageW(control, CB_GETCOUNT, 0, 0));
  if (command == L"combo-items") {
    for (int i = 0; i < items; ++i) Print(ComboItem(control, i));
    return 0;
  }
  if (command == L"combo-select" && a.size() >= 4) {
    // CB_SELECTSTRING would match a prefix, ignoring case.
    for (int i = 0; i < items; ++i) {
      if (ComboItem(control, i) != a[3]) continue;
      SendMessageW(control, CB_SETCURSEL, i, 0);
      SendMessageW(window, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), CBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(control));
      return 0;
    }
    return kFailed;
  }
  return kUsage;
}

}  // namespace

int main() {
  _setmode(_fileno(stdout), _O_BINARY);
  int count = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
  const int result = Run(std::vector<std::wstring>(argv + 1, argv + count));
  LocalFree(argv);
  std::fflush(stdout);
  return result;
}
