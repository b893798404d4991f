#include "install/receipt_driver.h"

#include <string>
#include <utility>
#include <vector>

#include "drivers/model_catalogue.h"
#include "drivers/spooler_control.h"
#include "drivers/windows_version.h"
#include "install/install_steps.h"
#include "install/printer_creation.h"
#include "installation/installer_window.h"

namespace {

using install_steps::AppendDependentFile;

struct Copy {
  std::string source;
  std::string target;
};

}  // namespace

void InstallReceiptDriver(Installation& installation, InstallerWindow& window) {
  platform::Machine& machine = installation.machine;
  if (!install_steps::ChooseDialogPort(installation, window)) return;

  const catalogue::ReceiptGroupSizes sizes{
      installation.receiptGroup1Size, installation.receiptGroup2Size,
      installation.receiptGroup3Size, installation.receiptGroup4Size};
  const int32_t row = installation.modelIndex;
  const int32_t group = catalogue::ReceiptGroup(row, sizes);
  if (group == 0 || row >= catalogue::kReceiptModelCount) {
    install_steps::AbandonRun(window, "The chosen driver is not a receipt printer driver",
                              RunOutcome::kUnknownDriverName);
    return;
  }

  install_steps::DriverTarget target;
  if (!install_steps::ReadDriverTarget(installation, window, target)) return;
  const std::string& environment = target.environment;
  const std::string& directory = target.directory;
  const std::string staging = std::string("C:\\Ticket\\") + target.architecture + "\\";

  const char* const driverNameEntry = catalogue::ReceiptModelNames[row];
  const std::string driverName = driverNameEntry;
  const std::string fileBase = catalogue::ReceiptFileBases[row];
  const std::string printerName = window.DriverComboText();
  const std::string groupDll = std::string(catalogue::GroupDllBase(group, printerName)) + ".DLL";
  const std::string gpd = fileBase + ".GPD";

  std::vector<Copy> copies;
  for (const std::string& name :
       {groupDll, gpd, std::string("OEMPLUG.ini"), std::string("OEMPLUG.dll")}) {
    copies.push_back({staging + name, directory + "\\" + name});
  }
  for (const char* core : catalogue::UnidrvCoreFiles) {
    copies.push_back({staging + core, directory + "\\" + core});
  }

  platform::DriverInfo3 info;
  info.version = WindowsVersionCode(machine) == 4 ? 2 : 3;
  info.name = driverName;
  info.environment = environment;
  info.driverPath = directory + "\\uniDRV.DLL";
  info.dataFile = directory + "\\" + gpd;
  info.configFile = directory + "\\uniDRVui.DLL";
  info.helpFile = directory + "\\uniDRV.HLP";
  AppendDependentFile(info.dependentFiles, "\\ttfsub.GPD");
  AppendDependentFile(info.dependentFiles, "\\unires.DLL");
  AppendDependentFile(info.dependentFiles, "\\stdnames.GPD");
  if (catalogue::IsPluginRow(driverNameEntry)) {
    AppendDependentFile(info.dependentFiles, "\\OEMPLUG.ini");
    AppendDependentFile(info.dependentFiles, "\\OEMPLUG.dll");
  }
  AppendDependentFile(info.dependentFiles, groupDll);
  info.dependentFiles.push_back('\0');
  info.monitorName = "";
  info.defaultDataType = "RAW";

  std::vector<std::string> paths = {info.driverPath, info.dataFile, info.configFile, info.helpFile};
  for (const Copy& copy : copies) {
    paths.push_back(copy.source);
    paths.push_back(copy.target);
  }
  if (!install_steps::PathsFit(window, paths, install_steps::kMaxPathLength)) return;

  for (const Copy& copy : copies)
    install_steps::StageFile(installation, window, copy.source, copy.target);

  window.SetProgress(10);
  SetStatus(installation, window, "Adding printer drive " + driverName);

  SpoolerControl(machine, window.Owner(), "Spooler", EnsureRunning);
  if (!RegisterDriver(installation, window, info, InstallVariant::Receipt)) return;

  // Only the plug-in pair is left in the driver directory.
  platform::FileSystem& files = machine.files();
  files.DeleteFileA(directory + "\\" + groupDll);
  files.DeleteFileA(directory + "\\" + gpd);
  for (const char* core : catalogue::UnidrvCoreFiles) files.DeleteFileA(directory + "\\" + core);

  window.SetProgress(20);
  CreatePrinterAndFinish(installation, window, printerName, driverName, InstallVariant::Receipt);
}
