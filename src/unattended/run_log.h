// The log of a run started with arguments: one line per event, each with
// its local time and the process id, appended to a file in the system code page (so that
// Notepad reads it) and written to the console the program was started
// from. Lines may come from any thread.
#pragma once

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
  const std::string& path() const { return path_; }

 private:
  void Write(const std::string& text, bool bareOnConsole);

  platform::ProcessServices& process_;
  std::mutex mutex_;
  std::string path_;
  bool console_ = false;
  bool fileFailed_ = false;
  std::string processTag_;
};
