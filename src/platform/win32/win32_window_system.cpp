#include "platform/win32/win32_backends.h"
// After windows.h, which it needs.
#include <commctrl.h>

#include <cstring>

namespace platform::win32 {

namespace {

// One procedure for every dialog: WM_INITDIALOG carries the Dialog object,
// which is kept in the window's DWLP_USER slot and gets every later message.
INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* dialog = reinterpret_cast<Dialog*>(lParam);
    ::SetWindowLongPtrA(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(dialog));
    dialog->AttachWindow(FromHwnd(hwnd));
    return dialog->OnInitDialog() ? TRUE : FALSE;
  }
  auto* dialog = reinterpret_cast<Dialog*>(::GetWindowLongPtrA(hwnd, DWLP_USER));
  if (dialog == nullptr) return FALSE;  // messages before WM_INITDIALOG
  switch (message) {
    case WM_COMMAND:
      dialog->OnCommand(LOWORD(wParam), HIWORD(wParam));
      return TRUE;
    case WM_TIMER:
      dialog->OnTimer(wParam);
      return TRUE;
    case WM_CLOSE:
      dialog->OnClose();
      return TRUE;
    case WM_DESTROY:
      dialog->OnDestroy();
      return FALSE;  // default destroy processing follows
    case WM_NCDESTROY:
      ::SetWindowLongPtrA(hwnd, DWLP_USER, 0);
      dialog->AttachWindow(0);
      return FALSE;
    default: {
      LResult result = 0;
      if (!dialog->OnMessage(message, wParam, lParam, result)) return FALSE;
      ::SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, result);
      return TRUE;
    }
  }
}

constexpr const char* kMessageWindowClass = "DriverSetupMessageWindow";

// A message-only window's Dialog and the EndDialog it waits for, kept in
// its GWLP_USERDATA slot.
struct MessageWindow {
  Dialog* dialog = nullptr;
  bool ended = false;
  std::intptr_t result = 0;
};

MessageWindow* MessageWindowOf(HWND hwnd) {
  char name[64] = {};
  if (::GetClassNameA(hwnd, name, sizeof name) == 0 ||
      std::strcmp(name, kMessageWindowClass) != 0) {
    return nullptr;
  }
  return reinterpret_cast<MessageWindow*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
}

LRESULT CALLBACK MessageWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* window = reinterpret_cast<MessageWindow*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (window == nullptr) return ::DefWindowProcA(hwnd, message, wParam, lParam);
  switch (message) {
    case WM_TIMER:
      window->dialog->OnTimer(wParam);
      return 0;
    case WM_CLOSE:
      window->dialog->OnClose();
      return 0;
    default: {
      LResult result = 0;
      if (window->dialog->OnMessage(message, wParam, lParam, result)) return result;
      return ::DefWindowProcA(hwnd, message, wParam, lParam);
    }
  }
}

LRESULT Send(WindowId dialog, int controlId, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
  return ::SendDlgItemMessageA(ToHwnd(dialog), controlId, message, wParam, lParam);
}

}  // namespace

uint32_t Win32WindowSystem::RegisterWindowMessageA(const std::string& name) {
  return ::RegisterWindowMessageA(name.c_str());
}

std::intptr_t Win32WindowSystem::DialogBoxParamA(int templateId, WindowId parent, Dialog& dialog) {
  return ::DialogBoxParamA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId),
                           ToHwnd(parent), &DialogProc, reinterpret_cast<LPARAM>(&dialog));
}

void Win32WindowSystem::EndDialog(WindowId dialog, std::intptr_t result) {
  if (MessageWindow* window = MessageWindowOf(ToHwnd(dialog))) {
    window->ended = true;
    window->result = result;
    // Wakes the loop, which looks at `ended` after each message.
    ::PostMessageA(ToHwnd(dialog), WM_NULL, 0, 0);
    return;
  }
  ::EndDialog(ToHwnd(dialog), result);
}

std::intptr_t Win32WindowSystem::RunMessageWindow(Dialog& dialog) {
  const HINSTANCE instance = ::GetModuleHandleA(nullptr);
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = &MessageWindowProc;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = kMessageWindowClass;
  ::RegisterClassA(&windowClass);  // fails harmlessly once registered
  HWND hwnd = ::CreateWindowExA(0, kMessageWindowClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                instance, nullptr);
  if (hwnd == nullptr) return -1;
  MessageWindow window;
  window.dialog = &dialog;
  ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&window));
  dialog.AttachWindow(FromHwnd(hwnd));
  dialog.OnInitDialog();
  MSG message;
  while (!window.ended && ::GetMessageA(&message, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
  }
  dialog.OnDestroy();
  ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
  ::DestroyWindow(hwnd);
  dialog.AttachWindow(0);
  return window.result;
}

