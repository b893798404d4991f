// Drives and inspects the installer's windows from outside, for the
// end-to-end tests under Wine, as a console program in the installer's
// prefix. One command a run (TITLE: a visible top-level window's exact
// title; ID: a control of it; MS: a timeout):
//   wait-window|wait-gone TITLE MS     until the window exists (MS 0: now) / is gone
//   wait-enabled TITLE ID MS           until the control is enabled
//   wait-text TITLE ID TEXT MS         until the control shows TEXT
//   text|enabled|checked|progress|combo-sel TITLE ID
//                                      its text; 1 or 0; bar position; selected index
//   click|post-click TITLE ID          activates the window, sends (at most 2 s) or
//                                      posts BM_CLICK
//   close|owner TITLE                  posts WM_CLOSE; prints the owner's title and
//                                      whether it is enabled/disabled
//   list-columns|list-rows TITLE ID    heading TAB width; S(elected)|- F(ocused)|-
//                                      TAB the column texts, a line each
//   list-select TITLE ID ROW           selects and focuses the row
//   combo-items TITLE ID               one item a line
//   combo-select TITLE ID TEXT         selects the item equal to TEXT, tells the parent
//   timed-click TITLE ID TEXTID TEXT MS
//                                      posts a click, prints the ms until TEXTID shows TEXT
//   launch EXE DIR TITLE ID MS         starts EXE in DIR, prints the ms until the control
//                                      is enabled; leaves the program running
//   printers | drivers ENVIRONMENT | monitors
//                                      name TAB port TAB driver; names; names
// Texts are printed in UTF-8. Exit code 0 on success, 1 on a failed query,
// 2 when a wait timed out, 3 on bad usage.
#include <windows.h>
// After windows.h, which they need.
#include <commctrl.h>
#include <shellapi.h>
#include <winspool.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int kFailed = 1;
constexpr int kTimedOut = 2;
constexpr int kUsage = 3;
constexpr int kTextChars = 1024;

std::string Utf8(const wchar_t* text) {
  if (text == nullptr || *text == L'\0') return std::string();
  int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::string result(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, result.data(), size, nullptr, nullptr);
  result.pop_back();  // the terminating zero
  return result;
}

std::string Utf8(const std::wstring& text) { return Utf8(text.c_str()); }

int Print(const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fputc('\n', stdout);
  return 0;
}

int PrintNumber(long long value) { return Print(std::to_string(value)); }

std::wstring WindowText(HWND window) {
  wchar_t buffer[kTextChars] = {};
  // Marshalled across processes by the system; a hung window gives "".
  DWORD_PTR copied = 0;
  SendMessageTimeoutW(window, WM_GETTEXT, kTextChars, reinterpret_cast<LPARAM>(buffer), SMTO_NORMAL,
                      2000, &copied);
  return std::wstring(buffer, copied);
}

struct Search {
  const std::wstring& title;
  HWND found = nullptr;
};

BOOL CALLBACK MatchTitle(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<Search*>(context);
  wchar_t buffer[kTextChars] = {};
  GetWindowTextW(window, buffer, kTextChars);
  if (!IsWindowVisible(window) || search->title != buffer) return TRUE;
  search->found = window;
  return FALSE;
}

