#include "unattended/command_line.h"

#include <algorithm>
#include <cctype>

#include "ports/baud_rates.h"
#include "ports/port_kind.h"

const char* const kUsageText =
    "DriverSetup [/driver:NAME [/port:KIND[=PORT]] [/baud:RATE] [/nodefault] [/force]]\r\n"
    "            [/uninstall:NAME] [/list] [/quiet | /passive] [/norestart] [/log:FILE]\r\n"
    "            [/package:PATH] [/timeout:MINUTES]\r\n"
    "\r\n"
    "/driver:NAME      installs the driver of NAME, as the Driver Name list shows it\r\n"
    "/port:KIND        serial, usb, parallel or tcpip; KIND=PORT names the port\r\n"
    "                  (parallel=LPT2:, tcpip=IP_10.1.2.3, usb=USB002, serial=COM3:)\r\n"
    "/baud:RATE        the serial rate to look for the printer with (default 19200)\r\n"
    "/nodefault        does not make the printer the default printer\r\n"
    "/force            reinstalls a printer that is already installed as asked\r\n"
    "/uninstall:NAME   removes the printer NAME with its driver\r\n"
    "/list             writes the installed printers (name, port, driver) and the\r\n"
    "                  driver names, tab-separated, to the console and the log\r\n"
    "/quiet            shows no window; /passive shows progress but asks nothing\r\n"
    "/package:PATH     the driver package DriverData.Drv, or the folder holding it\r\n"
    "                  (default: the current folder, then the program's folder)\r\n"
    "/timeout:MINUTES  ends an unattended run that takes longer (default 30)\r\n"
    "/norestart        accepted; the installer never restarts Windows\r\n"
    "/log:FILE         appends a log to FILE (unattended: %TEMP%\\DriverSetup.log)\r\n"
    "/? or /help       shows this text\r\n"
    "\r\n"
    "Exit codes (Windows' own, \"net helpmsg N\" explains them): 0 done,\r\n"
    "3010 done, Windows must restart to finish, 2 no driver package or\r\n"
    "driver-name list, 87 bad command line, 740 needs elevation, 1062 the print\r\n"
    "spooler does not run, 1223 cancelled, 1460 the time limit passed,\r\n"
    "1603 installation or removal failed, 1618 another installer is running\r\n"
    "(retry), 1796 no port of the asked kind, 1797 the driver name is not in the\r\n"
    "driver-name list.";

