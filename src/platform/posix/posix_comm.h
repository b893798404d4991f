// Comm ports over POSIX ttys (termios, poll), so the serial code runs for
// real on Linux, for example against one end of a pseudo-terminal pair.
//
// "\\.\COMn" opens the tty mapped to n with MapPort. Events are eventfds
// guarded by a mutex; a wait on the event of an overlapped record whose
// operation is pending also polls that port's tty, and completes the
// operation when the tty becomes readable, so nothing spins.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "platform/comm.h"

namespace posix {

class PosixCommPorts : public platform::CommPorts {
 public:
  PosixCommPorts();
  ~PosixCommPorts() override;
  PosixCommPorts(const PosixCommPorts&) = delete;
  PosixCommPorts& operator=(const PosixCommPorts&) = delete;

  // "\\.\COM<number>" opens `devicePath`.
  void MapPort(int number, const std::string& devicePath);

  platform::CommHandle CreateFileA(const std::string& name, uint32_t desiredAccess,
                                   uint32_t shareMode, uint32_t creationDisposition,
                                   uint32_t flagsAndAttributes) override;
  bool CloseHandle(std::uintptr_t handle) override;
  bool SetupComm(platform::CommHandle port, uint32_t inQueue, uint32_t outQueue) override;
  bool SetCommTimeouts(platform::CommHandle port, const platform::CommTimeouts& timeouts) override;
  bool SetCommMask(platform::CommHandle port, uint32_t eventMask) override;
  bool GetCommMask(platform::CommHandle port, uint32_t& eventMask) override;
  bool GetCommState(platform::CommHandle port, platform::Dcb& dcb) override;
  bool BuildCommDCBA(const std::string& definition, platform::Dcb& dcb) override;
  bool SetCommState(platform::CommHandle port, const platform::Dcb& dcb) override;
  bool PurgeComm(platform::CommHandle port, uint32_t flags) override;
  bool ClearCommError(platform::CommHandle port, uint32_t* errors,
                      platform::ComStat* stat) override;
  bool WaitCommEvent(platform::CommHandle port, uint32_t* eventMask,
                     platform::Overlapped* overlapped) override;
  bool ReadFile(platform::CommHandle port, void* buffer, uint32_t count, uint32_t* done,
                platform::Overlapped* overlapped) override;
  bool WriteFile(platform::CommHandle port, const void* buffer, uint32_t count, uint32_t* done,
                 platform::Overlapped* overlapped) override;
  bool GetOverlappedResult(platform::CommHandle port, platform::Overlapped* overlapped,
                           uint32_t* transferred, bool wait) override;
  platform::EventHandle CreateEventA(bool manualReset, bool initialState) override;
  bool SetEvent(platform::EventHandle event) override;
  bool ResetEvent(platform::EventHandle event) override;
  uint32_t WaitForMultipleObjects(std::span<const platform::EventHandle> events,
                                  uint32_t timeoutMs) override;
  uint32_t GetLastError() override;
  std::string FormatMessageA(uint32_t errorCode) override;

  // Win32 error code for an errno value.
  static uint32_t ErrorFromErrno(int error);

 private:
  struct Event;
  struct Port;

  std::shared_ptr<Event> FindEvent(platform::EventHandle handle);
  std::shared_ptr<Port> FindPort(platform::CommHandle handle);
  bool Signal(Event& event);
  // Completes the pending operation of `port` if its tty is ready; true when
  // it did.
  bool CompletePending(Port& port, bool mayBlock, uint32_t blockMs);

  std::mutex mutex_;
  std::map<int, std::string> devices_;
  std::map<std::uintptr_t, std::shared_ptr<Event>> events_;
  std::map<std::uintptr_t, std::shared_ptr<Port>> ports_;
  std::uintptr_t nextHandle_ = 0x1000;
};

}  // namespace posix
