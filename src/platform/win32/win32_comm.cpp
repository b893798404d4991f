#include "platform/win32/win32_comm.h"

#include <windows.h>

#include <cstring>
#include <new>
#include <vector>

namespace platform::win32 {

namespace {

HANDLE Native(std::uintptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

// The OVERLAPPED of a platform record lives in its backend storage, so that
// the system can write to it for as long as the operation runs.
OVERLAPPED* NativeOverlapped(Overlapped* overlapped) {
  static_assert(sizeof(OVERLAPPED) <= sizeof(Overlapped::backend), "OVERLAPPED must fit");
  if (overlapped == nullptr) return nullptr;
  auto* native = reinterpret_cast<OVERLAPPED*>(overlapped->backend);
  native->Offset = overlapped->Offset;
  native->OffsetHigh = overlapped->OffsetHigh;
  native->hEvent = Native(overlapped->hEvent);
  return native;
}

// Our Dcb mirrors DCB field by field, so one copy serves both directions.
template <typename From, typename To>
void CopyDcbFields(const From& from, To& to) {
  to.BaudRate = from.BaudRate;
  to.fBinary = from.fBinary;
  to.fParity = from.fParity;
  to.fOutxCtsFlow = from.fOutxCtsFlow;
  to.fOutxDsrFlow = from.fOutxDsrFlow;
  to.fDtrControl = from.fDtrControl;
  to.fDsrSensitivity = from.fDsrSensitivity;
  to.fTXContinueOnXoff = from.fTXContinueOnXoff;
  to.fOutX = from.fOutX;
  to.fInX = from.fInX;
  to.fErrorChar = from.fErrorChar;
  to.fNull = from.fNull;
  to.fRtsControl = from.fRtsControl;
  to.fAbortOnError = from.fAbortOnError;
  to.XonLim = from.XonLim;
  to.XoffLim = from.XoffLim;
  to.ByteSize = from.ByteSize;
  to.Parity = from.Parity;
  to.StopBits = from.StopBits;
  to.XonChar = from.XonChar;
  to.XoffChar = from.XoffChar;
  to.ErrorChar = from.ErrorChar;
  to.EofChar = from.EofChar;
  to.EvtChar = from.EvtChar;
}

void ToNative(const Dcb& from, DCB& to) {
  to.DCBlength = sizeof(DCB);
  CopyDcbFields(from, to);
}

void FromNative(const DCB& from, Dcb& to) { CopyDcbFields(from, to); }

}  // namespace

CommHandle Win32CommPorts::CreateFileA(const std::string& name, uint32_t desiredAccess,
                                       uint32_t shareMode, uint32_t creationDisposition,
                                       uint32_t flagsAndAttributes) {
  HANDLE port = ::CreateFileA(name.c_str(), desiredAccess, shareMode, nullptr, creationDisposition,
                              flagsAndAttributes, nullptr);
  return port == INVALID_HANDLE_VALUE ? 0 : reinterpret_cast<CommHandle>(port);
}

bool Win32CommPorts::CloseHandle(std::uintptr_t handle) {
  return ::CloseHandle(Native(handle)) != FALSE;
}

bool Win32CommPorts::SetupComm(CommHandle port, uint32_t inQueue, uint32_t outQueue) {
  return ::SetupComm(Native(port), inQueue, outQueue) != FALSE;
}

bool Win32CommPorts::SetCommTimeouts(CommHandle port, const CommTimeouts& timeouts) {
  COMMTIMEOUTS native{timeouts.ReadIntervalTimeout, timeouts.ReadTotalTimeoutMultiplier,
                      timeouts.ReadTotalTimeoutConstant, timeouts.WriteTotalTimeoutMultiplier,
                      timeouts.WriteTotalTimeoutConstant};
  return ::SetCommTimeouts(Native(port), &native) != FALSE;
}

bool Win32CommPorts::SetCommMask(CommHandle port, uint32_t eventMask) {
  return ::SetCommMask(Native(port), eventMask) != FALSE;
}

bool Win32CommPorts::GetCommMask(CommHandle port, uint32_t& eventMask) {
  DWORD mask = 0;
  if (!::GetCommMask(Native(port), &mask)) return false;
  eventMask = mask;
  return true;
}

bool Win32CommPorts::GetCommState(CommHandle port, Dcb& dcb) {
  DCB native{};
  native.DCBlength = sizeof native;
  if (!::GetCommState(Native(port), &native)) return false;
  FromNative(native, dcb);
  return true;
}

bool Win32CommPorts::BuildCommDCBA(const std::string& definition, Dcb& dcb) {
  DCB native{};
  ToNative(dcb, native);
  if (!::BuildCommDCBA(definition.c_str(), &native)) return false;
  FromNative(native, dcb);
  return true;
}

bool Win32CommPorts::SetCommState(CommHandle port, const Dcb& dcb) {
  DCB native{};
  ToNative(dcb, native);
  return ::SetCommState(Native(port), &native) != FALSE;
}

bool Win32CommPorts::PurgeComm(CommHandle port, uint32_t flags) {
  return ::PurgeComm(Native(port), flags) != FALSE;
}

bool Win32CommPorts::ClearCommError(CommHandle port, uint32_t* errors, ComStat* stat) {
  DWORD nativeErrors = 0;
  COMSTAT nativeStat{};
  if (!::ClearCommError(Native(port), &nativeErrors, &nativeStat)) return false;
  if (errors != nullptr) *errors = nativeErrors;
  if (stat != nullptr) {
    stat->cbInQue = nativeStat.cbInQue;
    stat->cbOutQue = nativeStat.cbOutQue;
  }
  return true;
}

bool Win32CommPorts::WaitCommEvent(CommHandle port, uint32_t* eventMask, Overlapped* overlapped) {
  static_assert(sizeof(DWORD) == sizeof(uint32_t), "the event mask is written in place");
  return ::WaitCommEvent(Native(port), reinterpret_cast<DWORD*>(eventMask),
                         NativeOverlapped(overlapped)) != FALSE;
}

bool Win32CommPorts::ReadFile(CommHandle port, void* buffer, uint32_t count, uint32_t* done,
                              Overlapped* overlapped) {
  DWORD read = 0;
  const BOOL ok = ::ReadFile(Native(port), buffer, count, &read, NativeOverlapped(overlapped));
  if (done != nullptr) *done = read;
  return ok != FALSE;
}

bool Win32CommPorts::WriteFile(CommHandle port, const void* buffer, uint32_t count, uint32_t* done,
                               Overlapped* overlapped) {
  DWORD written = 0;
  const BOOL ok = ::WriteFile(Native(port), buffer, count, &written, NativeOverlapped(overlapped));
  if (done != nullptr) *done = written;
  return ok != FALSE;
}

bool Win32CommPorts::GetOverlappedResult(CommHandle port, Overlapped* overlapped,
                                         uint32_t* transferred, bool wait) {
  if (overlapped == nullptr) {
    ::SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  // The record the operation was started with, as the system left it.
  auto* native = reinterpret_cast<OVERLAPPED*>(overlapped->backend);
  DWORD count = 0;
  const BOOL ok = ::GetOverlappedResult(Native(port), native, &count, wait ? TRUE : FALSE);
  if (transferred != nullptr) *transferred = count;
  return ok != FALSE;
}

EventHandle Win32CommPorts::CreateEventA(bool manualReset, bool initialState) {
  HANDLE event =
      ::CreateEventA(nullptr, manualReset ? TRUE : FALSE, initialState ? TRUE : FALSE, nullptr);
  return reinterpret_cast<EventHandle>(event);
}

bool Win32CommPorts::SetEvent(EventHandle event) { return ::SetEvent(Native(event)) != FALSE; }

bool Win32CommPorts::ResetEvent(EventHandle event) { return ::ResetEvent(Native(event)) != FALSE; }

uint32_t Win32CommPorts::WaitForMultipleObjects(std::span<const EventHandle> events,
                                                uint32_t timeoutMs) {
  std::vector<HANDLE> handles;
  for (const EventHandle event : events) handles.push_back(Native(event));
  return ::WaitForMultipleObjects(static_cast<DWORD>(handles.size()), handles.data(), FALSE,
                                  timeoutMs);
}

uint32_t Win32CommPorts::GetLastError() { return ::GetLastError(); }

std::string Win32CommPorts::FormatMessageA(uint32_t errorCode) {
  char* text = nullptr;
  const DWORD length = ::FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM, nullptr, errorCode,
      MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<LPSTR>(&text), 0, nullptr);
  std::string result;
  if (length != 0 && text != nullptr) result.assign(text, length);
  if (text != nullptr) ::LocalFree(text);
  return result;
}

}  // namespace platform::win32