HWND FindTopLevel(const std::wstring& title) {
  Search search{title};
  EnumWindows(&MatchTitle, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND FindControl(const std::wstring& title, const std::wstring& id) {
  HWND window = FindTopLevel(title);
  return window ? GetDlgItem(window, std::stoi(id)) : nullptr;
}

double Now() {
  LARGE_INTEGER frequency, counter;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&counter);
  return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Polls until `condition` holds: 0, or kTimedOut after `timeoutMs`; with
// `printTime`, prints the milliseconds since `start` when it holds.
template <typename Condition>
int PollFor(Condition condition, DWORD timeoutMs, double start, bool printTime, DWORD pauseMs) {
  for (;;) {
    const bool held = condition();
    const double elapsed = Now() - start;
    if (held) return printTime ? PrintNumber(static_cast<long long>(elapsed + 0.5)) : 0;
    if (elapsed >= timeoutMs) return kTimedOut;
    Sleep(pauseMs);
  }
}

template <typename Condition>
int WaitFor(Condition condition, const std::wstring& timeoutMs) {
  return PollFor(condition, std::wcstoul(timeoutMs.c_str(), nullptr, 10), Now(), false, 50);
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
  LRESULT length = SendMessageW(combo, CB_GETLBTEXTLEN, index, 0);
  std::vector<wchar_t> text(length < 0 ? 1 : static_cast<size_t>(length) + 1, L'\0');
  if (length >= 0) SendMessageW(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text.data()));
  return text.data();
}

// Prints one line per record of a spooler enumeration (size query, then
// data).
template <typename Info, typename Enumerate, typename Line>
int PrintEach(Enumerate enumerate, Line line) {
  DWORD needed = 0, count = 0;
  enumerate(nullptr, 0, &needed, &count);
  if (needed == 0) return 0;
  std::vector<BYTE> buffer(needed);
  if (!enumerate(buffer.data(), needed, &needed, &count)) return kFailed;
  auto* records = reinterpret_cast<Info*>(buffer.data());
  for (DWORD i = 0; i < count; ++i) Print(line(records[i]));
  return 0;
}

int Run(const std::vector<std::wstring>& a) {
  auto need = [&](size_t count) { return a.size() >= count; };
  if (a.empty()) return kUsage;
  const std::wstring& command = a[0];
  if (command == L"printers") {
    return PrintEach<PRINTER_INFO_2W>(
        [](BYTE* data, DWORD size, DWORD* needed, DWORD* count) {
          return EnumPrintersW(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, nullptr, 2, data,
                               size, needed, count);
        },
        [](const PRINTER_INFO_2W& p) {
          return Utf8(p.pPrinterName) + "\t" + Utf8(p.pPortName) + "\t" + Utf8(p.pDriverName);
        });
  }
  if (command == L"monitors") {
    return PrintEach<MONITOR_INFO_1W>(
        [](BYTE* data, DWORD size, DWORD* needed, DWORD* count) {
          return EnumMonitorsW(nullptr, 1, data, size, needed, count);
        },
        [](const MONITOR_INFO_1W& m) { return Utf8(m.pName); });
  }
  if (command == L"drivers" && need(2)) {
    std::wstring environment = a[1];
    return PrintEach<DRIVER_INFO_1W>(
        [&](BYTE* data, DWORD size, DWORD* needed, DWORD* count) {
          return EnumPrinterDriversW(nullptr, environment.data(), 1, data, size, needed, count);
        },
        [](const DRIVER_INFO_1W& d) { return Utf8(d.pName); });
  }
  if (command == L"launch" && need(6)) {
    // The program must not hold this driver's output open: whoever reads
    // it waits for its end.
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
    return PollFor(
        [&] {
          HWND control = FindControl(a[3], a[4]);
          return control != nullptr && IsWindowEnabled(control);
        },
        std::wcstoul(a[5].c_str(), nullptr, 10), start, true, 2);
  }
  if ((command == L"close" || command == L"owner") && need(2)) {
    HWND window = FindTopLevel(a[1]);
    if (window == nullptr) return kFailed;
    if (command == L"close") return PostMessageW(window, WM_CLOSE, 0, 0) ? 0 : kFailed;
    // The owner's title, and whether it takes input (a modal box disables
    // its owner).
    HWND owner = GetWindow(window, GW_OWNER);
    if (owner == nullptr) return Print("none");
    return Print(Utf8(WindowText(owner)) + "\t" +
                 (IsWindowEnabled(owner) ? "enabled" : "disabled"));
  }
  if (!need(3)) return kUsage;
  if (command == L"wait-window" || command == L"wait-gone") {
    const bool present = command == L"wait-window";
    return WaitFor([&] { return (FindTopLevel(a[1]) != nullptr) == present; }, a[2]);
  }
  if (command == L"wait-enabled" && need(4)) {
    return WaitFor(
        [&] {
          HWND control = FindControl(a[1], a[2]);
          return control != nullptr && IsWindowEnabled(control);
        },
        a[3]);
  }
  if (command == L"wait-text" && need(5)) {
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
  if (command == L"text") return Print(Utf8(WindowText(control)));
  if (command == L"enabled") return PrintNumber(IsWindowEnabled(control) ? 1 : 0);
  if (command == L"checked") {
    return PrintNumber(SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0);
  }
  if (command == L"progress") return PrintNumber(SendMessageW(control, PBM_GETPOS, 0, 0));
  if (command == L"combo-sel") return PrintNumber(SendMessageW(control, CB_GETCURSEL, 0, 0));
  if (command == L"click" || command == L"post-click") {
    Activate(window);
    if (command == L"post-click") return PostMessageW(control, BM_CLICK, 0, 0) ? 0 : kFailed;
    DWORD_PTR result = 0;
    SendMessageTimeoutW(control, BM_CLICK, 0, 0, SMTO_NORMAL, 2000, &result);
    return 0;
  }
  if (command == L"timed-click" && need(6)) {
    HWND text = GetDlgItem(window, std::stoi(a[3]));
    if (text == nullptr) return kFailed;
    Activate(window);
    const double start = Now();
    PostMessageW(control, BM_CLICK, 0, 0);
    return PollFor(
        [&] {
          // The text the system keeps for the control, read without a
          // message: the installer's thread is busy with the installation.
          wchar_t shown[kTextChars] = {};
          GetWindowTextW(text, shown, kTextChars);
          return a[4] == shown;
        },
        std::wcstoul(a[5].c_str(), nullptr, 10), start, true, 2);
  }
  if (command == L"list-columns" || command == L"list-rows") {
    auto header = reinterpret_cast<HWND>(SendMessageW(control, LVM_GETHEADER, 0, 0));
    const int columns = header ? static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
    if (command == L"list-rows") {
      const auto rows = static_cast<int>(SendMessageW(control, LVM_GETITEMCOUNT, 0, 0));
      for (int row = 0; row < rows; ++row) {
        auto state = static_cast<UINT>(
            SendMessageW(control, LVM_GETITEMSTATE, row, LVIS_SELECTED | LVIS_FOCUSED));
        std::string line = (state & LVIS_SELECTED) ? "S" : "-";
        line += (state & LVIS_FOCUSED) ? "F" : "-";
        for (int column = 0; column < (columns < 1 ? 1 : columns); ++column) {
          LVITEMW item{};
          item.iSubItem = column;
          std::wstring text;
          SendRemote(control, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), item, &text);
          line += "\t" + Utf8(text);
        }
        Print(line);
      }
      return 0;
    }
    for (int i = 0; i < columns; ++i) {
      HDITEMW item{};
      item.mask = HDI_TEXT | HDI_WIDTH;
      std::wstring text;
      SendRemote(header, HDM_GETITEMW, static_cast<WPARAM>(i), item, &text);
      Print(Utf8(text) + "\t" + std::to_string(item.cxy));
    }
    return header ? 0 : kFailed;
  }
  if (command == L"list-select" && need(4)) {
    LVITEMW item{};
    item.stateMask = item.state = LVIS_SELECTED | LVIS_FOCUSED;
    return SendRemote(control, LVM_SETITEMSTATE, std::stoi(a[3]), item) ? 0 : kFailed;
  }
  const auto items = static_cast<int>(SendMessageW(control, CB_GETCOUNT, 0, 0));
  if (command == L"combo-items") {
    for (int i = 0; i < items; ++i) Print(Utf8(ComboItem(control, i)));
    return 0;
  }
  if (command == L"combo-select" && need(4)) {
    // CB_SELECTSTRING would match a prefix, ignoring case: find the exact
    // item.
    for (int i = 0; i < items; ++i) {
      if (ComboItem(control, i) != a[3]) continue;
      SendMessageW(control, CB_SETCURSEL, i, 0);
      SendMessageW(window, WM_COMMAND,
                   MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID(control)), CBN_SELCHANGE),
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
  std::vector<std::wstring> args(argv + 1, argv + count);
  LocalFree(argv);
  int result = Run(args);
  std::fflush(stdout);
  return result;
}
