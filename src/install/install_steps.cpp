#include "install/install_steps.h"

#include "installation/installer_window.h"
#include "platform/win_constants.h"
#include "port_steps/port_dialogs.h"
#include "ports/port_kind.h"

namespace install_steps {

namespace {

// The entry of `list` named by a port dialog's row result, or null.
const std::string* RowEntry(const StringList& list, int32_t result) {
  const int64_t row = static_cast<int64_t>(result) - RESULT_ROW_BASE;
  if (row < 0 || row >= static_cast<int64_t>(list.size())) return nullptr;
  return &list[static_cast<std::size_t>(row)];
}

}  // namespace

bool ChooseDialogPort(Installation& installation, InstallerWindow& window) {
  const std::string* port = nullptr;
  if (installation.portKind == TcpIp) {
    const int32_t result = ChooseTcpIpPort(installation, window);
    if (result == RESULT_CANCEL) {
      window.EnableInstall();
      return false;
    }
    if (result == RESULT_PORT_ADDED) {
      port = installation.tcpipPorts.empty() ? nullptr : &installation.tcpipPorts.front();
    } else {
      port = RowEntry(installation.tcpipPorts, result);
    }
  } else if (installation.portKind == Parallel) {
    const int32_t result = ChooseParallelPort(installation, window);
    if (result == RESULT_CANCEL) {
      window.EnableInstall();
      return false;
    }
    port = RowEntry(installation.parallelPorts, result);
  } else {
    return true;
  }
  if (port == nullptr) {
    // The list changed under the dialog: there is nothing sound to bind to.
    AbandonRun(window, "The chosen port is not available,please select the port again",
               RunOutcome::kNoPort);
    return false;
  }
  installation.chosenPort = *port;
  return true;
}

namespace {

bool ReadDriverDirectory(Installation& installation, InstallerWindow& window,
                         const std::string& environment, std::string& directory) {
  std::string read;
  if (!installation.machine.spooler().GetPrinterDriverDirectoryA(environment, read) ||
      read.empty()) {
    AbandonRun(window,
               "Failed to get the printer driver directory " +
                   std::to_string(static_cast<int32_t>(installation.machine.GetLastError())),
               RunOutcome::kDriverRegistration);
    return false;
  }
  if (read.size() > kMaxDriverDirectoryLength) {
    AbandonRun(window, "The printer driver directory path is too long:\r\n" + read,
               RunOutcome::kDriverRegistration);
    return false;
  }
  directory = read;
  return true;
}

}  // namespace

bool ReadDriverTarget(Installation& installation, InstallerWindow& window, DriverTarget& target) {
  if (!installation.isWow64) {
    target = DriverTarget{"Windows NT x86", "", "x86"};
    return ReadDriverDirectory(installation, window, target.environment, target.directory);
  }
  // The x86 folder is read as ever, but only the x64 one is used: only its
  // failure stops the run.
  std::string unused;
  installation.machine.spooler().GetPrinterDriverDirectoryA("Windows NT x86", unused);
  target = DriverTarget{"Windows x64", "", "x64"};
  return ReadDriverDirectory(installation, window, target.environment, target.directory);
}

void AbandonRun(InstallerWindow& window, const std::string& text, RunOutcome outcome) {
  window.ShowMessageBox(text, "Error", win::MB_OK, outcome);
  window.SetInstallText("Reinstall");
  window.EnableInstall();
  window.SetProgress(0);
}

bool PathsFit(InstallerWindow& window, const std::vector<std::string>& paths, std::size_t limit) {
  for (const std::string& path : paths) {
    if (path.size() > limit) {
      AbandonRun(window, "The path is too long:\r\n" + path, RunOutcome::kDriverRegistration);
      return false;
    }
  }
  return true;
}

void AppendDependentFile(std::string& list, const std::string& name) {
  list += name;
  list.push_back('\0');
}

uint32_t StageFile(Installation& installation, InstallerWindow& window, const std::string& source,
                   const std::string& target) {
  platform::Machine& machine = installation.machine;
  const uint32_t error =
      machine.files().CopyFileA(source, target, false) ? 0 : machine.GetLastError();
  SetStatus(installation, window, target);
  return error;
}

}  // namespace install_steps