namespace {

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

std::string Check(const std::string& name, const std::string& value, CommandLine& options) {
  if (name == "port") {
    const std::size_t equals = value.find('=');
    const std::string kind = Lower(value.substr(0, equals));
    for (int32_t k = Serial; k <= TcpIp; ++k) {
      if (kind == kPortKindNames[k].switchValue) options.portKind = k;
    }
    if (!options.portKind) return "/port: \"" + kind + "\" is not serial, usb, parallel or tcpip";
    if (equals != std::string::npos) {
      options.port = value.substr(equals + 1);
      if (options.port.empty()) return "/port: the port after \"=\" is empty";
      // The spooler names serial and parallel ports with a colon; admins
      // often leave it out.
      if ((options.portKind == Serial || options.portKind == Parallel) &&
          options.port.back() != ':') {
        options.port += ':';
      }
    }
  } else if (name == "baud") {
    const auto rate = std::find_if(std::begin(kSerialBaudRates), std::end(kSerialBaudRates),
                                   [&](int32_t r) { return std::to_string(r) == value; });
    if (rate == std::end(kSerialBaudRates)) {
      std::string error = "/baud: " + value + " is not one of";
      for (const int32_t r : kSerialBaudRates)
        error += (r == kSerialBaudRates[0] ? " " : ", ") + std::to_string(r);
      return error;
    }
    options.baudRate = *rate;
  } else if (name == "driver") {
    options.driver = value;
  } else if (name == "uninstall") {
    options.uninstall = value;
  } else if (name == "timeout") {
    const bool digits = value.size() <= 4 && std::all_of(value.begin(), value.end(), [](char c) {
                          return std::isdigit(static_cast<unsigned char>(c)) != 0;
                        });
    const int32_t minutes = digits ? std::stoi(value) : 0;
    if (minutes < 1 || minutes > 1440) {
      return "/timeout: " + value + " is not a number of minutes from 1 to 1440";
    }
    options.timeoutMinutes = minutes;
  } else if (name == "package") {
    options.package = value;
  } else if (name == "log") {
    options.logFile = value;
  } else if (name == "quiet" || name == "passive") {
    if (options.mode != RunMode::Window) return "/quiet and /passive exclude each other";
    options.mode = name == "quiet" ? RunMode::Quiet : RunMode::Passive;
  } else if (name == "nodefault") {
    options.noDefault = true;
  } else if (name == "norestart") {
    // The installer never restarts Windows; deployment tools pass it anyway.
  } else if (name == "force") {
    options.force = true;
  } else if (name == "list") {
    options.list = true;
  } else {
    options.help = true;
  }
  return {};
}

}  // namespace

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
  static constexpr const char* kWithValue[] = {"driver", "port",    "baud",   "uninstall",
                                               "log",    "package", "timeout"};
  static constexpr const char* kFlags[] = {"quiet",     "passive", "nodefault", "force",
                                           "norestart", "list",    "?",         "help"};
  ParsedCommandLine parsed;
  CommandLine& options = parsed.options;
  std::vector<std::string> seen;
  // Every argument is read, the first fault kept: a bad command line still
  // logs where /log and /quiet say.
  for (const std::string& argument : arguments) {
    std::string error;
    const std::size_t colon = argument.find(':');
    const std::string name = argument.empty() ? "" : Lower(argument.substr(1, colon - 1));
    const bool hasValue = colon != std::string::npos;
    const std::string value = hasValue ? argument.substr(colon + 1) : std::string();
    const bool takesValue =
        std::find(std::begin(kWithValue), std::end(kWithValue), name) != std::end(kWithValue);
    const bool isFlag = std::find(std::begin(kFlags), std::end(kFlags), name) != std::end(kFlags);
    if (argument.size() < 2 || (argument[0] != '/' && argument[0] != '-')) {
      error = "\"" + argument + "\" is not a switch";
    } else if (!takesValue && !isFlag) {
      error = "unknown switch " + argument;
    } else if (std::find(seen.begin(), seen.end(), name) != seen.end()) {
      error = "/" + name + " is given twice";
    } else if (takesValue && value.empty()) {
      error = "/" + name + " needs a value: /" + name + ":VALUE";
    } else if (isFlag && hasValue) {
      error = "/" + name + " takes no value";
    } else {
      error = Check(name, value, options);
      seen.push_back(name);
    }
    if (parsed.error.empty()) parsed.error = error;
  }
  if (!parsed.error.empty()) return parsed;
  if (options.help) return parsed;
  const int actions =
      (options.driver ? 1 : 0) + (options.uninstall ? 1 : 0) + (options.list ? 1 : 0);
  if (actions > 1) {
    parsed.error = "/driver, /uninstall and /list exclude each other";
  } else if (options.Unattended() && actions == 0) {
    parsed.error = "/quiet and /passive need /driver, /uninstall or /list";
  } else if (!options.driver &&
             (options.portKind || options.baudRate || options.noDefault || options.force)) {
    parsed.error = "/port, /baud, /nodefault and /force go with /driver";
  } else if (options.baudRate && options.portKind && *options.portKind != Serial) {
    parsed.error = "/baud goes with /port:serial";
  }
  return parsed;
}

std::string JoinCommandLine(const std::vector<std::string>& arguments) {
  std::string line;
  for (const std::string& argument : arguments) {
    if (!line.empty()) line += ' ';
    const bool quote = argument.find(' ') != std::string::npos;
    line += quote ? "\"" + argument + "\"" : argument;
  }
  return line;
}
