#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

#include "platform/win32/win32_backends.h"
// After windows.h, which they need.
#include <aclapi.h>
#include <sddl.h>

namespace platform::win32 {

namespace {

// SYSTEM and Administrators full control, nothing for anyone else, nothing
// inherited.
constexpr const char* kAdministratorsOnly = "D:P(A;;GA;;;SY)(A;;GA;;;BA)";

// The private namespace's name (its alias) and that of its boundary.
constexpr const char* kNamespaceName = "PosPrinterDriverSetup";

bool IsTrustedOwner(const std::string& sid, const std::string& ownUser) {
  return sid == kSidAdministrators || sid == kSidSystem || (!ownUser.empty() && sid == ownUser);
}

// The security attributes of kAdministratorsOnly; the descriptor is freed
// by the destructor.
class AdministratorsOnly {
 public:
  AdministratorsOnly() {
    if (::ConvertStringSecurityDescriptorToSecurityDescriptorA(kAdministratorsOnly, SDDL_REVISION_1,
                                                               &descriptor_, nullptr)) {
      attributes_.nLength = sizeof attributes_;
      attributes_.lpSecurityDescriptor = descriptor_;
      attributes_.bInheritHandle = FALSE;
    }
  }
  ~AdministratorsOnly() {
    if (descriptor_ != nullptr) ::LocalFree(descriptor_);
  }
  AdministratorsOnly(const AdministratorsOnly&) = delete;
  AdministratorsOnly& operator=(const AdministratorsOnly&) = delete;
  SECURITY_ATTRIBUTES* get() { return descriptor_ != nullptr ? &attributes_ : nullptr; }

 private:
  PSECURITY_DESCRIPTOR descriptor_ = nullptr;
  SECURITY_ATTRIBUTES attributes_{};
};

// The private namespace functions, found at run time: where kernel32 lacks
// them (Wine, older systems) the program must still start.
struct NamespaceFunctions {
  HANDLE(WINAPI* createBoundary)(LPCSTR, ULONG) = nullptr;
  BOOL(WINAPI* addSid)(HANDLE*, PSID) = nullptr;
  VOID(WINAPI* deleteBoundary)(HANDLE) = nullptr;
  HANDLE(WINAPI* create)(LPSECURITY_ATTRIBUTES, LPVOID, LPCSTR) = nullptr;
  HANDLE(WINAPI* open)(LPVOID, LPCSTR) = nullptr;
  BOOLEAN(WINAPI* close)(HANDLE, ULONG) = nullptr;
};

const NamespaceFunctions& Namespaces() {
  static const NamespaceFunctions functions = [] {
    NamespaceFunctions f;
    HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
    const auto find = [kernel](auto& pointer, const char* name) {
      pointer = reinterpret_cast<std::remove_reference_t<decltype(pointer)>>(
          reinterpret_cast<void*>(::GetProcAddress(kernel, name)));
    };
    find(f.createBoundary, "CreateBoundaryDescriptorA");
    find(f.addSid, "AddSIDToBoundaryDescriptor");
    find(f.deleteBoundary, "DeleteBoundaryDescriptor");
    find(f.create, "CreatePrivateNamespaceA");
    find(f.open, "OpenPrivateNamespaceA");
    find(f.close, "ClosePrivateNamespace");
    return f;
  }();
  return functions;
}

// The mutex, and the private namespace it lives in (closed after it).
class Win32NamedMutex : public NamedMutex {
 public:
  Win32NamedMutex(HANDLE handle, HANDLE space) : handle_(handle), space_(space) {}
  ~Win32NamedMutex() override {
    ::CloseHandle(handle_);
    if (space_ != nullptr) Namespaces().close(space_, 0);
  }

