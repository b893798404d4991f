#include "shell/main_window.h"

#include "package/work_area.h"
#include "platform/win_constants.h"
#include "ports/serial_assignment.h"
#include "resources/resource.h"
#include "shell/install_command.h"
#include "shell/startup_worker.h"
#include "uninstall/uninstall_window.h"

namespace {

// The probe timer of the serial port assignment.
constexpr std::uintptr_t kProbeTimer = 1;

// Private message (WM_APP + 16): lParam points at the work to run on the
// window's thread (OnWindowThread).
constexpr uint32_t kRunOnWindowThread = 0x8000 + 16;

struct PortTypeRow {
  const char* port;
  const char* description;
};

// In PortKind order: the row number is the kind.
constexpr PortTypeRow kPortTypeRows[] = {
    {"Serial port", "The program will select a available serial port during instalation"},
    {"USB port", "The program will select a available USB port automatically"},
    {"Parallel port", "The program will prompt you to select a parallel port before install"},
    {"TCP/IP port", "The program will prompt you to create a TCP/IP port or configure"},
};

}  // namespace

uint32_t PortTypeListStyle(uint32_t current) {
  return (current & ~win::LVS_EX_TRACKSELECT) | win::LVS_EX_GRIDLINES | win::LVS_EX_FULLROWSELECT;
}

MainWindow::MainWindow(App& application)
    : platform::Dialog(application.machine.ui()),
      app(application),
      machine(application.machine),
      archiveLibrary(application.machine),
      serialChannel(application.machine) {}

MainWindow::~MainWindow() {
  // Normally OnDestroy has already waited for the worker; this covers a
  // window whose dialog never ran to its end.
  closing_.store(true);
  startupWorker_.reset();
}

void MainWindow::Refresh() { ui().SendMessageA(hwnd(), app.myUpdateDataMessage, 0, 0); }

void MainWindow::SetStatus(const std::string& text) {
  statusText = text;
  Refresh();
}

void MainWindow::SetProgress(int position) { ui().SetProgressPos(hwnd(), IDC_PROGRESS, position); }

void MainWindow::UpdateData(bool fromControls) {
  if (fromControls) {
    setDefaultPrinter = ui().IsDlgButtonChecked(hwnd(), IDC_SET_DEFAULT) ? 1 : 0;
    statusText = ui().GetDlgItemTextA(hwnd(), IDC_STATUS);
  } else {
    ui().CheckDlgButton(hwnd(), IDC_SET_DEFAULT, setDefaultPrinter != 0);
    ui().SetDlgItemTextA(hwnd(), IDC_STATUS, statusText);
  }
}

std::string MainWindow::DriverComboText() {
  // A drop-down list's text is its selected item; no selection, no text.
  const int selected = ui().ComboGetCurSel(hwnd(), IDC_DRIVER_NAME);
  if (selected < 0) return std::string();
  return ui().ComboGetItemText(hwnd(), IDC_DRIVER_NAME, selected);
}

void MainWindow::EnableInstall(bool enable) { ui().EnableDlgItem(hwnd(), IDC_INSTALL, enable); }

void MainWindow::SetInstallText(const std::string& text) {
  ui().SetDlgItemTextA(hwnd(), IDC_INSTALL, text);
}

void MainWindow::SetCancelText(const std::string& text) {
  ui().SetDlgItemTextA(hwnd(), win::IDCANCEL, text);
}

void MainWindow::Close(std::intptr_t result) {
  if (result == win::IDOK) UpdateData(true);
  ui().EndDialog(hwnd(), result);
}

void MainWindow::OnWindowThread(const std::function<void()>& work) {
  ui().SendMessageA(hwnd(), kRunOnWindowThread, 0, reinterpret_cast<platform::LParam>(&work));
}

bool MainWindow::OnInitDialog() {
  archiveLibrary.SetOwnerWindow(hwnd());
  // The template's status text is never shown: the first refresh empties it.
  UpdateData(false);

  probePortNumber = 0;
  parity = 78;
  dataBits = 8;
  stopBits = 1;
  commEventMask = 3;
  probeIndex = 0;
  serialReplySeen = 0;
  receiptGroup1Size = 15;
  receiptGroup2Size = 7;
  receiptGroup3Size = 5;
  receiptGroup4Size = 25;
  labelGroupSize = 5;

  FillPortTypeList();
  Refresh();

  startupWorker_ = machine.threads().StartThread([this] { StartupWorker(*this); });
  if (!startupWorker_) {
    // Nothing was unpacked or listed: Install stays disabled, and Cancel and
    // the close box end the program as always.
    ui().MessageBoxA(hwnd(),
                     "The installer could not start its preparation (error " +
                         std::to_string(machine.GetLastError()) +
                         ").\r\nClose the installer and run it again.",
                     "Error", win::MB_OK | win::MB_ICONSTOP);
  }
  return true;
}

