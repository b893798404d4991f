// Drives and inspects the installer's windows from outside, for the
// end-to-end tests under Wine. Runs as a Windows console program in the same
// prefix as the installer. One command per run:
//
//   windows                                  visible top-level windows
//   wait-window TITLE MS                     until a window with this exact title exists
//   wait-gone TITLE MS                       until no window with this title exists
//   wait-enabled TITLE ID MS                 until control ID is enabled
//   wait-text TITLE ID TEXT MS               until control ID shows TEXT
//   title TITLE                              prints the title if the window exists
//   text TITLE ID                            control text
//   enabled TITLE ID                         1 or 0
//   checked TITLE ID                         1 or 0
//   progress TITLE ID                        progress bar position
//   click TITLE ID                           activates the window, sends BM_CLICK
//                                            (returns after at most 2 s)
//   post-click TITLE ID                      activates the window, posts BM_CLICK
//   close TITLE                              posts WM_CLOSE
//   owner TITLE                              prints the owner's title and "enabled"/"disabled"
//   list-count TITLE ID                      rows of a list view
//   list-columns TITLE ID                    column headings, one a line
//   list-rows TITLE ID                       one line per row: S (selected) or -,
//                                            F (focused) or -, then the column texts
//                                            separated by tabs
//   list-select TITLE ID ROW                 selects (and focuses) one row
//   combo-items TITLE ID                     one item a line
//   combo-sel TITLE ID                       selected index (-1: none)
//   combo-select TITLE ID TEXT               selects the item equal to TEXT and tells
//                                            the parent (CBN_SELCHANGE)
//   timed-click TITLE ID TEXTID TEXT MS      posts a click on control ID and prints the
//                                            milliseconds until control TEXTID shows TEXT
//   launch EXE DIR TITLE ID MS               starts EXE in DIR and prints the
//                                            milliseconds until control ID of the
//                                            window TITLE is enabled; leaves it running
//   printers                                 name TAB port TAB driver, one a line
//   drivers ENVIRONMENT                      installed driver names, one a line
//   ports                                    name TAB description, one a line
//   monitors                                 monitor names, one a line
//   reg-value ROOT PATH NAME                 a REG_SZ as text, a REG_DWORD in decimal
//   reg-values ROOT PATH                     value names, one a line
//   reg-set ROOT PATH NAME sz|dword DATA     creates the key when needed
//   reg-delete ROOT PATH NAME                deletes one value
//
// ROOT is HKLM, HKCU or HKCC. Texts are printed in UTF-8. Exit code 0 on
// success, 1 on a failed query, 2 when a wait timed out, 3 on bad usage.
#include <windows.h>
// After windows.h, which they need.
#include <commctrl.h>
#include <shellapi.h>
#include <winspool.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kFailed = 1;
constexpr int kTimedOut = 2;
constexpr int kUsage = 3;

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return std::string();
  int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr,
                                 0, nullptr, nullptr);
  std::string result(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), result.data(), size,
                      nullptr, nullptr);
  return result;
}

void PrintLine(const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fputc('\n', stdout);
}

std::wstring WindowText(HWND window) {
  wchar_t buffer[1024] = {};
  // Marshalled across processes by the system; a hung window gives "".
  DWORD_PTR copied = 0;
  SendMessageTimeoutW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buffer), SMTO_NORMAL, 2000,
                      &copied);
  return std::wstring(buffer, copied);
}

struct Search {
  std::wstring title;
  HWND found = nullptr;
};

BOOL CALLBACK MatchTitle(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<Search*>(context);
  if (!IsWindowVisible(window)) return TRUE;
  wchar_t buffer[1024] = {};
  GetWindowTextW(window, buffer, 1024);
  if (search->title != buffer) return TRUE;
  search->found = window;
  return FALSE;
}

