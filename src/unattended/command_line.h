// The installer's command line (Windows conventions: switches begin with
// "/" or "-", their names are case-blind, a value follows a colon) and the
// exit codes that deployment tools act on.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace exit_code {
// Windows' own codes where one fits.
inline constexpr int kSuccess = 0;
inline constexpr int kNotElevated = 5;           // ERROR_ACCESS_DENIED
inline constexpr int kBadCommandLine = 87;       // ERROR_INVALID_PARAMETER
inline constexpr int kSpoolerNotRunning = 1062;  // ERROR_SERVICE_NOT_ACTIVE
inline constexpr int kCancelled = 1223;          // ERROR_CANCELLED
// ERROR_INSTALL_FAILURE: the work area is a link or another account's.
inline constexpr int kUnsafeWorkArea = 1603;
// The installer's own, stable from release to release.
inline constexpr int kNoDriverNameList = 10;
inline constexpr int kUnknownDriverName = 11;
inline constexpr int kDriverRegistrationFailed = 12;
inline constexpr int kMonitorRegistrationFailed = 13;
inline constexpr int kPrinterCreationFailed = 14;
inline constexpr int kNoPortOfKind = 15;
inline constexpr int kAlreadyRunning = 16;
inline constexpr int kRemovalFailed = 17;
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
  std::optional<std::string> uninstall;
  bool list = false;
  std::string logFile;

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
