#include <cstdio>

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

std::string Win32ProcessServices::ProgramDirectory() {
  char buffer[MAX_PATH + 1] = {};
  const DWORD length = ::GetModuleFileNameA(nullptr, buffer, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return std::string();
  const std::string path(buffer, length);
  const size_t slash = path.find_last_of('\\');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
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

}  // namespace platform::win32
