// The installer's command line (Windows conventions: switches begin with
// "/" or "-", their names are case-blind, a value follows a colon) and the
// exit codes that deployment tools act on.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace exit_code {
// Windows' own codes, so that "net helpmsg N" tells the truth; deployment
// tools take 0 as success and retry 1618.
inline constexpr int kSuccess = 0;
inline constexpr int kNoPackage = 2;             // ERROR_FILE_NOT_FOUND
inline constexpr int kBadCommandLine = 87;       // ERROR_INVALID_PARAMETER
inline constexpr int kNotElevated = 740;         // ERROR_ELEVATION_REQUIRED
inline constexpr int kSpoolerNotRunning = 1062;  // ERROR_SERVICE_NOT_ACTIVE
inline constexpr int kCancelled = 1223;          // ERROR_CANCELLED
inline constexpr int kTimedOut = 1460;           // ERROR_TIMEOUT
inline constexpr int kInstallFailed = 1603;
inline constexpr int kRestartNeeded =
    3010;  // ERROR_SUCCESS_REBOOT_REQUIRED: done      // ERROR_INSTALL_FAILURE
inline constexpr int kAlreadyRunning = 1618;     // ERROR_INSTALL_ALREADY_RUNNING
inline constexpr int kNoPortOfKind = 1796;       // ERROR_UNKNOWN_PORT
inline constexpr int kUnknownDriverName = 1797;  // ERROR_UNKNOWN_PRINTER_DRIVER
}  // namespace exit_code

// The port kinds in PortKind order: as /port names them, and as the log does.
struct PortKindName {
  const char* switchValue;
  const char* text;
};
inline constexpr PortKindName kPortKindNames[] = {
    {"serial", "serial"}, {"usb", "USB"}, {"parallel", "parallel"}, {"tcpip", "TCP/IP"}};

enum class RunMode { Window, Passive, Quiet };

struct CommandLine {
  RunMode mode = RunMode::Window;
  bool help = false;
  std::optional<std::string> driver;
  std::optional<int32_t> portKind;  // PortKind
  std::string port;                 // the port named after "=", if any
  std::optional<int32_t> baudRate;
  bool noDefault = false;
  bool force = false;  // reinstalls a printer already installed as asked
  std::optional<std::string> uninstall;
  bool list = false;
  std::string logFile;
  int32_t timeoutMinutes = 30;  // the unattended run's time limit
  std::string package;          // the driver package, or the folder holding it

  bool Unattended() const { return mode != RunMode::Window; }
};

struct ParsedCommandLine {
  CommandLine options;
  std::string error;  // empty when the command line is sound
};

// `arguments` without the program's name, as the C runtime split them (so
// quotes around a value holding blanks are already gone).
ParsedCommandLine ParseCommandLine(const std::vector<std::string>& arguments);

// The arguments as one line again, values with blanks quoted: for the log.
std::string JoinCommandLine(const std::vector<std::string>& arguments);

// The text shown for /? and /help.
extern const char* const kUsageText;