int Win32WindowSystem::MessageBoxA(WindowId owner, const std::string& text,
                                   const std::string& caption, uint32_t type) {
  return ::MessageBoxA(ToHwnd(owner), text.c_str(), caption.c_str(), type);
}

LResult Win32WindowSystem::SendMessageA(WindowId window, uint32_t message, WParam wParam,
                                        LParam lParam) {
  return ::SendMessageA(ToHwnd(window), message, wParam, lParam);
}

bool Win32WindowSystem::PostMessageA(WindowId window, uint32_t message, WParam wParam,
                                     LParam lParam) {
  return ::PostMessageA(ToHwnd(window), message, wParam, lParam) != FALSE;
}

void Win32WindowSystem::SetTimer(WindowId window, std::uintptr_t timerId, uint32_t elapseMs) {
  ::SetTimer(ToHwnd(window), timerId, elapseMs, nullptr);
}

void Win32WindowSystem::KillTimer(WindowId window, std::uintptr_t timerId) {
  ::KillTimer(ToHwnd(window), timerId);
}

void Win32WindowSystem::SetDlgItemTextA(WindowId dialog, int controlId, const std::string& text) {
  Send(dialog, controlId, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

std::string Win32WindowSystem::GetDlgItemTextA(WindowId dialog, int controlId) {
  LRESULT length = Send(dialog, controlId, WM_GETTEXTLENGTH);
  if (length <= 0) return std::string();
  std::vector<char> buffer(static_cast<size_t>(length) + 1, '\0');
  LRESULT copied =
      Send(dialog, controlId, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()));
  return std::string(buffer.data(), copied > 0 ? static_cast<size_t>(copied) : 0);
}

void Win32WindowSystem::EnableDlgItem(WindowId dialog, int controlId, bool enable) {
  ::EnableWindow(::GetDlgItem(ToHwnd(dialog), controlId), enable ? TRUE : FALSE);
}

bool Win32WindowSystem::IsDlgItemEnabled(WindowId dialog, int controlId) {
  return ::IsWindowEnabled(::GetDlgItem(ToHwnd(dialog), controlId)) != FALSE;
}

void Win32WindowSystem::CheckDlgButton(WindowId dialog, int controlId, bool checked) {
  Send(dialog, controlId, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED);
}

bool Win32WindowSystem::IsDlgButtonChecked(WindowId dialog, int controlId) {
  return Send(dialog, controlId, BM_GETCHECK) == BST_CHECKED;
}

void Win32WindowSystem::SetProgressPos(WindowId dialog, int controlId, int position) {
  Send(dialog, controlId, PBM_SETPOS, static_cast<WPARAM>(position));
}

int Win32WindowSystem::GetProgressPos(WindowId dialog, int controlId) {
  return static_cast<int>(Send(dialog, controlId, PBM_GETPOS));
}

void Win32WindowSystem::ComboResetContent(WindowId dialog, int controlId) {
  Send(dialog, controlId, CB_RESETCONTENT);
}

int Win32WindowSystem::ComboAddString(WindowId dialog, int controlId, const std::string& text) {
  return static_cast<int>(
      Send(dialog, controlId, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())));
}

void Win32WindowSystem::ComboSetCurSel(WindowId dialog, int controlId, int index) {
  Send(dialog, controlId, CB_SETCURSEL, static_cast<WPARAM>(index));
}

int Win32WindowSystem::ComboGetCurSel(WindowId dialog, int controlId) {
  return static_cast<int>(Send(dialog, controlId, CB_GETCURSEL));
}

int Win32WindowSystem::ComboGetCount(WindowId dialog, int controlId) {
  return static_cast<int>(Send(dialog, controlId, CB_GETCOUNT));
}

std::string Win32WindowSystem::ComboGetItemText(WindowId dialog, int controlId, int index) {
  LRESULT length = Send(dialog, controlId, CB_GETLBTEXTLEN, static_cast<WPARAM>(index));
  if (length <= 0) return std::string();
  std::vector<char> buffer(static_cast<size_t>(length) + 1, '\0');
  LRESULT copied = Send(dialog, controlId, CB_GETLBTEXT, static_cast<WPARAM>(index),
                        reinterpret_cast<LPARAM>(buffer.data()));
  return std::string(buffer.data(), copied > 0 ? static_cast<size_t>(copied) : 0);
}

