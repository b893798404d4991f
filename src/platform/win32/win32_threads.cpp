#include <process.h>

#include <utility>

#include "platform/win32/win32_backends.h"

namespace platform::win32 {

namespace {

class Win32Thread : public Thread {
 public:
  explicit Win32Thread(HANDLE handle) : handle_(handle) {}
  ~Win32Thread() override {
    Wait();
    ::CloseHandle(handle_);
  }

  // A plain wait could deadlock: the thread may be blocked in a synchronous
  // SendMessage to a window of this very thread. So messages sent to this
  // thread are handled while waiting; posted ones stay queued.
  void Wait() override {
    for (;;) {
      DWORD result = ::MsgWaitForMultipleObjects(1, &handle_, FALSE, INFINITE, QS_SENDMESSAGE);
      if (result == WAIT_OBJECT_0 || result == WAIT_FAILED) return;
      MSG message;
      ::PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
  }

  bool Finished() const override { return ::WaitForSingleObject(handle_, 0) == WAIT_OBJECT_0; }

 private:
  HANDLE handle_;
};

unsigned __stdcall RunBody(void* argument) {
  std::unique_ptr<std::function<void()>> body(static_cast<std::function<void()>*>(argument));
  (*body)();
  return 0;
}

}  // namespace

std::unique_ptr<Thread> Win32Threads::StartThread(std::function<void()> body) {
  auto* owned = new std::function<void()>(std::move(body));
  uintptr_t handle = ::_beginthreadex(nullptr, 0, &RunBody, owned, 0, nullptr);
  if (handle == 0) {
    delete owned;
    return nullptr;
  }
  return std::make_unique<Win32Thread>(reinterpret_cast<HANDLE>(handle));
}

}  // namespace platform::win32
