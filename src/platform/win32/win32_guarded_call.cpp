// MinGW's g++ has no __try/__except, so the guard catches what the called
// code leaves unhandled in another way and redirects the faulting thread to
// a landing function that jumps back into CallGuarded.
//
// 32-bit: the guard registers a structured exception frame of its own on
// the frame chain (fs:[0]). Frames of the called code are newer than ours
// and see an exception first; one that reaches ours was not handled below.
//
// 64-bit (the Wine test build on hosts without 32-bit support): exception
// frames are described by tables, so the guard installs a process-wide
// unhandled-exception filter for the duration of the call; it acts only
// for the thread that runs a guarded call.
#include "platform/win32/win32_backends.h"

namespace platform::win32 {

#if defined(__i386__)

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

#else  // 64-bit

namespace {

struct Guard {
  void* jumpBuffer[5];
  DWORD exceptionCode;
};

thread_local Guard* activeGuard = nullptr;
LPTOP_LEVEL_EXCEPTION_FILTER previousFilter = nullptr;

[[noreturn]] void LandAfterFault() { __builtin_longjmp(activeGuard->jumpBuffer, 1); }

LONG WINAPI GuardFilter(EXCEPTION_POINTERS* info) {
  Guard* guard = activeGuard;
  if (guard == nullptr) {
    return previousFilter != nullptr ? previousFilter(info) : EXCEPTION_CONTINUE_SEARCH;
  }
  guard->exceptionCode = info->ExceptionRecord->ExceptionCode;
  CONTEXT* context = info->ContextRecord;
  // Resume well below the faulting frame, aligned as at a function's entry
  // (a return address just pushed).
  DWORD64 stack = (context->Rsp - 512) & ~static_cast<DWORD64>(15);
  stack -= sizeof(DWORD64);
  *reinterpret_cast<DWORD64*>(stack) = 0;
  context->Rsp = stack;
  context->Rip = reinterpret_cast<DWORD64>(&LandAfterFault);
  return EXCEPTION_CONTINUE_EXECUTION;
}

}  // namespace

bool CallGuarded(void (*call)(void*), void* context, DWORD* exceptionCode) {
  Guard guard{};
  Guard* outer = activeGuard;
  activeGuard = &guard;
  LPTOP_LEVEL_EXCEPTION_FILTER previous = ::SetUnhandledExceptionFilter(&GuardFilter);
  if (previous != &GuardFilter) previousFilter = previous;
  bool completed = false;
  if (__builtin_setjmp(guard.jumpBuffer) == 0) {
    call(context);
    completed = true;
  }
  if (outer == nullptr) ::SetUnhandledExceptionFilter(previousFilter);
  activeGuard = outer;
  if (exceptionCode != nullptr) *exceptionCode = completed ? 0 : guard.exceptionCode;
  return completed;
}

#endif

}  // namespace platform::win32