void MainWindow::FillPortTypeList() {
  const platform::WindowId self = hwnd();
  platform::WindowSystem& controls = ui();
  controls.ListDeleteAllItems(self, IDC_PORT_LIST);
  for (int columns = controls.ListGetColumnCount(self, IDC_PORT_LIST); columns > 0; --columns) {
    controls.ListDeleteColumn(self, IDC_PORT_LIST, 0);
  }
  controls.ListSetExtendedStyle(
      self, IDC_PORT_LIST, PortTypeListStyle(controls.ListGetExtendedStyle(self, IDC_PORT_LIST)));
  controls.ListInsertColumn(self, IDC_PORT_LIST, 0, "Port", win::LVCFMT_LEFT, 110);
  controls.ListInsertColumn(self, IDC_PORT_LIST, 1, "Description", win::LVCFMT_LEFT, 450);
  controls.ListSetColumnWidth(self, IDC_PORT_LIST, 0, 110);
  controls.ListSetColumnWidth(self, IDC_PORT_LIST, 1, 450);
  int row = 0;
  for (const PortTypeRow& entry : kPortTypeRows) {
    const int inserted = controls.ListInsertItem(self, IDC_PORT_LIST, row, entry.port);
    if (inserted >= 0)
      controls.ListSetItemText(self, IDC_PORT_LIST, inserted, 1, entry.description);
    ++row;
  }
  controls.ListSetItemState(self, IDC_PORT_LIST, 0, win::LVIS_SELECTED,
                            win::LVIS_SELECTED | win::LVIS_FOCUSED);
}

void MainWindow::OnCommand(int id, int notifyCode) {
  switch (id) {
    case IDC_DRIVER_NAME:
      if (notifyCode == win::CBN_SELCHANGE) {
        ui().SetDlgItemTextA(hwnd(), IDC_PRINTER_NAME, DriverComboText());
      }
      break;
    case IDC_SET_DEFAULT:
      // The member follows the box at once, so that no later refresh (the
      // start-up worker's, the Install command's port inventory) puts a
      // stale value back over the user's choice.
      if (notifyCode == win::BN_CLICKED) {
        setDefaultPrinter = ui().IsDlgButtonChecked(hwnd(), IDC_SET_DEFAULT) ? 1 : 0;
      }
      break;
    case IDC_INSTALL:
      // Enter reaches the default button even while it is disabled; the
      // Install command must never overlap the start-up worker or a run.
      if (notifyCode == win::BN_CLICKED && ui().IsDlgItemEnabled(hwnd(), IDC_INSTALL)) {
        InstallCommand(*this);
      }
      break;
    case IDC_OPEN_UNINSTALL:
      if (notifyCode == win::BN_CLICKED) OpenUninstallWindow(*this);
      break;
    case win::IDCANCEL:
      Close(win::IDCANCEL);
      break;
    default:
      break;
  }
}

void MainWindow::OnTimer(std::uintptr_t timerId) { SerialProbeTick(*this, timerId); }

void MainWindow::OnClose() { Close(win::IDCANCEL); }

void MainWindow::OnDestroy() {
  ui().KillTimer(hwnd(), kProbeTimer);
  // A serial search cut short must not leave the shop's printers parked.
  AbandonSerialAssignment(*this);
  // The worker writes this window's members: let it skip its remaining steps
  // and wait for it. The wait handles the worker's synchronous sends, so a
  // worker in the middle of a refresh finishes it.
  closing_.store(true);
  if (startupWorker_) {
    startupWorker_->Wait();
    startupWorker_.reset();
  }
  RemoveWorkArea(machine);
}

bool MainWindow::OnMessage(uint32_t message, platform::WParam wParam, platform::LParam lParam,
                           platform::LResult& result) {
  if (message == WM_SERIALDATA) {
    serialReplySeen = 1;
    result = 0;
    return true;
  }
  if (message == WM_SERIALERROR) {
    // Shown here, owned by this window, rather than on the monitoring thread,
    // whose port the next probe tick closes and waits for.
    for (const std::string& text : serialChannel.TakeErrors()) {
      ui().MessageBoxA(hwnd(), text, "Application Error", win::MB_ICONSTOP | win::MB_OK);
    }
    result = 0;
    return true;
  }
  if (message == kRunOnWindowThread) {
    (*reinterpret_cast<const std::function<void()>*>(lParam))();
    result = 0;
    return true;
  }
  if (app.myUpdateDataMessage != 0 && message == app.myUpdateDataMessage) {
    UpdateData(wParam != 0);
    result = 0;
    return true;
  }
  return false;
}
