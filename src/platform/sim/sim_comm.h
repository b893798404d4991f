// Serial ports of the simulated machine: devices that open or refuse to,
// and simulated printers that answer a status request after a delay in
// virtual time, or stay silent.
//
// Every wait here is a wait of the machine's dispatcher, so a monitoring
// thread waiting for input counts as idle and the window system may move the
// clock on. Waking a waiter is made visible before the waker goes on: an
// answer that falls due while the clock moves towards a timer has been read
// and reported to its window before that timer is delivered.
//
//   m.simComm().AddDevice(3);                                 // opens, nothing answers
//   m.simComm().AttachPrinter(4, {.answer = {0x12}, .delayMs = 30, .baudRate = 9600});
//   m.simComm().AddDevice(5, win::ERROR_ACCESS_DENIED);         // in use elsewhere
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/comm.h"
#include "platform/sim/faults.h"
#include "platform/sim/sim_clock.h"
#include "platform/sim/sim_threads.h"

namespace sim {

struct SimPrinter {
  // The requests it answers (each must be written in one WriteFile); empty:
  // any write is answered.
  std::vector<std::vector<uint8_t>> requests = {{0x10, 0x04, 0x01}, {0x1B, 0x21, 0x3F}};
  std::vector<uint8_t> answer = {0x12};
  // Virtual milliseconds from the request to the answer (at least 1).
  uint32_t delayMs = 20;
  // The line rate it listens at; a port set to another rate gets nothing.
  // 0: any rate.
  uint32_t baudRate = 0;
};

// What the simulation saw of one device.
struct SimDeviceRecord {
  int opens = 0;
  bool open = false;
  std::vector<std::vector<uint8_t>> writes;  // each WriteFile, in order
  platform::Dcb dcb;                         // as last set
  uint32_t mask = 0;
  platform::CommTimeouts timeouts;
  uint32_t inQueue = 0;
  uint32_t outQueue = 0;
  int purges = 0;
  uint32_t discarded = 0;  // received bytes thrown away by purges
  uint32_t delivered = 0;  // received bytes read by the program
};

class SimComm : public platform::CommPorts {
 public:
  SimComm(SimClock& clock, Dispatcher& dispatcher, Faults& faults);
  ~SimComm() override;
  SimComm(const SimComm&) = delete;
  SimComm& operator=(const SimComm&) = delete;

  // --- Seeding ---
  // A device "\\.\COM<number>". `openError` non-zero: opening it fails with
  // that code (a port held by another program gives ERROR_ACCESS_DENIED).
  void AddDevice(int number, uint32_t openError = 0);
  // A printer on the device (added when missing).
  void AttachPrinter(int number, const SimPrinter& printer);
  // Like Wine on a pseudo-terminal: every WaitCommEvent on the device
  // completes at once with an empty event, whether data came or not.
  void CompleteCommWaitsEmpty(int number);
  // Like a read that times out: the next ReadFile on the device completes at
  // once with no byte, whatever is waiting.
  void CompleteNextReadEmpty(int number);
  // Bytes that reach an open port now (line noise, a late answer). Returns
  // once the program has handled what they woke.
  void Arrive(int number, const std::vector<uint8_t>& bytes);
  // Runs `hook` at the start of every SetEvent: the moments the program
  // wakes its monitoring thread (a request to write, the port's end), for
  // bytes that must come in just then.
  void BeforeSetEvent(std::function<void()> hook);

  // --- Inspection ---
  SimDeviceRecord Device(int number) const;
  // Device numbers in the order they were opened.
  std::vector<int> OpenOrder() const;
  int OpenHandles() const;  // ports and events not closed
  int WaitCommEventCalls() const;

  // --- platform::CommPorts ---
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

 private:
  struct DeviceState;
  struct Port;
  struct EventState;
  struct Waiter;

  // Runs `fn` under the dispatcher's lock: every state change a waiter may
  // wait for goes through here.
  template <typename Fn>
  auto Locked(Fn&& fn) const;
  // Lock held.
  Port* PortLocked(platform::CommHandle handle);
  void SignalLocked(platform::EventHandle event);
  void CompletePendingLocked(Port& port);
  // Windows forbids handing an OVERLAPPED (and its event) to a second call
  // while the operation it was given to is pending; such a call is refused
  // here with ERROR_INVALID_PARAMETER, so that the reuse shows.
  static bool ReusesPendingLocked(const Port& port, const platform::Overlapped* overlapped);
  // Waits (pumping) until every waiter woken so far has left its wait.
  void AwaitWokenWaiters();
  void Deliver(int number, uint64_t openSerial, const std::vector<uint8_t>& bytes);
  bool Check(const char* call);

  SimClock& clock_;
  Dispatcher& dispatcher_;
  Faults& faults_;

  // Guarded by the dispatcher's lock (see Locked).
  std::map<int, std::unique_ptr<DeviceState>> devices_;
  std::map<std::uintptr_t, std::unique_ptr<Port>> ports_;
  std::map<std::uintptr_t, std::unique_ptr<EventState>> events_;
  std::set<Waiter*> waiters_;
  std::vector<int> openOrder_;
  std::uintptr_t nextHandle_ = 0x5000;
  uint64_t nextOpenSerial_ = 1;
  int waitCommEventCalls_ = 0;
  std::function<void()> beforeSetEvent_;
};

}  // namespace sim
