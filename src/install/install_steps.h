// Steps shared by the receipt and the label driver installations.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "installation/run_outcome.h"

struct Installation;
class InstallerWindow;

namespace install_steps {

// Composed paths live in MAX_PATH buffers; the driver directory in a
// 255-byte one.
inline constexpr std::size_t kMaxPathLength = 259;
inline constexpr std::size_t kMaxDriverDirectoryLength = 254;

// The port dialog for TCP/IP and parallel ports; stores the chosen port in
// chosenPort. False when the run ends here (cancelled, or a result that names
// no port); the Install button is then enabled again.
bool ChooseDialogPort(Installation& installation, InstallerWindow& window);

// Where a driver goes: the spooler's environment and driver directory, and
// the package's folder of the same bitness ("x86" or "x64").
struct DriverTarget {
  std::string environment;
  std::string directory;
  const char* architecture = "x86";
};

// Reads the driver directory for the system's bitness. The 32-bit one is read
// first on every system; a 64-bit system then replaces it with its own. False
// (the run abandoned) when the spooler gives none for the system's bitness,
// or one that does not fit the paths built from it.
bool ReadDriverTarget(Installation& installation, InstallerWindow& window, DriverTarget& target);

// Ends a run that cannot go on before the printer exists: a box owned by the
// main window, then the Install button enabled as "Reinstall" and progress 0,
// as after a failed printer creation.
void AbandonRun(InstallerWindow& window, const std::string& text, RunOutcome outcome);

// True when every path fits `limit` characters; otherwise abandons the run
// naming the first path that does not.
bool PathsFit(InstallerWindow& window, const std::vector<std::string>& paths, std::size_t limit);

// Appends one name, with its terminating zero, to a dependent-file list.
void AppendDependentFile(std::string& list, const std::string& name);

// Copies source to target, overwriting, and shows the target on the status
// line. Returns 0, or the error the copy failed with (read before the status
// line's window calls can change it); for the driver files it does not
// matter, since a missing file surfaces when the spooler registers the driver.
uint32_t StageFile(Installation& installation, InstallerWindow& window, const std::string& source,
                   const std::string& target);

}  // namespace install_steps
