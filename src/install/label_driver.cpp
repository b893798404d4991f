#include "install/label_driver.h"

#include <string>
#include <vector>

#include "drivers/model_catalogue.h"
#include "drivers/spooler_control.h"
#include "drivers/windows_version.h"
#include "install/install_steps.h"
#include "install/printer_creation.h"
#include "installation/installer_window.h"
#include "platform/app_message_box.h"
#include "platform/win_constants.h"

namespace {

using install_steps::AppendDependentFile;

constexpr const char* kMonitorName = "Advanced Language Monitor";
constexpr const char* kHelpFile = "THERMAL.chm";
constexpr const char* kCommonFolder = "C:\\Barcode\\Common\\";
// The label driver record's paths are built in 200-byte buffers.
constexpr std::size_t kMaxRecordPathLength = 199;
constexpr uint32_t kSystemFolderBuffer = 260;

struct Copy {
  std::string source;
  std::string target;
};

// Where the monitor DLL goes: the system folder, or on 64-bit Windows the
// Windows folder's SysWOW64. Empty when the folder cannot be read.
std::string MonitorTarget(Installation& installation, const char* monitorDll) {
  platform::FileSystem& files = installation.machine.files();
  std::string folder;
  uint32_t length = 0;
  if (installation.isWow64) {
    length = files.GetWindowsDirectoryA(folder, kSystemFolderBuffer);
    folder += "\\SysWOW64";
  } else {
    length = files.GetSystemDirectoryA(folder, kSystemFolderBuffer);
  }
  // A length of the buffer size or more is the size the folder would need.
  if (length == 0 || length >= kSystemFolderBuffer) return {};
  return folder + "\\" + monitorDll;
}

// Copies `source` beside `target`, under a name of the same length (the
// extension becomes ".new", so the path checks made for `target` hold), and
// has Windows move it over `target` at its next start.
void ScheduleReplacement(Installation& installation, InstallerWindow& window,
                         const std::string& source, const std::string& target) {
  const std::string pending = target.substr(0, target.rfind('.')) + ".new";
  if (install_steps::StageFile(installation, window, source, pending) != 0) return;
  if (installation.machine.files().MoveFileExA(
          pending, target, win::MOVEFILE_DELAY_UNTIL_REBOOT | win::MOVEFILE_REPLACE_EXISTING)) {
    installation.restartPending = true;
  }
}

}  // namespace

