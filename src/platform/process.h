// The program's own process as an unattended run needs it: the console it
// was started from, a log file it appends to, the local time for the log,
// the named mutex that keeps a second installer out, whether it runs with
// administrator rights, whether anybody can see its windows, and who and
// what it is.
#pragma once

#include <cstdint>
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
  // GetUserObjectInformationA(GetProcessWindowStation(), UOI_FLAGS) has
  // WSF_VISIBLE: false in session 0, where services and deployment tools
  // run programs and no window can be seen or answered.
  virtual bool WindowStationVisible() = 0;
  // Turns off the boxes Windows and the C runtime show on their own (a
  // drive not ready, a file not found by the loader, a crash, abort()), so
  // that a run nobody watches ends instead of waiting for a click.
  virtual void SuppressSystemErrorBoxes() = 0;

  // Who and what this run is, for the head of its log.
  // GetModuleFileNameA(null): the program's own file, with its folder.
  virtual std::string ProgramPath() = 0;
  // The FILEVERSION of the program's version resource, "a.b.c.d"; empty
  // when it has none.
  virtual std::string ProgramVersion() = 0;
  virtual uint32_t ProcessId() = 0;
  // ProcessIdToSessionId: 0 for services and deployment tools.
  virtual uint32_t SessionId() = 0;
  // GetUserNameA: the account the process runs as.
  virtual std::string AccountName() = 0;
  // Whether the process's token is LocalSystem's (S-1-5-18), whose own
  // settings (its default printer) no person ever sees.
  virtual bool IsLocalSystem() = 0;
};

}  // namespace platform
