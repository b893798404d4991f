// The program's own process as an unattended run needs it: the console it
// was started from, a log file it appends to, the local time for the log,
// the named mutex that keeps a second installer out, whether it runs with
// administrator rights, whether anybody can see its windows, and who and
// what it is. What a standard user of the machine may have made (a mutex of
// the same name, a log file or a link in its place) is told apart from what
// an administrator made.
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

// How the installers' instance mutex was found.
enum class InstanceMutexState {
  kCreated,          // made by this process: no other installer runs
  kHeldByInstaller,  // it exists, owned by Administrators or SYSTEM
  kRefused,          // it exists and its access list refuses this process
  kForeign,          // it exists, owned by someone else: no exclusion
  kNotTaken,         // could not be made at all; `error` says why
};

struct InstanceMutex {
  std::unique_ptr<NamedMutex> handle;  // held for the run; null unless created or held
  InstanceMutexState state = InstanceMutexState::kNotTaken;
  std::string place;  // where it was looked for, for the log
  std::string owner;  // the SID that owns an existing mutex, when known
  uint32_t error = 0;
};

// Why a log file was left as it was.
enum class LogFileRefusal {
  kNone,
  kLink,          // the name is a link (a symbolic link, a junction)
  kHardLinks,     // the file has more than one name
  kForeignOwner,  // owned by neither Administrators, SYSTEM nor this process's
                  // user, or its list keeps this process out
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
  // file, creating it. The name is opened without following a link, and the
  // opened file is looked at before a byte is written: a link, a file with
  // more than one name or one owned by someone else is left alone, and the
  // call gives false with `refusal` set (and `owner`, the owner's SID, for a
  // foreign owner). Other failures give false with the last error set and
  // `refusal` kNone.
  virtual bool AppendToFile(const std::string& path, const std::string& bytes,
                            LogFileRefusal& refusal, std::string& owner) = 0;
  // GetCurrentProcessId.
  virtual uint32_t ProcessId() = 0;
  // The folder of the program's own file (GetModuleFileNameA), ending with
  // a backslash; empty when it cannot be told.
  virtual std::string ProgramDirectory() = 0;
  // Reaches the console of the process that started this one (or the
  // output it redirected): false when there is none. Writes go there after.
  virtual bool AttachParentConsole() = 0;
  virtual void WriteToConsole(const std::string& text) = 0;
  // Takes the mutex `name` where only administrators can make it: in a
  // private namespace whose boundary is the Administrators group, its access
  // list granting Administrators and SYSTEM alone. Where the system has no
  // private namespaces, "Global\<name>" with the owner of an existing one
  // checked. A process that is no administrator takes nothing (kNotTaken,
  // ERROR_ACCESS_DENIED).
  virtual InstanceMutex CreateInstanceMutex(const std::string& name) = 0;
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
  // The FILEVERSION of the program's version resource, "a.b.c.d"; empty
  // when it has none.
  virtual std::string ProgramVersion() = 0;
  // ProcessIdToSessionId: 0 for services and deployment tools.
  virtual uint32_t SessionId() = 0;
  // GetUserNameA: the account the process runs as.
  virtual std::string AccountName() = 0;
  // Whether the process's token is LocalSystem's (S-1-5-18), whose own
  // settings (its default printer) no person ever sees.
  virtual bool IsLocalSystem() = 0;
};

}  // namespace platform