HWND FindTopLevel(const std::wstring& title) {
  Search search{title, nullptr};
  EnumWindows(&MatchTitle, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

BOOL CALLBACK PrintWindow(HWND window, LPARAM) {
  if (IsWindowVisible(window)) {
    wchar_t title[1024] = {};
    wchar_t className[256] = {};
    GetWindowTextW(window, title, 1024);
    GetClassNameW(window, className, 256);
    PrintLine(Utf8(className) + "\t" + Utf8(title));
  }
  return TRUE;
}

template <typename Condition>
bool WaitFor(Condition condition, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  for (;;) {
    if (condition()) return true;
    if (GetTickCount() - start >= timeoutMs) return false;
    Sleep(50);
  }
}

// Memory in the process that owns a window, for messages whose arguments
// point to buffers (list views and headers are not marshalled).
class RemoteBuffer {
 public:
  RemoteBuffer(HWND window, size_t size) : size_(size) {
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    process_ =
        OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId);
    if (process_ != nullptr) {
      address_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    }
  }
  ~RemoteBuffer() {
    if (address_ != nullptr) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    if (process_ != nullptr) CloseHandle(process_);
  }
  RemoteBuffer(const RemoteBuffer&) = delete;
  RemoteBuffer& operator=(const RemoteBuffer&) = delete;

  bool ok() const { return address_ != nullptr; }
  char* at(size_t offset) const { return static_cast<char*>(address_) + offset; }
  bool Write(size_t offset, const void* data, size_t size) {
    SIZE_T written = 0;
    return offset + size <= size_ &&
           WriteProcessMemory(process_, at(offset), data, size, &written) && written == size;
  }
  bool Read(size_t offset, void* data, size_t size) {
    SIZE_T read = 0;
    return offset + size <= size_ && ReadProcessMemory(process_, at(offset), data, size, &read) &&
           read == size;
  }

 private:
  HANDLE process_ = nullptr;
  void* address_ = nullptr;
  size_t size_;
};

constexpr size_t kTextChars = 1024;

std::wstring ListItemText(HWND list, int row, int column) {
  RemoteBuffer remote(list, sizeof(LVITEMW) + kTextChars * sizeof(wchar_t));
  if (!remote.ok()) return std::wstring();
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = reinterpret_cast<LPWSTR>(remote.at(sizeof(LVITEMW)));
  item.cchTextMax = kTextChars;
  remote.Write(0, &item, sizeof(item));
  LRESULT length = SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row),
                                reinterpret_cast<LPARAM>(remote.at(0)));
  std::vector<wchar_t> text(kTextChars, L'\0');
  remote.Read(sizeof(LVITEMW), text.data(), kTextChars * sizeof(wchar_t));
  return std::wstring(text.data(), static_cast<size_t>(length < 0 ? 0 : length));
}

int ColumnCount(HWND list) {
  auto header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
  return header ? static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
}

HKEY Root(const std::string& name) {
  if (name == "HKLM") return HKEY_LOCAL_MACHINE;
  if (name == "HKCU") return HKEY_CURRENT_USER;
  if (name == "HKCC") return HKEY_CURRENT_CONFIG;
  return nullptr;
}

class Driver {
 public:
  explicit Driver(std::vector<std::wstring> args) : args_(std::move(args)) {}

