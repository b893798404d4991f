// The window system as the installer uses it: modal dialogs from resource
// templates, their controls, message boxes, timers and synchronous messages.
//
// A dialog is a C++ object derived from Dialog; the window system creates the
// window from the template, attaches the object and routes the window's
// messages to its handlers on the window's thread. Control operations may be
// called from any thread: like the Win32 messages behind them they run on the
// window's thread while the caller waits.
#pragma once

#include <cstdint>
#include <string>

#include "platform/handles.h"

namespace platform {

class WindowSystem;

class Dialog {
 public:
  explicit Dialog(WindowSystem& ui) : ui_(ui) {}
  virtual ~Dialog() = default;
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;

  WindowId hwnd() const { return hwnd_; }
  WindowSystem& ui() const { return ui_; }

  // WM_INITDIALOG. Returns TRUE to let the system set the focus.
  virtual bool OnInitDialog() { return true; }
  // WM_COMMAND from a control (Escape arrives as id 2, Enter as id 1 or the
  // default button's id).
  virtual void OnCommand(int /*id*/, int /*notifyCode*/) {}
  // WM_TIMER.
  virtual void OnTimer(std::uintptr_t /*timerId*/) {}
  // WM_CLOSE (the close box). Dialogs end themselves here as they see fit.
  virtual void OnClose() {}
  // WM_DESTROY, before the default destroy processing.
  virtual void OnDestroy() {}
  // Any other message (registered messages, WM_USER + n). Return true when
  // handled, with the result in `result`.
  virtual bool OnMessage(uint32_t /*message*/, WParam /*wParam*/, LParam /*lParam*/,
                         LResult& /*result*/) {
    return false;
  }

  // Used by the window system only.
  void AttachWindow(WindowId hwnd) { hwnd_ = hwnd; }

 private:
  WindowSystem& ui_;
  WindowId hwnd_ = 0;
};

class WindowSystem {
 public:
  virtual ~WindowSystem() = default;

  virtual uint32_t RegisterWindowMessageA(const std::string& name) = 0;

  // Creates the dialog of resource `templateId` over `parent` (0: none), runs
  // it modally and returns the result given to EndDialog.
  virtual std::intptr_t DialogBoxParamA(int templateId, WindowId parent, Dialog& dialog) = 0;
  virtual void EndDialog(WindowId dialog, std::intptr_t result) = 0;
  // Runs `dialog` on a message-only window, never visible and without
  // controls: OnInitDialog, then its sends, posted messages and timers until
  // EndDialog is called for it, then OnDestroy. Returns the EndDialog result
  // (-1 when the window could not be created).
  virtual std::intptr_t RunMessageWindow(Dialog& dialog) = 0;

  // A message box as asked, no rules added (see app_message_box.h for the
  // application-wide box). `owner` 0: no owner. Returns IDOK, IDCANCEL, ...
  virtual int MessageBoxA(WindowId owner, const std::string& text, const std::string& caption,
                          uint32_t type) = 0;

  // Synchronous: returns when the window's thread has handled the message.
  virtual LResult SendMessageA(WindowId window, uint32_t message, WParam wParam, LParam lParam) = 0;
  // Asynchronous: queues the message for the window's thread and returns at
  // once; the window's message loop (its modal loop, or a message box's)
  // delivers it. False when the window does not exist.
  virtual bool PostMessageA(WindowId window, uint32_t message, WParam wParam, LParam lParam) = 0;

  virtual void SetTimer(WindowId window, std::uintptr_t timerId, uint32_t elapseMs) = 0;
  virtual void KillTimer(WindowId window, std::uintptr_t timerId) = 0;

  // --- Controls of a dialog, by control id ---
  virtual void SetDlgItemTextA(WindowId dialog, int controlId, const std::string& text) = 0;
  virtual std::string GetDlgItemTextA(WindowId dialog, int controlId) = 0;
  virtual void EnableDlgItem(WindowId dialog, int controlId, bool enable) = 0;
  virtual bool IsDlgItemEnabled(WindowId dialog, int controlId) = 0;
  virtual void CheckDlgButton(WindowId dialog, int controlId, bool checked) = 0;
  virtual bool IsDlgButtonChecked(WindowId dialog, int controlId) = 0;
  // PBM_SETPOS; the default range 0 to 100.
  virtual void SetProgressPos(WindowId dialog, int controlId, int position) = 0;
  virtual int GetProgressPos(WindowId dialog, int controlId) = 0;

  // Drop-down lists (CB_ messages). Indexes are 0-based, -1 is none.
  virtual void ComboResetContent(WindowId dialog, int controlId) = 0;
  virtual int ComboAddString(WindowId dialog, int controlId, const std::string& text) = 0;
  virtual void ComboSetCurSel(WindowId dialog, int controlId, int index) = 0;
  virtual int ComboGetCurSel(WindowId dialog, int controlId) = 0;
  virtual int ComboGetCount(WindowId dialog, int controlId) = 0;
  virtual std::string ComboGetItemText(WindowId dialog, int controlId, int index) = 0;

  // Report-view list views (LVM_ messages).
  virtual void ListDeleteAllItems(WindowId dialog, int controlId) = 0;
  virtual int ListGetColumnCount(WindowId dialog, int controlId) = 0;  // header items
  virtual void ListDeleteColumn(WindowId dialog, int controlId, int column) = 0;
  virtual void ListInsertColumn(WindowId dialog, int controlId, int column,
                                const std::string& heading, int format, int widthPixels) = 0;
  virtual void ListSetColumnWidth(WindowId dialog, int controlId, int column, int widthPixels) = 0;
  virtual uint32_t ListGetExtendedStyle(WindowId dialog, int controlId) = 0;
  virtual void ListSetExtendedStyle(WindowId dialog, int controlId, uint32_t style) = 0;
  // Returns the new row's index, -1 on failure.
  virtual int ListInsertItem(WindowId dialog, int controlId, int row, const std::string& text) = 0;
  virtual void ListSetItemText(WindowId dialog, int controlId, int row, int column,
                               const std::string& text) = 0;
  virtual std::string ListGetItemText(WindowId dialog, int controlId, int row, int column) = 0;
  virtual int ListGetItemCount(WindowId dialog, int controlId) = 0;
  virtual uint32_t ListGetItemState(WindowId dialog, int controlId, int row, uint32_t mask) = 0;
  virtual void ListSetItemState(WindowId dialog, int controlId, int row, uint32_t state,
                                uint32_t mask) = 0;
};

}  // namespace platform