void InstallLabelDriver(Installation& installation, InstallerWindow& window) {
  platform::Machine& machine = installation.machine;
  if (!install_steps::ChooseDialogPort(installation, window)) return;

  const int32_t labelIndex =
      installation.modelIndex - (installation.receiptGroup1Size + installation.receiptGroup2Size +
                                 installation.receiptGroup3Size + installation.receiptGroup4Size);
  if (labelIndex < 0 || labelIndex >= catalogue::kLabelModelCount) {
    install_steps::AbandonRun(window, "The chosen driver is not a label printer driver",
                              RunOutcome::kUnknownDriverName);
    return;
  }
  const std::string driverName = catalogue::LabelModelNames[labelIndex];
  const std::string fileBase = catalogue::LabelFileBases[labelIndex];
  const std::string printerName = window.DriverComboText();

  install_steps::DriverTarget target;
  if (!install_steps::ReadDriverTarget(installation, window, target)) return;
  const std::string& environment = target.environment;
  const std::string& directory = target.directory;
  const std::string engineFolder = std::string("C:\\Barcode\\") + target.architecture + "\\";

  const char* const* engine = catalogue::LabelEngineFiles(installation.isWow64);
  const std::string monitorSource = engineFolder + engine[catalogue::kLabelMonitorDll];
  const std::string monitorTarget =
      MonitorTarget(installation, engine[catalogue::kLabelMonitorDll]);
  if (monitorTarget.empty()) {
    install_steps::AbandonRun(window, "Failed to get the system directory",
                              RunOutcome::kMonitorRegistration);
    return;
  }

  std::vector<Copy> copies;
  for (int32_t i = 0; i < catalogue::kLabelEngineFileCount; ++i) {
    copies.push_back({engineFolder + engine[i], directory + "\\" + engine[i]});
  }
  copies.push_back({std::string(kCommonFolder) + kHelpFile, directory + "\\" + kHelpFile});
  for (const char* extension : {".BA0", ".DAT", ".PP0"}) {
    copies.push_back({std::string(kCommonFolder) + fileBase + extension,
                      directory + "\\" + fileBase + extension});
  }

  platform::DriverInfo3 info;
  info.version = WindowsVersionCode(machine) == 4 ? 2 : 3;
  info.name = driverName;
  info.environment = environment;
  info.driverPath = directory + "\\" + engine[catalogue::kLabelDriverDll];
  info.dataFile = directory + "\\" + fileBase + ".DAT";
  info.configFile = directory + "\\" + engine[catalogue::kLabelUiDll];
  info.helpFile = directory + "\\" + kHelpFile;
  for (int32_t i = catalogue::kLabelFirstDependent; i < catalogue::kLabelEngineFileCount; ++i) {
    AppendDependentFile(info.dependentFiles, std::string("\\") + engine[i]);
  }
  AppendDependentFile(info.dependentFiles, "\\" + fileBase + ".BA0");
  AppendDependentFile(info.dependentFiles, fileBase + ".PP0");
  info.dependentFiles.push_back('\0');
  info.monitorName = kMonitorName;
  info.defaultDataType = "RAW";

  std::vector<std::string> paths = {monitorSource, monitorTarget};
  for (const Copy& copy : copies) {
    paths.push_back(copy.source);
    paths.push_back(copy.target);
  }
  if (!install_steps::PathsFit(window, paths, install_steps::kMaxPathLength) ||
      !install_steps::PathsFit(window,
                               {info.driverPath, info.dataFile, info.configFile, info.helpFile},
                               kMaxRecordPathLength)) {
    return;
  }

  SpoolerControl(machine, window.Owner(), "Spooler", EnsureRunning);

  // A monitor left by an earlier run is replaced; the spooler only lets go
  // of the old DLL after a restart, and Windows refuses to overwrite a DLL
  // that is loaded: the copy comes after both.
  platform::Spooler& spooler = machine.spooler();
  const bool deleted = spooler.DeleteMonitorA(environment, kMonitorName);
  // A driver of an earlier run still names the monitor: it stays registered
  // and the spooler keeps its DLL loaded.
  const bool stillRegistered =
      !deleted && machine.GetLastError() == win::ERROR_PRINT_MONITOR_IN_USE;
  if (deleted) SpoolerControl(machine, window.Owner(), "Spooler", Restart);
  if (const uint32_t error =
          install_steps::StageFile(installation, window, monitorSource, monitorTarget)) {
    if (!stillRegistered || !platform::IsFile(machine.files(), monitorTarget)) {
      // Registering now would register a stale DLL, or none.
      install_steps::AbandonRun(window,
                                "Failed to copy the language monitor to " + monitorTarget +
                                    " (error " + std::to_string(error) + ")",
                                RunOutcome::kMonitorRegistration);
      return;
    }
    // The registered monitor works on with its old DLL until Windows starts
    // again, which then puts the new one in its place.
    ScheduleReplacement(installation, window, monitorSource, monitorTarget);
  }
  if (!spooler.AddMonitorA({kMonitorName, environment, monitorTarget}) &&
      machine.GetLastError() != win::ERROR_PRINT_MONITOR_ALREADY_INSTALLED) {
    window.ShowAppMessageBox("Failed to add Monitor\r\n", win::MB_OK,
                             RunOutcome::kMonitorRegistration);
    window.Close(win::IDOK);
    return;
  }
  SetStatus(installation, window, std::string(kMonitorName) + " is added");

  for (const Copy& copy : copies)
    install_steps::StageFile(installation, window, copy.source, copy.target);

  window.SetProgress(10);
  SetStatus(installation, window, "Adding printer drive " + driverName);

  if (!RegisterDriver(installation, window, info, InstallVariant::Label)) return;

  // The monitor DLL in the system folder stays: the spooler loads it from
  // there.
  platform::FileSystem& files = machine.files();
  files.DeleteFileA(directory + "\\" + kHelpFile);
  for (const char* extension : {".BA0", ".PP0", ".DAT"}) {
    files.DeleteFileA(directory + "\\" + fileBase + extension);
  }
  for (int32_t i = 0; i < catalogue::kLabelEngineFileCount; ++i) {
    files.DeleteFileA(directory + "\\" + engine[i]);
  }

  window.SetProgress(20);
  CreatePrinterAndFinish(installation, window, printerName, driverName, InstallVariant::Label);
}