  int Run() {
    if (args_.empty()) return kUsage;
    const std::wstring& command = args_[0];
    if (command == L"windows") return Windows();
    if (command == L"wait-window") return Need(3) ? WaitWindow(true) : kUsage;
    if (command == L"wait-gone") return Need(3) ? WaitWindow(false) : kUsage;
    if (command == L"wait-enabled") return Need(4) ? WaitEnabled() : kUsage;
    if (command == L"wait-text") return Need(5) ? WaitText() : kUsage;
    if (command == L"launch") return Need(6) ? Launch() : kUsage;
    if (command == L"timed-click") return Need(6) ? TimedClick() : kUsage;
    if (command == L"printers") return Printers();
    if (command == L"drivers") return Need(2) ? Drivers() : kUsage;
    if (command == L"ports") return Ports();
    if (command == L"monitors") return Monitors();
    if (command == L"reg-value") return Need(4) ? RegValue() : kUsage;
    if (command == L"reg-values") return Need(3) ? RegValues() : kUsage;
    if (command == L"reg-set") return Need(6) ? RegSet() : kUsage;
    if (command == L"reg-delete") return Need(4) ? RegDelete() : kUsage;
    if (command == L"title" || command == L"close" || command == L"owner") {
      if (!Need(2)) return kUsage;
      HWND window = FindTopLevel(args_[1]);
      if (window == nullptr) return kFailed;
      if (command == L"close") {
        PostMessageW(window, WM_CLOSE, 0, 0);
      } else if (command == L"owner") {
        // The owner's title, and whether it takes input (a modal box
        // disables its owner).
        HWND owner = GetWindow(window, GW_OWNER);
        if (owner == nullptr) return Print("none");
        PrintLine(Utf8(WindowText(owner)) + "\t" +
                  (IsWindowEnabled(owner) ? "enabled" : "disabled"));
      } else {
        PrintLine(Utf8(WindowText(window)));
      }
      return 0;
    }
    // Everything else names a control of a window.
    if (!Need(3)) return kUsage;
    HWND window = FindTopLevel(args_[1]);
    if (window == nullptr) return kFailed;
    HWND control = GetDlgItem(window, std::stoi(args_[2]));
    if (control == nullptr) return kFailed;
    if (command == L"text") return Print(Utf8(WindowText(control)));
    if (command == L"enabled") return Print(IsWindowEnabled(control) ? "1" : "0");
    if (command == L"checked") {
      return Print(SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED ? "1" : "0");
    }
    if (command == L"progress") {
      return Print(std::to_string(SendMessageW(control, PBM_GETPOS, 0, 0)));
    }
    if (command == L"click" || command == L"post-click") {
      Activate(window);
      if (command == L"click") {
        DWORD_PTR result = 0;
        SendMessageTimeoutW(control, BM_CLICK, 0, 0, SMTO_NORMAL, 2000, &result);
      } else {
        PostMessageW(control, BM_CLICK, 0, 0);
      }
      return 0;
    }
    if (command == L"list-count") {
      return Print(std::to_string(SendMessageW(control, LVM_GETITEMCOUNT, 0, 0)));
    }
    if (command == L"list-columns") return ListColumns(control);
    if (command == L"list-rows") return ListRows(control);
    if (command == L"list-select") return Need(4) ? ListSelect(control) : kUsage;
    if (command == L"combo-items") return ComboItems(control);
    if (command == L"combo-sel") {
      return Print(std::to_string(SendMessageW(control, CB_GETCURSEL, 0, 0)));
    }
    if (command == L"combo-select") return Need(4) ? ComboSelect(window, control) : kUsage;
    return kUsage;
  }

 private:
  bool Need(size_t count) const { return args_.size() >= count; }
  DWORD Milliseconds(size_t index) const { return std::wcstoul(args_[index].c_str(), nullptr, 10); }
  std::string Arg(size_t index) const { return Utf8(args_[index]); }
  static int Print(const std::string& text) {
    PrintLine(text);
    return 0;
  }

  static void Activate(HWND window) {
    ShowWindow(window, SW_RESTORE);
    SetForegroundWindow(window);
    SetActiveWindow(window);
  }

  int Windows() {
    EnumWindows(&PrintWindow, 0);
    return 0;
  }

  int WaitWindow(bool present) {
    bool ok =
        WaitFor([&] { return (FindTopLevel(args_[1]) != nullptr) == present; }, Milliseconds(2));
    return ok ? 0 : kTimedOut;
  }

  int WaitEnabled() {
    int id = std::stoi(args_[2]);
    bool ok = WaitFor(
        [&] {
          HWND window = FindTopLevel(args_[1]);
          HWND control = window ? GetDlgItem(window, id) : nullptr;
          return control != nullptr && IsWindowEnabled(control);
        },
        Milliseconds(3));
    return ok ? 0 : kTimedOut;
  }

