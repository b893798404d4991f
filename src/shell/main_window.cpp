#include "shell/main_window.h"

#include "dialogs/list_view.h"
#include "dialogs/parallel_port_dialog.h"
#include "dialogs/serial_prompt_dialog.h"
#include "dialogs/tcpip_port_dialog.h"
#include "dialogs/uninstall_dialog.h"
#include "dialogs/usb_port_dialog.h"
#include "install/install_command.h"
#include "package/work_area.h"
#include "platform/app_message_box.h"
#include "platform/win_constants.h"
#include "port_steps/serial_assignment.h"
#include "resources/resource.h"
#include "startup/startup_worker.h"

namespace {

// Private message (WM_APP + 16): lParam points at the work to run on the
// window's thread (Batch).
constexpr uint32_t kRunOnWindowThread = 0x8000 + 16;
// Private message (WM_APP + 17), posted by the start-up worker of a run
// with a command line once it is done.
constexpr uint32_t kStartupDone = 0x8000 + 17;
// /passive clicks Install this long after the choices are filled in, so that
// the person at the screen sees them before the run takes the window. Its
// id differs from the serial probe's timer (1).
constexpr std::uintptr_t kPassiveClickTimer = 2;
constexpr uint32_t kPassiveClickDelayMs = 500;

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

MainWindow::MainWindow(platform::Machine& machine, uint32_t updateDataMessage, UnattendedRun* run)
    : platform::Dialog(machine.ui()),
      machine_(machine),
      updateDataMessage_(updateDataMessage),
      installation_(machine),
      run_(run) {
  if (run_) installation_.packagePlaces = run_->PackagePlaces();
}

MainWindow::~MainWindow() {
  // Normally OnDestroy has already waited for the worker; this covers a
  // window whose dialog never ran to its end.
  closing_.store(true);
  startupWorker_.reset();
}

void MainWindow::Refresh() { ui().SendMessageA(hwnd(), updateDataMessage_, 0, 0); }

void MainWindow::SetProgress(int position) { ui().SetProgressPos(hwnd(), IDC_PROGRESS, position); }

void MainWindow::UpdateData(bool fromControls) {
  Installation& state = installation_;
  if (fromControls) {
    state.setDefaultPrinter = ui().IsDlgButtonChecked(hwnd(), IDC_SET_DEFAULT) ? 1 : 0;
    state.statusText = ui().GetDlgItemTextA(hwnd(), IDC_STATUS);
  } else {
    ui().CheckDlgButton(hwnd(), IDC_SET_DEFAULT, state.setDefaultPrinter != 0);
    ui().SetDlgItemTextA(hwnd(), IDC_STATUS, state.statusText);
    if (run_) run_->Status(state.statusText, state.statusOutcome);
  }
}

std::string MainWindow::DriverComboText() {
  // A drop-down list's text is its selected item; no selection, no text.
  const int selected = ui().ComboGetCurSel(hwnd(), IDC_DRIVER_NAME);
  if (selected < 0) return std::string();
  return ui().ComboGetItemText(hwnd(), IDC_DRIVER_NAME, selected);
}

int32_t MainWindow::DriverComboSelection() { return ui().ComboGetCurSel(hwnd(), IDC_DRIVER_NAME); }

void MainWindow::ShowDriverNames(const std::vector<std::string>& names) {
  // In one send to the window's thread.
  Batch([&] {
    platform::WindowSystem& controls = ui();
    const platform::WindowId self = hwnd();
    controls.ComboResetContent(self, IDC_DRIVER_NAME);
    for (const std::string& name : names) controls.ComboAddString(self, IDC_DRIVER_NAME, name);
    controls.ComboSetCurSel(self, IDC_DRIVER_NAME, 0);
    controls.SetDlgItemTextA(self, IDC_PRINTER_NAME, DriverComboText());
    Refresh();
  });
}

void MainWindow::SelectDriverName(int32_t row) {
  Batch([&] {
    ui().ComboSetCurSel(hwnd(), IDC_DRIVER_NAME, row);
    ui().SetDlgItemTextA(hwnd(), IDC_PRINTER_NAME, DriverComboText());
  });
}

int32_t MainWindow::SelectedPortKind(int32_t current) {
  const int row = list_view::FirstSelectedRow(ui(), hwnd(), IDC_PORT_LIST);
  return row < 0 ? current : row;
}

void MainWindow::SelectPortKind(int32_t row) {
  // The list allows a single selection: selecting the row clears the old one.
  // The selection and the refresh in one send to the window's thread.
  Batch([&] {
    ui().ListSetItemState(hwnd(), IDC_PORT_LIST, row, win::LVIS_SELECTED,
                          win::LVIS_SELECTED | win::LVIS_FOCUSED);
    Refresh();
  });
}

void MainWindow::ShowPortsChanged() {
  // The style and the refresh in one send to the window's thread.
  Batch([&] {
    ui().ListSetExtendedStyle(hwnd(), IDC_PORT_LIST,
                              PortTypeListStyle(ui().ListGetExtendedStyle(hwnd(), IDC_PORT_LIST)));
    Refresh();
  });
}

int MainWindow::ShowMessageBox(const std::string& text, const std::string& caption, uint32_t type,
                               RunOutcome outcome) {
  // Read before the box can change it: the call the box reports on.
  const uint32_t lastError = machine_.GetLastError();
  const int answer = ui().MessageBoxA(hwnd(), text, caption, type);
  if (run_) run_->Ended(outcome, lastError);
  return answer;
}

int MainWindow::ShowAppMessageBox(const std::string& text, uint32_t type, RunOutcome outcome) {
  const uint32_t lastError = machine_.GetLastError();
  const int answer = platform::AppMessageBox(machine_, hwnd(), text, type);
  if (run_) run_->Ended(outcome, lastError);
  return answer;
}

std::intptr_t MainWindow::ShowPortDialog(int32_t kind, std::string& chosenPort) {
  if (Unattended()) {
    return run_->AnswerPortDialog(installation_, kind, chosenPort);
  }
  std::intptr_t result = win::IDCANCEL;
  if (kind == TcpIp) {
    TcpIpPortDialog dialog(machine_);
    result = ui().DialogBoxParamA(IDD_TCPIP_PORT, hwnd(), dialog);
    chosenPort = dialog.chosenPort();
  } else if (kind == Parallel) {
    ParallelPortDialog dialog(machine_);
    result = ui().DialogBoxParamA(IDD_PARALLEL_PORT, hwnd(), dialog);
    chosenPort = dialog.chosenPort();
  } else if (kind == Usb) {
    UsbPortDialog dialog(machine_);
    result = ui().DialogBoxParamA(IDD_USB_PORT, hwnd(), dialog);
    chosenPort = dialog.chosenPort();
  }
  return result;
}

int MainWindow::AddTcpIpPort() {
  if (Unattended()) return run_->AnswerTcpIpWizard();
  return machine_.spooler().AddPortA(hwnd(), "Standard TCP/IP Port");
}

std::intptr_t MainWindow::ShowSerialPrompt() {
  if (Unattended()) return run_->AnswerSerialPrompt();
  return ::ShowSerialPrompt(machine_, hwnd());
}

void MainWindow::SetTimer(std::uintptr_t timerId, uint32_t intervalMs) {
  ui().SetTimer(hwnd(), timerId, intervalMs);
}

void MainWindow::KillTimer(std::uintptr_t timerId) { ui().KillTimer(hwnd(), timerId); }

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

void MainWindow::Batch(const std::function<void()>& work) {
  ui().SendMessageA(hwnd(), kRunOnWindowThread, 0, reinterpret_cast<platform::LParam>(&work));
}

bool MainWindow::OnInitDialog() {
  // The template's status text is never shown: the first refresh empties it.
  UpdateData(false);

  Installation& state = installation_;
  state.probePortNumber = 0;
  state.parity = 78;
  state.dataBits = 8;
  state.stopBits = 1;
  state.commEventMask = 3;
  state.probeIndex = 0;
  state.serialReplySeen = 0;
  state.receiptGroup1Size = 15;
  state.receiptGroup2Size = 7;
  state.receiptGroup3Size = 5;
  state.receiptGroup4Size = 25;
  state.labelGroupSize = 5;

  FillPortTypeList();
  Refresh();
  if (Unattended()) SetTimer(UnattendedRun::kTimeLimitTimer, run_->TimeLimitMs());

  startupWorker_ = machine_.threads().StartThread([this] {
    StartupWorker(installation_, *this);
    if (run_) ui().PostMessageA(hwnd(), kStartupDone, 0, 0);
  });
  if (!startupWorker_) {
    // Nothing was unpacked or listed: Install stays disabled, and Cancel and
    // the close box end the program as always.
    const uint32_t error = machine_.GetLastError();
    ui().MessageBoxA(hwnd(),
                     "The installer could not start its preparation (error " +
                         std::to_string(error) + ").\r\nClose the installer and run it again.",
                     "Error", win::MB_OK | win::MB_ICONSTOP);
    if (run_) run_->Ended(RunOutcome::kNoDriverNameList, error);
    // Unattended, nobody is there to close it.
    if (Unattended()) Close(win::IDOK);
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
        installation_.setDefaultPrinter = ui().IsDlgButtonChecked(hwnd(), IDC_SET_DEFAULT) ? 1 : 0;
      }
      break;
    case IDC_INSTALL:
      // Enter reaches the default button even while it is disabled; the
      // Install command must never overlap the start-up worker or a run.
      if (notifyCode == win::BN_CLICKED && ui().IsDlgItemEnabled(hwnd(), IDC_INSTALL)) {
        installRunning_ = true;
        if (run_) run_->InstallStarted();
        InstallCommand(installation_, *this);
        EndWhenInstalled();
      }
      break;
    case IDC_OPEN_UNINSTALL:
      if (notifyCode == win::BN_CLICKED) {
        UninstallDialog dialog(machine_);
        ui().DialogBoxParamA(IDD_UNINSTALL, hwnd(), dialog);
      }
      break;
    case win::IDCANCEL:
      Close(win::IDCANCEL);
      break;
    default:
      break;
  }
}

