// MinGW's g++ has no __try/__except, so the guard registers a structured
// exception frame of its own on the 32-bit frame chain (fs:[0]). Frames of
// the called code that are newer than ours see an exception first; one that
// reaches ours was not handled below, and the call is abandoned: the handler
// redirects the faulting thread to a landing function that restores the
// frame chain and jumps back into CallGuarded.
#include "platform/win32/win32_backends.h"

namespace platform::win32 {

namespace {

struct GuardFrame {
  // Must come first: fs:[0] points at it and the handler casts back.
  EXCEPTION_REGISTRATION_RECORD record;
  void* jumpBuffer[5];
  DWORD exceptionCode;
};

thread_local GuardFrame* activeGuard = nullptr;

EXCEPTION_REGISTRATION_RECORD* CurrentFrameChain() {
  return reinterpret_cast<EXCEPTION_REGISTRATION_RECORD*>(__readfsdword(0));
}

void SetFrameChain(EXCEPTION_REGISTRATION_RECORD* head) {
  __writefsdword(0, reinterpret_cast<DWORD>(head));
}

[[noreturn]] void __cdecl LandAfterFault() {
  GuardFrame* guard = activeGuard;
  // Drop the abandoned frames of the called code together with ours.
  SetFrameChain(guard->record.Next);
  __builtin_longjmp(guard->jumpBuffer, 1);
}

EXCEPTION_DISPOSITION __cdecl GuardHandler(EXCEPTION_RECORD* exception, void* establisherFrame,
                                           CONTEXT* context, void* /*dispatcherContext*/) {
  if ((exception->ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND)) != 0) {
    return ExceptionContinueSearch;
  }
  auto* guard = static_cast<GuardFrame*>(establisherFrame);
  guard->exceptionCode = exception->ExceptionCode;
  // Resume on the faulting stack, well below anything still in use, with a
  // fake return address so that the landing function sees a normal frame.
  DWORD stack = (context->Esp - 256) & ~static_cast<DWORD>(15);
  stack -= sizeof(DWORD);
  *reinterpret_cast<DWORD*>(stack) = 0;
  context->Esp = stack;
  context->Eip = reinterpret_cast<DWORD>(&LandAfterFault);
  return ExceptionContinueExecution;
}

}  // namespace

bool CallGuarded(void (*call)(void*), void* context, DWORD* exceptionCode) {
  GuardFrame guard{};
  GuardFrame* outer = activeGuard;
  activeGuard = &guard;
  guard.record.Next = CurrentFrameChain();
  guard.record.Handler = reinterpret_cast<PEXCEPTION_ROUTINE>(&GuardHandler);
  bool completed = false;
  if (__builtin_setjmp(guard.jumpBuffer) == 0) {
    SetFrameChain(&guard.record);
    call(context);
    SetFrameChain(guard.record.Next);
    completed = true;
  }
  activeGuard = outer;
  if (exceptionCode != nullptr) *exceptionCode = completed ? 0 : guard.exceptionCode;
  return completed;
}

}  // namespace platform::win32
