#include "unattended/run_log.h"

void RunLog::Open(const std::string& path, bool console) {
  std::lock_guard lock(mutex_);
  path_ = path;
  console_ = console && process_.AttachParentConsole();
  processTag_ = "[" + std::to_string(process_.ProcessId()) + "] ";
}

void RunLog::Line(const std::string& text) { Write(text, false); }

void RunLog::Output(const std::string& text) { Write(text, true); }

void RunLog::Write(const std::string& text, bool bareOnConsole) {
  // Two runs may append to one file: the process id tells their lines apart.
  const std::string stamp = process_.LocalTimestamp() + "  " + processTag_;
  std::string line;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      line += " | ";
    } else {
      line += text[i];
    }
  }
  line += "\r\n";
  std::lock_guard lock(mutex_);
  if (console_) process_.WriteToConsole(bareOnConsole ? line : stamp + line);
  if (path_.empty() || fileFailed_) return;
  if (!process_.AppendToFile(path_, stamp + line)) {
    // Said once, where it can still be read; the run goes on without a file.
    fileFailed_ = true;
    if (console_) process_.WriteToConsole("cannot write the log " + path_ + "\r\n");
  }
}
