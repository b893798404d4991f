// The program's own process as an unattended run needs it: the console it
// was started from, a log file it appends to, the local time for the log,
// the named mutex that keeps a second installer out, and whether it runs
// with administrator rights.
#pragma once

#include <memory>
#include <string>

namespace platform {

// A named mutex the process holds; the handle is closed by the destructor.
class NamedMutex {
 public:
  virtual ~NamedMutex() = default;
};

class ProcessServices {
 public:
  virtual ~ProcessServices() = default;

  // GetTempPathA: the user's folder for temporary files, ending with a
  // backslash; empty when there is none.
  virtual std::string TempDirectory() = 0;
  // GetLocalTime as "YYYY-MM-DD HH:MM:SS.mmm".
  virtual std::string LocalTimestamp() = 0;
  // Appends the bytes as they are (text in the system code page) to the
  // file, creating it. False with the last error set when it cannot.
  virtual bool AppendToFile(const std::string& path, const std::string& bytes) = 0;
  // The folder of the program's own file (GetModuleFileNameA), ending with
  // a backslash; empty when it cannot be told.
  virtual std::string ProgramDirectory() = 0;
  // Reaches the console of the process that started this one (or the
  // output it redirected): false when there is none. Writes go there after.
  virtual bool AttachParentConsole() = 0;
  virtual void WriteToConsole(const std::string& text) = 0;
  // CreateMutexA: `existed` when another process (or an earlier call)
  // already holds the name. Null, with the last error, when it failed.
  virtual std::unique_ptr<NamedMutex> CreateMutexA(const std::string& name, bool& existed) = 0;
  // Whether the process's token is a member of the Administrators group
  // with the group enabled: an elevated process under UAC.
  virtual bool IsElevated() = 0;
};

}  // namespace platform