  int WaitText() {
    int id = std::stoi(args_[2]);
    bool ok = WaitFor(
        [&] {
          HWND window = FindTopLevel(args_[1]);
          HWND control = window ? GetDlgItem(window, id) : nullptr;
          return control != nullptr && WindowText(control) == args_[3];
        },
        Milliseconds(4));
    return ok ? 0 : kTimedOut;
  }

  int TimedClick() {
    HWND window = FindTopLevel(args_[1]);
    HWND control = window ? GetDlgItem(window, std::stoi(args_[2])) : nullptr;
    HWND text = window ? GetDlgItem(window, std::stoi(args_[3])) : nullptr;
    if (control == nullptr || text == nullptr) return kFailed;
    Activate(window);
    LARGE_INTEGER frequency, start, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    PostMessageW(control, BM_CLICK, 0, 0);
    DWORD timeout = Milliseconds(5);
    wchar_t shownText[1024];
    for (;;) {
      // The text the system keeps for the control, read without a message:
      // the installer's thread is busy with the installation meanwhile.
      const int length = GetWindowTextW(text, shownText, 1024);
      const bool shown = std::wstring(shownText, length > 0 ? length : 0) == args_[4];
      QueryPerformanceCounter(&now);
      double elapsed = 1000.0 * static_cast<double>(now.QuadPart - start.QuadPart) /
                       static_cast<double>(frequency.QuadPart);
      if (shown) return Print(std::to_string(static_cast<long long>(elapsed + 0.5)));
      if (elapsed > timeout) return kTimedOut;
      Sleep(2);
    }
  }