void MainWindow::OnTimer(std::uintptr_t timerId) {
  // Only the timers this window set act: a WM_TIMER can come from anywhere.
  if (timerId == UnattendedRun::kTimeLimitTimer && Unattended()) {
    KillTimer(timerId);
    run_->TimedOut(installation_);
    Close(win::IDCANCEL);
    return;
  }
  if (timerId == kPassiveClickTimer && passiveClickDue_) {
    passiveClickDue_ = false;
    KillTimer(kPassiveClickTimer);
    OnCommand(IDC_INSTALL, win::BN_CLICKED);
    if (!installRunning_) Close(win::IDOK);
    return;
  }
  SerialProbeTick(installation_, *this, timerId);
  EndWhenInstalled();
}

void MainWindow::EndWhenInstalled() {
  if (!run_ || !installRunning_ || installation_.serialSearch || Closing()) return;
  installRunning_ = false;
  run_->InstallEnded(installation_, hwnd(), DriverComboText());
  if (Unattended()) Close(win::IDOK);
}

void MainWindow::OnClose() { Close(win::IDCANCEL); }

void MainWindow::OnDestroy() {
  // Whoever set it, and whatever the search's state says.
  KillTimer(kSerialProbeTimer);
  // A serial search cut short must not leave the shop's printers parked.
  AbandonSerialAssignment(installation_, *this);
  // The worker writes this window's members: let it skip its remaining steps
  // and wait for it. The wait handles the worker's synchronous sends, so a
  // worker in the middle of a refresh finishes it.
  closing_.store(true);
  if (startupWorker_) {
    startupWorker_->Wait();
    startupWorker_.reset();
  }
  RemoveWorkArea(machine_);
}

bool MainWindow::OnMessage(uint32_t message, platform::WParam wParam, platform::LParam lParam,
                           platform::LResult& result) {
  if (OnSerialNotification(installation_, *this, message)) {
    result = 0;
    return true;
  }
  if (message == kStartupDone && run_) {
    // The run's choices in the controls; unattended, the click follows.
    const bool install = run_->AfterStartup(installation_, *this);
    if (Unattended()) {
      if (install) {
        passiveClickDue_ = true;
        SetTimer(kPassiveClickTimer, kPassiveClickDelayMs);
      } else {
        Close(win::IDOK);
      }
    }
    result = 0;
    return true;
  }
  if (message == kRunOnWindowThread) {
    (*reinterpret_cast<const std::function<void()>*>(lParam))();
    result = 0;
    return true;
  }
  if (updateDataMessage_ != 0 && message == updateDataMessage_) {
    UpdateData(wParam != 0);
    result = 0;
    return true;
  }
  return false;
}
