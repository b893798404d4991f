// The comm ports over the Win32 communications API, call for call.
#pragma once

#include <cstdint>
#include <string>

#include "platform/comm.h"

namespace platform::win32 {

class Win32CommPorts : public CommPorts {
 public:
  CommHandle CreateFileA(const std::string& name, uint32_t desiredAccess, uint32_t shareMode,
                         uint32_t creationDisposition, uint32_t flagsAndAttributes) override;
  bool CloseHandle(std::uintptr_t handle) override;
  bool SetupComm(CommHandle port, uint32_t inQueue, uint32_t outQueue) override;
  bool SetCommTimeouts(CommHandle port, const CommTimeouts& timeouts) override;
  bool SetCommMask(CommHandle port, uint32_t eventMask) override;
  bool GetCommMask(CommHandle port, uint32_t& eventMask) override;
  bool GetCommState(CommHandle port, Dcb& dcb) override;
  bool BuildCommDCBA(const std::string& definition, Dcb& dcb) override;
  bool SetCommState(CommHandle port, const Dcb& dcb) override;
  bool PurgeComm(CommHandle port, uint32_t flags) override;
  bool ClearCommError(CommHandle port, uint32_t* errors, ComStat* stat) override;
  bool WaitCommEvent(CommHandle port, uint32_t* eventMask, Overlapped* overlapped) override;
  bool ReadFile(CommHandle port, void* buffer, uint32_t count, uint32_t* done,
                Overlapped* overlapped) override;
  bool WriteFile(CommHandle port, const void* buffer, uint32_t count, uint32_t* done,
                 Overlapped* overlapped) override;
  bool GetOverlappedResult(CommHandle port, Overlapped* overlapped, uint32_t* transferred,
                           bool wait) override;
  EventHandle CreateEventA(bool manualReset, bool initialState) override;
  bool SetEvent(EventHandle event) override;
  bool ResetEvent(EventHandle event) override;
  uint32_t WaitForMultipleObjects(std::span<const EventHandle> events, uint32_t timeoutMs) override;
  uint32_t GetLastError() override;
  std::string FormatMessageA(uint32_t errorCode) override;
};

}  // namespace platform::win32
