#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/win32/win32_backends.h"

namespace platform::win32 {

namespace {

class Win32NamedMutex : public NamedMutex {
 public:
  explicit Win32NamedMutex(HANDLE handle) : handle_(handle) {}
  ~Win32NamedMutex() override { ::CloseHandle(handle_); }

 private:
  HANDLE handle_;
};

}  // namespace

Win32ProcessServices::~Win32ProcessServices() {
  if (ownsConsoleHandle_) ::CloseHandle(console_);
}

std::string Win32ProcessServices::TempDirectory() {
  char buffer[MAX_PATH + 1] = {};
  const DWORD length = ::GetTempPathA(sizeof buffer, buffer);
  if (length == 0 || length >= sizeof buffer) return std::string();
  return std::string(buffer, length);
}

std::string Win32ProcessServices::LocalTimestamp() {
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  char text[32];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u.%03u", now.wYear, now.wMonth,
                now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds);
  return text;
}

bool Win32ProcessServices::AppendToFile(const std::string& path, const std::string& bytes) {
  // Opened for each write, shared for reading: a support person may open the
  // log while the run goes on, and what was written survives a crash.
  HANDLE file = ::CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const BOOL ok =
      ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  const DWORD error = ::GetLastError();
  ::CloseHandle(file);
  ::SetLastError(error);
  return ok != FALSE && written == bytes.size();
}

bool Win32ProcessServices::AttachParentConsole() {
  // Output redirected by the caller (a pipe or a file) reaches a GUI program
  // as its standard output; only without it is the parent's console used.
  HANDLE output = ::GetStdHandle(STD_OUTPUT_HANDLE);
  if (output != nullptr && output != INVALID_HANDLE_VALUE &&
      ::GetFileType(output) != FILE_TYPE_UNKNOWN) {
    console_ = output;
    return true;
  }
  if (!::AttachConsole(ATTACH_PARENT_PROCESS)) return false;
  output = ::CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE,
                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (output == INVALID_HANDLE_VALUE) return false;
  console_ = output;
  ownsConsoleHandle_ = true;
  return true;
}

void Win32ProcessServices::WriteToConsole(const std::string& text) {
  if (console_ == nullptr) return;
  DWORD written = 0;
  ::WriteFile(console_, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

std::unique_ptr<NamedMutex> Win32ProcessServices::CreateMutexA(const std::string& name,
                                                               bool& existed) {
  HANDLE handle = ::CreateMutexA(nullptr, FALSE, name.c_str());
  if (handle == nullptr) return nullptr;
  existed = ::GetLastError() == ERROR_ALREADY_EXISTS;
  return std::make_unique<Win32NamedMutex>(handle);
}

bool Win32ProcessServices::IsElevated() {
  SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
  PSID administrators = nullptr;
  if (!::AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0,
                                  0, 0, 0, 0, 0, &administrators)) {
    return false;
  }
  // Under UAC an administrator's filtered token holds the group for denying
  // only, so membership is what elevation means here, on XP as on Windows 11.
  BOOL member = FALSE;
  if (!::CheckTokenMembership(nullptr, administrators, &member)) member = FALSE;
  ::FreeSid(administrators);
  return member != FALSE;
}

bool Win32ProcessServices::WindowStationVisible() {
  USEROBJECTFLAGS flags = {};
  DWORD needed = 0;
  // When the flags cannot be read, assume a desktop: the program behaves as
  // it always has.
  if (!::GetUserObjectInformationA(::GetProcessWindowStation(), UOI_FLAGS, &flags, sizeof flags,
                                   &needed)) {
    return true;
  }
  return (flags.dwFlags & WSF_VISIBLE) != 0;
}

void Win32ProcessServices::SuppressSystemErrorBoxes() {
  ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
  // The abort box belongs to the C runtime the program is linked with; the
  // msvcrt.dll of older Windows has no _set_abort_behavior, so it is looked
  // up in the loaded runtime rather than imported, which would keep the
  // program from loading there.
  using SetAbortBehavior = unsigned int(__cdecl*)(unsigned int, unsigned int);
  for (const char* runtime : {"ucrtbase.dll", "msvcrt.dll"}) {
    const HMODULE module = ::GetModuleHandleA(runtime);
    if (module == nullptr) continue;
    const auto setAbortBehavior = reinterpret_cast<SetAbortBehavior>(
        reinterpret_cast<void (*)()>(::GetProcAddress(module, "_set_abort_behavior")));
    if (setAbortBehavior != nullptr) {
      setAbortBehavior(0, _WRITE_ABORT_MSG | _CALL_REPORTFAULT);
      return;
    }
  }
}

std::string Win32ProcessServices::ProgramPath() {
  std::vector<char> path(MAX_PATH, '\0');
  for (;;) {
    const DWORD length =
        ::GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return std::string();
    if (length < path.size()) return std::string(path.data(), length);
    path.assign(path.size() * 2, '\0');
  }
}

std::string Win32ProcessServices::ProgramVersion() {
  // The resource is read from the loaded image: no version.dll to load, and
  // the file on disk may have been replaced since the start.
  HRSRC found = ::FindResourceA(nullptr, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(16));
  if (found == nullptr) return std::string();
  HGLOBAL loaded = ::LoadResource(nullptr, found);
  const auto* bytes = static_cast<const unsigned char*>(loaded ? ::LockResource(loaded) : nullptr);
  const DWORD size = ::SizeofResource(nullptr, found);
  if (bytes == nullptr) return std::string();
  // VS_FIXEDFILEINFO begins with its signature 0xFEEF04BD, 32-bit aligned
  // after the "VS_VERSION_INFO" key.
  for (DWORD offset = 0; offset + sizeof(VS_FIXEDFILEINFO) <= size; offset += 4) {
    VS_FIXEDFILEINFO info;
    std::memcpy(&info, bytes + offset, sizeof info);
    if (info.dwSignature != 0xFEEF04BD) continue;
    return std::to_string(HIWORD(info.dwFileVersionMS)) + "." +
           std::to_string(LOWORD(info.dwFileVersionMS)) + "." +
           std::to_string(HIWORD(info.dwFileVersionLS)) + "." +
           std::to_string(LOWORD(info.dwFileVersionLS));
  }
  return std::string();
}

uint32_t Win32ProcessServices::ProcessId() { return ::GetCurrentProcessId(); }

uint32_t Win32ProcessServices::SessionId() {
  DWORD session = 0;
  if (!::ProcessIdToSessionId(::GetCurrentProcessId(), &session)) return 0;
  return session;
}

std::string Win32ProcessServices::AccountName() {
  char name[257] = {};
  DWORD size = sizeof name;
  if (!::GetUserNameA(name, &size)) return std::string();
  return name;
}

bool Win32ProcessServices::IsLocalSystem() {
  HANDLE token = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
  unsigned char buffer[256] = {};
  DWORD needed = 0;
  bool system = false;
  if (::GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &needed)) {
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID localSystem = nullptr;
    if (::AllocateAndInitializeSid(&nt, 1, SECURITY_LOCAL_SYSTEM_RID, 0, 0, 0, 0, 0, 0, 0,
                                   &localSystem)) {
      system = ::EqualSid(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, localSystem) != FALSE;
      ::FreeSid(localSystem);
    }
  }
  ::CloseHandle(token);
  return system;
}

}  // namespace platform::win32
