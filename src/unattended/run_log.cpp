#include "unattended/run_log.h"

void RunLog::Open(const std::string& path, bool console) {
  std::lock_guard lock(mutex_);
  path_ = path;
  console_ = console && process_.AttachParentConsole();
  processTag_ = "[" + std::to_string(process_.ProcessId()) + "] ";
}

namespace {

std::string RefusalText(platform::LogFileRefusal refusal, const std::string& owner) {
  switch (refusal) {
    case platform::LogFileRefusal::kLink:
      return "is a link";
    case platform::LogFileRefusal::kHardLinks:
      return "has more than one name (hard links)";
    case platform::LogFileRefusal::kForeignOwner:
      return "belongs to " + (owner.empty() ? std::string("an unknown owner") : owner);
    case platform::LogFileRefusal::kNone:
      break;
  }
  return "";
}

}  // namespace

std::string RunLog::BesidePath(const std::string& path, uint32_t processId) {
  const size_t name = path.find_last_of("\\/:") + 1;
  size_t dot = path.rfind('.');
  if (dot == std::string::npos || dot < name || dot == name) dot = path.size();
  return path.substr(0, dot) + "-" + std::to_string(processId) + path.substr(dot);
}

std::string RunLog::Stamped(const std::string& text) {
  // Two runs may append to one file: the process id tells their lines apart.
  return process_.LocalTimestamp() + "  " + processTag_ + Bare(text);
}

std::string RunLog::Bare(const std::string& text) {
  std::string line;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      line += " | ";
    } else {
      line += text[i];
    }
  }
  return line + "\r\n";
}

void RunLog::Line(const std::string& text) { Write(text, false); }

void RunLog::Output(const std::string& text) { Write(text, true); }

void RunLog::Write(const std::string& text, bool bareOnConsole) {
  const std::string line = Stamped(text);
  std::lock_guard lock(mutex_);
  if (console_) process_.WriteToConsole(bareOnConsole ? Bare(text) : line);
  if (path_.empty() || fileFailed_) return;
  platform::LogFileRefusal refusal = platform::LogFileRefusal::kNone;
  std::string owner;
  if (process_.AppendToFile(path_, line, refusal, owner)) return;
  if (refusal != platform::LogFileRefusal::kNone && !movedAside_) {
    // A file someone else could have put there, or one that leads elsewhere:
    // appending would write where they chose, or to a log they can read
    // and forge. This run's log goes beside it under a name of its own.
    movedAside_ = true;
    const std::string refused = path_;
    path_ = BesidePath(refused, process_.ProcessId());
    const std::string notice =
        Stamped("the log file " + refused + " " + RefusalText(refusal, owner) +
                ": not written to; this run's log is " + path_);
    if (console_) process_.WriteToConsole(notice);
    if (process_.AppendToFile(path_, notice, refusal, owner) &&
        process_.AppendToFile(path_, line, refusal, owner)) {
      return;
    }
  }
  // Said once, where it can still be read; the run goes on without a file.
  fileFailed_ = true;
  if (console_) process_.WriteToConsole("cannot write the log " + path_ + "\r\n");
}
