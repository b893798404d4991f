#include "platform/win32/win32_backends.h"

namespace platform::win32 {

namespace {

// The library may call back while it unpacks; answering TRUE lets it go on.
BOOL CALLBACK KeepGoing(HWND, UINT, UINT, LPVOID) { return TRUE; }

template <typename Function>
Function Lookup(HMODULE module, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

// What a call of the library's extraction returns when it did not return.
constexpr int kCallFailed = -1;

}  // namespace

Win32ArchiveDll::~Win32ArchiveDll() { FreeLibrary(); }

bool Win32ArchiveDll::LoadLibraryA(const std::string& fileName) {
  FreeLibrary();
  module_ = ::LoadLibraryA(fileName.c_str());
  if (module_ == nullptr) return false;
  sevenZip_ = Lookup<SevenZipFn>(module_, "SevenZip");
  setOwner_ = Lookup<SetOwnerFn>(module_, "SevenZipSetOwnerWindowEx");
  killOwner_ = Lookup<KillOwnerFn>(module_, "SevenZipKillOwnerWindowEx");
  return true;
}

void Win32ArchiveDll::FreeLibrary() {
  if (module_ != nullptr) ::FreeLibrary(module_);
  module_ = nullptr;
  sevenZip_ = nullptr;
  setOwner_ = nullptr;
  killOwner_ = nullptr;
}

bool Win32ArchiveDll::IsLoaded() const { return module_ != nullptr; }

bool Win32ArchiveDll::SetOwnerWindowEx(WindowId owner) {
  if (setOwner_ == nullptr) return false;
  return setOwner_(ToHwnd(owner), &KeepGoing) != FALSE;
}

int Win32ArchiveDll::SevenZip(WindowId owner, const std::string& command, char* output,
                              uint32_t outputSize) {
  if (sevenZip_ == nullptr) return kCallFailed;
  struct Call {
    SevenZipFn function;
    HWND owner;
    const char* command;
    char* output;
    DWORD outputSize;
    int result;
  } call{sevenZip_, ToHwnd(owner), command.c_str(), output, outputSize, kCallFailed};
  bool returned = CallGuarded(
      [](void* context) {
        auto* c = static_cast<Call*>(context);
        c->result = c->function(c->owner, c->command, c->output, c->outputSize);
      },
      &call, nullptr);
  return returned ? call.result : kCallFailed;
}

bool Win32ArchiveDll::KillOwnerWindowEx(WindowId owner) {
  if (killOwner_ == nullptr) return false;
  return killOwner_(ToHwnd(owner)) != FALSE;
}

}  // namespace platform::win32