  int Launch() {
    // The program must not hold this driver's output open: whoever reads
    // it waits for its end.
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    PROCESS_INFORMATION process{};
    std::wstring commandLine = L"\"" + args_[1] + L"\"";
    LARGE_INTEGER frequency, start, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    if (!CreateProcessW(args_[1].c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        args_[2].c_str(), &startup, &process)) {
      return kFailed;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    int id = std::stoi(args_[4]);
    DWORD timeout = Milliseconds(5);
    for (;;) {
      HWND window = FindTopLevel(args_[3]);
      HWND control = window ? GetDlgItem(window, id) : nullptr;
      QueryPerformanceCounter(&now);
      double elapsed = 1000.0 * static_cast<double>(now.QuadPart - start.QuadPart) /
                       static_cast<double>(frequency.QuadPart);
      if (control != nullptr && IsWindowEnabled(control)) {
        return Print(std::to_string(static_cast<long long>(elapsed + 0.5)));
      }
      if (elapsed > timeout) return kTimedOut;
      Sleep(2);
    }
  }

  int ListColumns(HWND list) {
    auto header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
    if (header == nullptr) return kFailed;
    int count = static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
    RemoteBuffer remote(list, sizeof(HDITEMW) + kTextChars * sizeof(wchar_t));
    if (!remote.ok()) return kFailed;
    for (int i = 0; i < count; ++i) {
      HDITEMW item{};
      item.mask = HDI_TEXT | HDI_WIDTH;
      item.pszText = reinterpret_cast<LPWSTR>(remote.at(sizeof(HDITEMW)));
      item.cchTextMax = kTextChars;
      remote.Write(0, &item, sizeof(item));
      SendMessageW(header, HDM_GETITEMW, static_cast<WPARAM>(i),
                   reinterpret_cast<LPARAM>(remote.at(0)));
      std::vector<wchar_t> text(kTextChars, L'\0');
      remote.Read(0, &item, sizeof(item));
      remote.Read(sizeof(HDITEMW), text.data(), kTextChars * sizeof(wchar_t));
      PrintLine(Utf8(text.data()) + "\t" + std::to_string(item.cxy));
    }
    return 0;
  }

  int ListRows(HWND list) {
    int rows = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    int columns = ColumnCount(list);
    if (columns < 1) columns = 1;
    for (int row = 0; row < rows; ++row) {
      auto state = static_cast<UINT>(SendMessageW(list, LVM_GETITEMSTATE, static_cast<WPARAM>(row),
                                                  LVIS_SELECTED | LVIS_FOCUSED));
      std::string line;
      line += (state & LVIS_SELECTED) ? 'S' : '-';
      line += (state & LVIS_FOCUSED) ? 'F' : '-';
      for (int column = 0; column < columns; ++column) {
        line += '\t';
        line += Utf8(ListItemText(list, row, column));
      }
      PrintLine(line);
    }
    return 0;
  }

  int ListSelect(HWND list) {
    int row = std::stoi(args_[3]);
    RemoteBuffer remote(list, sizeof(LVITEMW));
    if (!remote.ok()) return kFailed;
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    remote.Write(0, &item, sizeof(item));
    LRESULT ok = SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row),
                              reinterpret_cast<LPARAM>(remote.at(0)));
    return ok ? 0 : kFailed;
  }

  static std::wstring ComboItem(HWND combo, int index) {
    LRESULT length = SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length < 0) return std::wstring();
    std::vector<wchar_t> text(static_cast<size_t>(length) + 2, L'\0');
    SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(text.data()));
    return std::wstring(text.data());
  }

  int ComboItems(HWND combo) {
    int count = static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) PrintLine(Utf8(ComboItem(combo, i)));
    return 0;
  }

  // CB_SELECTSTRING would match a prefix, ignoring case: find the exact item.
  int ComboSelect(HWND window, HWND combo) {
    int count = static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
      if (ComboItem(combo, i) != args_[3]) continue;
      SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(i), 0);
      SendMessageW(window, WM_COMMAND,
                   MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID(combo)), CBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(combo));
      return 0;
    }
    return kFailed;
  }

  int Printers() {
    DWORD needed = 0, count = 0;
    EnumPrintersW(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, nullptr, 2, nullptr, 0, &needed,
                  &count);
    if (needed == 0) return 0;
    std::vector<BYTE> buffer(needed);
    if (!EnumPrintersW(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, nullptr, 2, buffer.data(),
                       needed, &needed, &count)) {
      return kFailed;
    }
    auto* printers = reinterpret_cast<PRINTER_INFO_2W*>(buffer.data());
    for (DWORD i = 0; i < count; ++i) {
      auto text = [](LPWSTR s) { return s ? Utf8(s) : std::string(); };
      PrintLine(text(printers[i].pPrinterName) + "\t" + text(printers[i].pPortName) + "\t" +
                text(printers[i].pDriverName));
    }
    return 0;
  }

  int Drivers() {
    std::wstring environment = args_[1];
    DWORD needed = 0, count = 0;
    EnumPrinterDriversW(nullptr, environment.data(), 1, nullptr, 0, &needed, &count);
    if (needed == 0) return 0;
    std::vector<BYTE> buffer(needed);
    if (!EnumPrinterDriversW(nullptr, environment.data(), 1, buffer.data(), needed, &needed,
                             &count)) {
      return kFailed;
    }
    auto* drivers = reinterpret_cast<DRIVER_INFO_1W*>(buffer.data());
    for (DWORD i = 0; i < count; ++i) PrintLine(Utf8(drivers[i].pName));
    return 0;
  }

  int Ports() {
    DWORD needed = 0, count = 0;
    EnumPortsW(nullptr, 2, nullptr, 0, &needed, &count);
    if (needed == 0) return 0;
    std::vector<BYTE> buffer(needed);
    if (!EnumPortsW(nullptr, 2, buffer.data(), needed, &needed, &count)) return kFailed;
    auto* ports = reinterpret_cast<PORT_INFO_2W*>(buffer.data());
    for (DWORD i = 0; i < count; ++i) {
      PrintLine(Utf8(ports[i].pPortName) + "\t" +
                (ports[i].pDescription ? Utf8(ports[i].pDescription) : std::string()));
    }
    return 0;
  }

  int Monitors() {
    DWORD needed = 0, count = 0;
    EnumMonitorsW(nullptr, 1, nullptr, 0, &needed, &count);
    if (needed == 0) return 0;
    std::vector<BYTE> buffer(needed);
    if (!EnumMonitorsW(nullptr, 1, buffer.data(), needed, &needed, &count)) return kFailed;
    auto* monitors = reinterpret_cast<MONITOR_INFO_1W*>(buffer.data());
    for (DWORD i = 0; i < count; ++i) PrintLine(Utf8(monitors[i].pName));
    return 0;
  }

  HKEY OpenKey(REGSAM access, bool create) {
    HKEY root = Root(Arg(1));
    if (root == nullptr) return nullptr;
    HKEY key = nullptr;
    LSTATUS status = create ? RegCreateKeyExW(root, args_[2].c_str(), 0, nullptr, 0, access,
                                              nullptr, &key, nullptr)
                            : RegOpenKeyExW(root, args_[2].c_str(), 0, access, &key);
    return status == ERROR_SUCCESS ? key : nullptr;
  }

  int RegValue() {
    HKEY key = OpenKey(KEY_READ, false);
    if (key == nullptr) return kFailed;
    DWORD type = 0, size = 0;
    LSTATUS status = RegQueryValueExW(key, args_[3].c_str(), nullptr, &type, nullptr, &size);
    std::vector<BYTE> data(size + sizeof(wchar_t), 0);
    if (status == ERROR_SUCCESS) {
      status = RegQueryValueExW(key, args_[3].c_str(), nullptr, &type, data.data(), &size);
    }
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) return kFailed;
    if (type == REG_DWORD) {
      DWORD value = 0;
      memcpy(&value, data.data(), sizeof(value));
      return Print(std::to_string(value));
    }
    return Print(Utf8(reinterpret_cast<const wchar_t*>(data.data())));
  }

  int RegValues() {
    HKEY key = OpenKey(KEY_READ, false);
    if (key == nullptr) return kFailed;
    for (DWORD index = 0;; ++index) {
      wchar_t name[16384];
      DWORD length = 16384;
      if (RegEnumValueW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
          ERROR_SUCCESS) {
        break;
      }
      PrintLine(Utf8(std::wstring(name, length)));
    }
    RegCloseKey(key);
    return 0;
  }

  int RegSet() {
    HKEY key = OpenKey(KEY_ALL_ACCESS, true);
    if (key == nullptr) return kFailed;
    LSTATUS status;
    if (args_[4] == L"dword") {
      DWORD value = std::wcstoul(args_[5].c_str(), nullptr, 0);
      status = RegSetValueExW(key, args_[3].c_str(), 0, REG_DWORD,
                              reinterpret_cast<const BYTE*>(&value), sizeof(value));
    } else {
      const std::wstring& value = args_[5];
      status = RegSetValueExW(key, args_[3].c_str(), 0, REG_SZ,
                              reinterpret_cast<const BYTE*>(value.c_str()),
                              static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    }
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? 0 : kFailed;
  }

  int RegDelete() {
    HKEY key = OpenKey(KEY_ALL_ACCESS, false);
    if (key == nullptr) return kFailed;
    LSTATUS status = RegDeleteValueW(key, args_[3].c_str());
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? 0 : kFailed;
  }

  std::vector<std::wstring> args_;
};

}  // namespace

int main() {
  _setmode(_fileno(stdout), _O_BINARY);
  int count = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::wstring> args;
  for (int i = 1; i < count; ++i) args.emplace_back(argv[i]);
  LocalFree(argv);
  int result = Driver(std::move(args)).Run();
  std::fflush(stdout);
  return result;
}
