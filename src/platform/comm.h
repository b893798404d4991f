// Serial communication ports, as the installer calls them: the ANSI Win32
// communications API one to one (CreateFileA on "\\.\COMn", the Comm
// functions, overlapped ReadFile/WriteFile, events and waiting on them).
//
// BOOL-like calls return bool and leave the error in GetLastError() of this
// interface, which is the calling thread's last-error value (the same value
// Machine::GetLastError reads on Windows). Three backends exist: Win32, a
// POSIX one over termios ttys (so the serial code runs for real on Linux
// against a pseudo-terminal) and a simulated one with scripted printers.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace platform {

using CommHandle = std::uintptr_t;   // HANDLE of an opened comm device; 0 is none
using EventHandle = std::uintptr_t;  // HANDLE of an event; 0 is none

struct CommTimeouts {
  uint32_t ReadIntervalTimeout = 0;
  uint32_t ReadTotalTimeoutMultiplier = 0;
  uint32_t ReadTotalTimeoutConstant = 0;
  uint32_t WriteTotalTimeoutMultiplier = 0;
  uint32_t WriteTotalTimeoutConstant = 0;
};

// The fields of the Win32 DCB, so that a GetCommState / SetCommState round
// trip keeps every field as the driver returned it.
struct Dcb {
  uint32_t BaudRate = 0;
  uint32_t fBinary = 1;
  uint32_t fParity = 0;
  uint32_t fOutxCtsFlow = 0;
  uint32_t fOutxDsrFlow = 0;
  uint32_t fDtrControl = 0;
  uint32_t fDsrSensitivity = 0;
  uint32_t fTXContinueOnXoff = 0;
  uint32_t fOutX = 0;
  uint32_t fInX = 0;
  uint32_t fErrorChar = 0;
  uint32_t fNull = 0;
  uint32_t fRtsControl = 0;
  uint32_t fAbortOnError = 0;
  uint16_t XonLim = 0;
  uint16_t XoffLim = 0;
  uint8_t ByteSize = 8;
  uint8_t Parity = 0;    // NOPARITY 0, ODD 1, EVEN 2, MARK 3, SPACE 4
  uint8_t StopBits = 0;  // ONESTOPBIT 0, ONE5STOPBITS 1, TWOSTOPBITS 2
  char XonChar = 0x11;
  char XoffChar = 0x13;
  char ErrorChar = 0;
  char EofChar = 0;
  char EvtChar = 0;
};

struct ComStat {
  uint32_t cbInQue = 0;
  uint32_t cbOutQue = 0;
};

// One overlapped operation record. The caller owns it and keeps it alive
// while an operation on it is pending; `backend` is the backend's own
// storage for the operation in flight (the Win32 OVERLAPPED lives there).
struct Overlapped {
  uint32_t Offset = 0;
  uint32_t OffsetHigh = 0;
  EventHandle hEvent = 0;
  alignas(8) unsigned char backend[64] = {};
};

class CommPorts {
 public:
  virtual ~CommPorts() = default;

  // The device is "\\.\COMn". Returns 0 on failure (Win32's
  // INVALID_HANDLE_VALUE is mapped to 0).
  virtual CommHandle CreateFileA(const std::string& name, uint32_t desiredAccess,
                                 uint32_t shareMode, uint32_t creationDisposition,
                                 uint32_t flagsAndAttributes) = 0;
  // Closes a comm handle or an event handle.
  virtual bool CloseHandle(std::uintptr_t handle) = 0;

  virtual bool SetupComm(CommHandle port, uint32_t inQueue, uint32_t outQueue) = 0;
  virtual bool SetCommTimeouts(CommHandle port, const CommTimeouts& timeouts) = 0;
  virtual bool SetCommMask(CommHandle port, uint32_t eventMask) = 0;
  virtual bool GetCommMask(CommHandle port, uint32_t& eventMask) = 0;
  virtual bool GetCommState(CommHandle port, Dcb& dcb) = 0;
  virtual bool BuildCommDCBA(const std::string& definition, Dcb& dcb) = 0;
  virtual bool SetCommState(CommHandle port, const Dcb& dcb) = 0;
  virtual bool PurgeComm(CommHandle port, uint32_t flags) = 0;
  // `errors` and `stat` may be null.
  virtual bool ClearCommError(CommHandle port, uint32_t* errors, ComStat* stat) = 0;

  // Overlapped operations: true when done at once (the record's event is
  // then signalled too); false with ERROR_IO_PENDING when under way.
  virtual bool WaitCommEvent(CommHandle port, uint32_t* eventMask, Overlapped* overlapped) = 0;
  virtual bool ReadFile(CommHandle port, void* buffer, uint32_t count, uint32_t* done,
                        Overlapped* overlapped) = 0;
  virtual bool WriteFile(CommHandle port, const void* buffer, uint32_t count, uint32_t* done,
                         Overlapped* overlapped) = 0;
  virtual bool GetOverlappedResult(CommHandle port, Overlapped* overlapped, uint32_t* transferred,
                                   bool wait) = 0;

  // Unnamed events.
  virtual EventHandle CreateEventA(bool manualReset, bool initialState) = 0;
  virtual bool SetEvent(EventHandle event) = 0;
  virtual bool ResetEvent(EventHandle event) = 0;
  // Any one of `events` (waitAll false); returns WAIT_OBJECT_0 + index,
  // WAIT_TIMEOUT or WAIT_FAILED. INFINITE waits without limit. The count
  // Windows takes is the span's size: it cannot name more handles than
  // there are.
  virtual uint32_t WaitForMultipleObjects(std::span<const EventHandle> events,
                                          uint32_t timeoutMs) = 0;

  virtual uint32_t GetLastError() = 0;
  // The system's message text for an error code (FormatMessageA from the
  // system table, language neutral). Empty when the system has none.
  virtual std::string FormatMessageA(uint32_t errorCode) = 0;
};

// Fills `dcb` from a definition such as "baud=9600 parity=N data=8 stop=1",
// as BuildCommDCBA reads it; fields not named keep their value. The Win32
// backend uses the system's own parser; the others use this one.
bool ParseCommDefinition(const std::string& definition, Dcb& dcb);

// Windows' message text (with its "\r\n") for the errors the comm calls
// give, for the backends that do not run on Windows; empty for others.
std::string CommErrorMessage(uint32_t errorCode);

// The port number n of a device name "\\.\COMn" or "COMn" (case ignored), or
// -1 when the name is not of that form.
int CommDeviceNumber(const std::string& name);

}  // namespace platform