 private:
  HANDLE handle_;
  HANDLE space_;
};

enum class NamespaceResult { kOpen, kRefused, kUnavailable };

// The administrators' private namespace, made, or opened when another
// installer made it.
NamespaceResult AdministratorsNamespace(SECURITY_ATTRIBUTES* attributes, HANDLE& space) {
  const NamespaceFunctions& f = Namespaces();
  space = nullptr;
  if (!f.createBoundary || !f.addSid || !f.deleteBoundary || !f.create || !f.open || !f.close) {
    return NamespaceResult::kUnavailable;
  }
  HANDLE boundary = f.createBoundary(kNamespaceName, 0);
  if (boundary == nullptr) return NamespaceResult::kUnavailable;
  NamespaceResult result = NamespaceResult::kUnavailable;
  PSID administrators = AllocateSidFromString(kSidAdministrators);
  if (administrators != nullptr && f.addSid(&boundary, administrators)) {
    space = f.create(attributes, boundary, kNamespaceName);
    if (space == nullptr && ::GetLastError() == ERROR_ALREADY_EXISTS) {
      space = f.open(boundary, kNamespaceName);
      if (space == nullptr && ::GetLastError() == ERROR_ACCESS_DENIED) {
        result = NamespaceResult::kRefused;
      }
    }
    if (space != nullptr) result = NamespaceResult::kOpen;
  }
  if (administrators != nullptr) ::LocalFree(administrators);
  f.deleteBoundary(boundary);
  return result;
}

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

bool Win32ProcessServices::AppendToFile(const std::string& path, const std::string& bytes,
                                        LogFileRefusal& refusal, std::string& owner) {
  refusal = LogFileRefusal::kNone;
  // Opened for each write, shared for reading: a support person may open the
  // log while the run goes on, and what was written survives a crash. A
  // link at the name is opened as the link itself, never followed.
  HANDLE file = ::CreateFileA(path.c_str(), FILE_APPEND_DATA | READ_CONTROL | FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    // An existing file whose list keeps administrators out is someone
    // else's as surely as one they own.
    if (::GetLastError() == ERROR_ACCESS_DENIED) refusal = LogFileRefusal::kForeignOwner;
    return false;
  }
  // What is judged is the file now open, so nothing can be swapped in
  // between the look and the write.
  BY_HANDLE_FILE_INFORMATION information{};
  if (!::GetFileInformationByHandle(file, &information)) {
    const DWORD error = ::GetLastError();
    ::CloseHandle(file);
    ::SetLastError(error);
    return false;
  }
  if (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
    refusal = LogFileRefusal::kLink;
  } else if (information.nNumberOfLinks > 1) {
    refusal = LogFileRefusal::kHardLinks;
  } else {
    // A volume without owners (FAT, on a USB stick) has no links either;
    // its files are judged by the two checks above alone.
    const std::string found = OwnerOf(file, SE_FILE_OBJECT);
    if (ownUser_.empty()) ownUser_ = ProcessTokenSid(TokenUser);
    if (!found.empty() && !IsTrustedOwner(found, ownUser_)) {
      refusal = LogFileRefusal::kForeignOwner;
      owner = found;
    }
  }
  if (refusal != LogFileRefusal::kNone) {
    ::CloseHandle(file);
    return false;
  }
  DWORD written = 0;
  const BOOL ok =
      ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  const DWORD error = ::GetLastError();
  ::CloseHandle(file);
  ::SetLastError(error);
  return ok != FALSE && written == bytes.size();
}

uint32_t Win32ProcessServices::ProcessId() { return ::GetCurrentProcessId(); }

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

InstanceMutex Win32ProcessServices::CreateInstanceMutex(const std::string& name) {
  InstanceMutex result;
  if (!IsElevated()) {
    result.error = ERROR_ACCESS_DENIED;
    return result;
  }
  AdministratorsOnly security;
  // A namespace whose boundary is the Administrators group can be made only
  // by a process that holds the group, and opened only as its list allows:
  // a standard user can neither squat on the name nor hold the mutex.
  HANDLE space = nullptr;
  const NamespaceResult found = AdministratorsNamespace(security.get(), space);
  std::string fullName;
  if (found == NamespaceResult::kOpen) {
    result.place = "the Administrators' private namespace";
    fullName = std::string(kNamespaceName) + "\\" + name;
  } else if (found == NamespaceResult::kRefused) {
    // Made by another administrator's or SYSTEM's installer, with a list
    // that keeps this process out.
    result.place = "the Administrators' private namespace";
    result.state = InstanceMutexState::kRefused;
    result.error = ERROR_ACCESS_DENIED;
    return result;
  } else {
    // No private namespaces here (Wine): the Global name, with its owner
    // checked.
    fullName = "Global\\" + name;
    result.place = fullName;
  }
  HANDLE handle = ::CreateMutexA(security.get(), FALSE, fullName.c_str());
  if (handle == nullptr) {
    result.error = ::GetLastError();
    if (result.error == ERROR_ACCESS_DENIED) result.state = InstanceMutexState::kRefused;
    if (space != nullptr) Namespaces().close(space, 0);
    return result;
  }
  if (::GetLastError() != ERROR_ALREADY_EXISTS) {
    result.state = InstanceMutexState::kCreated;
  } else {
    // An elevated administrator's objects belong to Administrators; where
    // the system gives them another default owner (Wine does), a mutex
    // with the owner this process would give it is an installer's too.
    result.owner = OwnerOf(handle, SE_KERNEL_OBJECT);
    result.state = IsTrustedOwner(result.owner, ProcessTokenSid(TokenOwner))
                       ? InstanceMutexState::kHeldByInstaller
                       : InstanceMutexState::kForeign;
  }
  result.handle = std::make_unique<Win32NamedMutex>(handle, space);
  return result;
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

bool Win32ProcessServices::IsLocalSystem() { return ProcessTokenSid(TokenUser) == kSidSystem; }

}  // namespace platform::win32
