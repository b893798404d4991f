// Threads of the simulated machine and the cross-thread message delivery
// they share with the simulated window system.
//
// Every thread started here is a real std::thread. The Dispatcher knows how
// many of them are running and which thread owns which window, so that:
//  - a synchronous send to a window of another thread runs on the owner's
//    thread while the sender waits, exactly like Win32 SendMessage, and the
//    sender keeps handling sends addressed to itself while it waits;
//  - a thread waiting for another one (Thread::Wait) keeps handling sends
//    addressed to its windows, so a worker blocked in a send finishes;
//  - the window system can tell when the machine is idle: no simulated thread
//    is running (each is finished, waiting in a send or a Wait, or parked in
//    a Blocked scope), and no send is queued for the window thread.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/threads.h"

namespace sim {

class Dispatcher {
 public:
  using Target = std::uintptr_t;  // a window handle

  Dispatcher() = default;
  Dispatcher(const Dispatcher&) = delete;
  Dispatcher& operator=(const Dispatcher&) = delete;

  // Window ownership. Unregistering drops the sends still queued for the
  // target: their senders return with false at once.
  void RegisterTarget(Target target, std::thread::id owner);
  void UnregisterTarget(Target target);

  // Runs `task` on the thread that owns `target` and returns when it has run
  // (true), or at once with false when the target does not exist or was
  // destroyed before the task ran. On the owner's thread it runs directly.
  bool Send(Target target, const std::function<void()>& task);

  // Runs every send queued for the calling thread (and completes a held one).
  // Returns how many ran.
  int Pump();
  // Pumps until `done()` holds; `done` is checked under the dispatcher's lock
  // after every change, so it must only read state changed under Notify.
  // A simulated thread counts as not running while it waits here.
  void WaitUntil(const std::function<bool()>& done);
  // Pumps until no other simulated thread runs and nothing is queued for the
  // caller. Gives up after `realTimeoutMs` of real time (false).
  bool WaitIdle(uint32_t realTimeoutMs = 20000);
  // Runs sends one by one until `condition()` (evaluated on this thread
  // right after each send has been handled) holds; the send that made it
  // hold is not completed yet: its sender stays blocked until the next Pump.
  // False when the machine became idle first or time ran out.
  bool PumpUntilHeld(const std::function<bool()>& condition, uint32_t realTimeoutMs = 20000);
  // True while the calling thread holds a send taken by PumpUntilHeld.
  bool Holding() const;

  // Wakes every waiter after state they may wait for has changed. `change`
  // runs under the dispatcher's lock.
  void Notify(const std::function<void()>& change = {});

  // Simulated thread bookkeeping (used by SimThreads and by Blocked).
  void ThreadStarting();
  // `change` runs under the lock in the same step (marks the thread finished).
  void ThreadEnded(const std::function<void()>& change);
  void ThreadNotStarted();
  // Makes the calling thread count as one of the machine's threads.
  void AdoptCallingThread();
  int LiveThreads() const;
  // Sends waiting in any thread's queue.
  // Sends so far that ran on another thread than the sender's: each is a
  // round trip between two threads on Windows.
  int CrossThreadSends() const;

  // While alive, the calling simulated thread counts as not running: it
  // waits for something outside the machine's control (a port that never
  // answers, an event nobody signals). Nests.
  class Blocked {
   public:
    explicit Blocked(Dispatcher& dispatcher);
    ~Blocked();
    Blocked(const Blocked&) = delete;
    Blocked& operator=(const Blocked&) = delete;

   private:
    Dispatcher& dispatcher_;
    bool counted_;
  };

 private:
  struct Task {
    std::function<void()> run;
    Target target = 0;
    bool done = false;
    bool ran = false;
  };
  using TaskPtr = std::shared_ptr<Task>;

  // Lock held. Takes the next task queued for `self`, or null.
  TaskPtr TakeLocked(std::thread::id self);
  void CompleteHeldLocked(std::thread::id self);
  // Lock held (released while a task runs). Runs what others send to `self`
  // until `done` holds.
  void WaitLocked(std::unique_lock<std::mutex>& lock, std::thread::id self,
                  const std::function<bool()>& done);
  // Lock held (released while it runs). Runs `task` and marks it done.
  void RunLocked(std::unique_lock<std::mutex>& lock, const TaskPtr& task);
  bool IdleLocked(std::thread::id self) const;
  // A simulated thread starts or stops waiting; `ready` (null: never) tells,
  // under the lock, whether the wait is over, so that a thread about to wake
  // does not count as idle.
  void EnterWaitLocked(std::function<bool()> ready);
  void LeaveWaitLocked();
  bool QueueEmptyLocked(std::thread::id thread) const;

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::map<Target, std::thread::id> targets_;
  std::map<std::thread::id, std::deque<TaskPtr>> queues_;
  std::map<std::thread::id, TaskPtr> held_;
  std::map<std::thread::id, std::vector<std::function<bool()>>> waiters_;
  int live_ = 0;
  int crossThreadSends_ = 0;
  int running_ = 0;
};

class SimThreads : public platform::Threads {
 public:
  SimThreads() = default;

  // Asked before each thread is created: returns true when the creation must
  // fail (the hook sets the last error itself). Null: never fails.
  void SetFaultHook(std::function<bool(const char* call)> hook) { faultHook_ = std::move(hook); }

  std::unique_ptr<platform::Thread> StartThread(std::function<void()> body) override;

  Dispatcher& dispatcher() { return dispatcher_; }
  const Dispatcher& dispatcher() const { return dispatcher_; }
  // Threads started so far and threads that failed to start.
  int Started() const { return started_.load(); }
  int Refused() const { return refused_.load(); }

 private:
  Dispatcher dispatcher_;
  std::function<bool(const char*)> faultHook_;
  std::atomic<int> started_{0};
  std::atomic<int> refused_{0};
};

}  // namespace sim