void Win32WindowSystem::ListDeleteAllItems(WindowId dialog, int controlId) {
  Send(dialog, controlId, LVM_DELETEALLITEMS);
}

int Win32WindowSystem::ListGetColumnCount(WindowId dialog, int controlId) {
  auto header = reinterpret_cast<HWND>(Send(dialog, controlId, LVM_GETHEADER));
  if (header == nullptr) return 0;
  return static_cast<int>(::SendMessageA(header, HDM_GETITEMCOUNT, 0, 0));
}

void Win32WindowSystem::ListDeleteColumn(WindowId dialog, int controlId, int column) {
  Send(dialog, controlId, LVM_DELETECOLUMN, static_cast<WPARAM>(column));
}

void Win32WindowSystem::ListInsertColumn(WindowId dialog, int controlId, int column,
                                         const std::string& heading, int format, int widthPixels) {
  MutableString text(heading);
  LVCOLUMNA entry{};
  entry.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
  entry.fmt = format;
  entry.cx = widthPixels;
  entry.pszText = text.get();
  entry.iSubItem = column;
  Send(dialog, controlId, LVM_INSERTCOLUMNA, static_cast<WPARAM>(column),
       reinterpret_cast<LPARAM>(&entry));
}

void Win32WindowSystem::ListSetColumnWidth(WindowId dialog, int controlId, int column,
                                           int widthPixels) {
  Send(dialog, controlId, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column),
       MAKELPARAM(widthPixels, 0));
}

uint32_t Win32WindowSystem::ListGetExtendedStyle(WindowId dialog, int controlId) {
  return static_cast<uint32_t>(Send(dialog, controlId, LVM_GETEXTENDEDLISTVIEWSTYLE));
}

void Win32WindowSystem::ListSetExtendedStyle(WindowId dialog, int controlId, uint32_t style) {
  Send(dialog, controlId, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, static_cast<LPARAM>(style));
}

int Win32WindowSystem::ListInsertItem(WindowId dialog, int controlId, int row,
                                      const std::string& text) {
  MutableString itemText(text);
  LVITEMA item{};
  item.mask = LVIF_TEXT;
  item.iItem = row;
  item.iSubItem = 0;
  item.pszText = itemText.get();
  return static_cast<int>(
      Send(dialog, controlId, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

void Win32WindowSystem::ListSetItemText(WindowId dialog, int controlId, int row, int column,
                                        const std::string& text) {
  MutableString itemText(text);
  LVITEMA item{};
  item.iSubItem = column;
  item.pszText = itemText.get();
  Send(dialog, controlId, LVM_SETITEMTEXTA, static_cast<WPARAM>(row),
       reinterpret_cast<LPARAM>(&item));
}

std::string Win32WindowSystem::ListGetItemText(WindowId dialog, int controlId, int row,
                                               int column) {
  // The list view has no length query: grow the buffer until the text fits.
  for (size_t size = 256;; size *= 2) {
    std::vector<char> buffer(size, '\0');
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = buffer.data();
    item.cchTextMax = static_cast<int>(size);
    LRESULT length = Send(dialog, controlId, LVM_GETITEMTEXTA, static_cast<WPARAM>(row),
                          reinterpret_cast<LPARAM>(&item));
    if (length < 0) return std::string();
    if (static_cast<size_t>(length) < size - 1 || size >= (1u << 20)) {
      return std::string(buffer.data(), static_cast<size_t>(length));
    }
  }
}

int Win32WindowSystem::ListGetItemCount(WindowId dialog, int controlId) {
  return static_cast<int>(Send(dialog, controlId, LVM_GETITEMCOUNT));
}

uint32_t Win32WindowSystem::ListGetItemState(WindowId dialog, int controlId, int row,
                                             uint32_t mask) {
  return static_cast<uint32_t>(
      Send(dialog, controlId, LVM_GETITEMSTATE, static_cast<WPARAM>(row), mask));
}

void Win32WindowSystem::ListSetItemState(WindowId dialog, int controlId, int row, uint32_t state,
                                         uint32_t mask) {
  LVITEMA item{};
  item.state = state;
  item.stateMask = mask;
  Send(dialog, controlId, LVM_SETITEMSTATE, static_cast<WPARAM>(row),
       reinterpret_cast<LPARAM>(&item));
}

}  // namespace platform::win32
