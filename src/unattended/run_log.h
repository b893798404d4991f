// The log of a run started with arguments: one line per event, each with
// its local time and the process id, appended to a file in the system code
// page (so that Notepad reads it) and written to the console the program
// was started from. Lines may come from any thread. A log file that is a
// link, has more than one name, or belongs to someone other than the
// administrators is not appended to: the run writes a new file beside it
// instead.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>

#include "platform/process.h"

class RunLog {
 public:
  explicit RunLog(platform::ProcessServices& process) : process_(process) {}

  // Appends to `path` from now on (none when empty), and to the console
  // when there is one.
  void Open(const std::string& path, bool console);
  // Line breaks inside `text` become " | ": one event, one line.
  void Line(const std::string& text);
  // A line a script reads from the console: there without the time and the
  // process id, in the file as every other line.
  void Output(const std::string& text);
  // The file written: the one asked for, or the one beside it.
  const std::string& path() const { return path_; }
  // "C:\Temp\DriverSetup.log" -> "C:\Temp\DriverSetup-<id>.log".
  static std::string BesidePath(const std::string& path, uint32_t processId);

 private:
  void Write(const std::string& text, bool bareOnConsole);
  // The line as the file gets it: time, process id, text.
  std::string Stamped(const std::string& text);
  // The text as one line.
  static std::string Bare(const std::string& text);

  platform::ProcessServices& process_;
  std::mutex mutex_;
  std::string path_;
  bool console_ = false;
  bool fileFailed_ = false;
  bool movedAside_ = false;
  std::string processTag_;
};
