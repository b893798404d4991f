#include "platform/sim/sim_threads.h"

#include <chrono>
#include <system_error>

namespace sim {

namespace {

// The dispatcher whose thread the calling thread is (null for threads the
// machine did not start, such as the test's own), and how deep it is in
// waits that make it count as not running.
thread_local Dispatcher* tlsDispatcher = nullptr;
thread_local int tlsWaitDepth = 0;

using SteadyClock = std::chrono::steady_clock;

}  // namespace

void Dispatcher::RegisterTarget(Target target, std::thread::id owner) {
  std::lock_guard lock(mutex_);
  targets_[target] = owner;
}

void Dispatcher::UnregisterTarget(Target target) {
  std::lock_guard lock(mutex_);
  targets_.erase(target);
  for (auto& [thread, queue] : queues_) {
    for (auto it = queue.begin(); it != queue.end();) {
      if ((*it)->target == target) {
        (*it)->done = true;  // dropped: the sender sees ran == false
        it = queue.erase(it);
      } else {
        ++it;
      }
    }
  }
  changed_.notify_all();
}

void Dispatcher::EnterWaitLocked(std::function<bool()> ready) {
  if (tlsDispatcher != this) return;
  waiters_[std::this_thread::get_id()].push_back(std::move(ready));
  if (tlsWaitDepth++ == 0) --running_;
  changed_.notify_all();
}

void Dispatcher::LeaveWaitLocked() {
  if (tlsDispatcher != this) return;
  auto it = waiters_.find(std::this_thread::get_id());
  if (it != waiters_.end()) {
    it->second.pop_back();
    if (it->second.empty()) waiters_.erase(it);
  }
  if (--tlsWaitDepth == 0) ++running_;
  changed_.notify_all();
}

bool Dispatcher::QueueEmptyLocked(std::thread::id thread) const {
  auto it = queues_.find(thread);
  return it == queues_.end() || it->second.empty();
}

Dispatcher::TaskPtr Dispatcher::TakeLocked(std::thread::id self) {
  auto it = queues_.find(self);
  if (it == queues_.end() || it->second.empty()) return nullptr;
  TaskPtr task = it->second.front();
  it->second.pop_front();
  return task;
}

void Dispatcher::CompleteHeldLocked(std::thread::id self) {
  auto it = held_.find(self);
  if (it == held_.end()) return;
  it->second->done = true;
  held_.erase(it);
  changed_.notify_all();
}

bool Dispatcher::IdleLocked(std::thread::id self) const {
  if (!QueueEmptyLocked(self)) return false;
  int selfRunning = (tlsDispatcher == this && tlsWaitDepth == 0) ? 1 : 0;
  if (running_ - selfRunning > 0) return false;
  // A waiting thread whose wait is over is about to run again.
  for (const auto& [thread, waits] : waiters_) {
    if (thread != self && !waits.empty() && waits.back() && waits.back()()) return false;
  }
  return true;
}

bool Dispatcher::Send(Target target, const std::function<void()>& task) {
  const std::thread::id self = std::this_thread::get_id();
  std::unique_lock lock(mutex_);
  auto owner = targets_.find(target);
  if (owner == targets_.end()) return false;
  if (owner->second == self) {
    lock.unlock();
    task();
    return true;
  }
  auto sent = std::make_shared<Task>();
  sent->run = task;
  sent->target = target;
  queues_[owner->second].push_back(sent);
  ++crossThreadSends_;
  changed_.notify_all();
  // Like a thread blocked in SendMessage, handle what others send to us.
  WaitLocked(lock, self, [&sent] { return sent->done; });
  return sent->ran;
}

int Dispatcher::Pump() {
  const std::thread::id self = std::this_thread::get_id();
  std::unique_lock lock(mutex_);
  CompleteHeldLocked(self);
  int count = 0;
  while (TaskPtr task = TakeLocked(self)) {
    RunLocked(lock, task);
    ++count;
  }
  return count;
}

void Dispatcher::WaitUntil(const std::function<bool()>& done) {
  const std::thread::id self = std::this_thread::get_id();
  std::unique_lock lock(mutex_);
  CompleteHeldLocked(self);
  WaitLocked(lock, self, done);
}

void Dispatcher::WaitLocked(std::unique_lock<std::mutex>& lock, std::thread::id self,
                            const std::function<bool()>& done) {
  auto ready = [this, &done, self] { return done() || !QueueEmptyLocked(self); };
  EnterWaitLocked(ready);
  while (!done()) {
    if (TaskPtr task = TakeLocked(self)) {
      LeaveWaitLocked();
      RunLocked(lock, task);
      EnterWaitLocked(ready);
      continue;
    }
    changed_.wait(lock);
  }
  LeaveWaitLocked();
}

void Dispatcher::RunLocked(std::unique_lock<std::mutex>& lock, const TaskPtr& task) {
  lock.unlock();
  task->run();
  lock.lock();
  task->ran = true;
  task->done = true;
  changed_.notify_all();
}

bool Dispatcher::WaitIdle(uint32_t realTimeoutMs) {
  const std::thread::id self = std::this_thread::get_id();
  const auto deadline = SteadyClock::now() + std::chrono::milliseconds(realTimeoutMs);
  std::unique_lock lock(mutex_);
  CompleteHeldLocked(self);
  for (;;) {
    if (TaskPtr task = TakeLocked(self)) {
      RunLocked(lock, task);
      continue;
    }
    if (IdleLocked(self)) return true;
    if (changed_.wait_until(lock, deadline) == std::cv_status::timeout) {
      if (queues_[self].empty()) return IdleLocked(self);
    }
  }
}

bool Dispatcher::PumpUntilHeld(const std::function<bool()>& condition, uint32_t realTimeoutMs) {
  const std::thread::id self = std::this_thread::get_id();
  const auto deadline = SteadyClock::now() + std::chrono::milliseconds(realTimeoutMs);
  std::unique_lock lock(mutex_);
  CompleteHeldLocked(self);
  for (;;) {
    if (TaskPtr task = TakeLocked(self)) {
      lock.unlock();
      task->run();
      const bool hold = condition();
      lock.lock();
      task->ran = true;
      if (hold) {
        held_[self] = task;
        return true;
      }
      task->done = true;
      changed_.notify_all();
      continue;
    }
    if (IdleLocked(self)) return false;
    if (changed_.wait_until(lock, deadline) == std::cv_status::timeout && queues_[self].empty()) {
      return false;
    }
  }
}

bool Dispatcher::Holding() const {
  std::lock_guard lock(mutex_);
  return held_.count(std::this_thread::get_id()) != 0;
}

void Dispatcher::Notify(const std::function<void()>& change) {
  std::lock_guard lock(mutex_);
  if (change) change();
  changed_.notify_all();
}

void Dispatcher::ThreadStarting() {
  std::lock_guard lock(mutex_);
  ++live_;
  ++running_;
}

void Dispatcher::ThreadEnded(const std::function<void()>& change) {
  std::lock_guard lock(mutex_);
  --live_;
  --running_;  // the ending thread itself, outside any wait
  if (change) change();
  changed_.notify_all();
}

void Dispatcher::ThreadNotStarted() {
  std::lock_guard lock(mutex_);
  --live_;
  --running_;
  changed_.notify_all();
}

void Dispatcher::AdoptCallingThread() {
  tlsDispatcher = this;
  tlsWaitDepth = 0;
}

int Dispatcher::CrossThreadSends() const {
  std::lock_guard lock(mutex_);
  return crossThreadSends_;
}

int Dispatcher::LiveThreads() const {
  std::lock_guard lock(mutex_);
  return live_;
}

Dispatcher::Blocked::Blocked(Dispatcher& dispatcher) : dispatcher_(dispatcher), counted_(false) {
  std::lock_guard lock(dispatcher_.mutex_);
  if (tlsDispatcher == &dispatcher_) {
    dispatcher_.EnterWaitLocked(nullptr);
    counted_ = true;
  }
}

Dispatcher::Blocked::~Blocked() {
  if (!counted_) return;
  std::lock_guard lock(dispatcher_.mutex_);
  dispatcher_.LeaveWaitLocked();
}

namespace {

class SimThread : public platform::Thread {
 public:
  struct State {
    std::atomic<bool> finished{false};
  };

  SimThread(Dispatcher& dispatcher, std::shared_ptr<State> state, std::thread thread)
      : dispatcher_(dispatcher), state_(std::move(state)), thread_(std::move(thread)) {}
  ~SimThread() override { Wait(); }

  void Wait() override {
    if (!thread_.joinable()) return;
    if (thread_.get_id() == std::this_thread::get_id()) return;  // would never end
    dispatcher_.WaitUntil([this] { return state_->finished.load(); });
    thread_.join();
  }

  bool Finished() const override { return state_->finished.load(); }

 private:
  Dispatcher& dispatcher_;
  std::shared_ptr<State> state_;
  std::thread thread_;
};

}  // namespace

std::unique_ptr<platform::Thread> SimThreads::StartThread(std::function<void()> body) {
  if (faultHook_ && faultHook_("CreateThread")) {
    refused_.fetch_add(1);
    return nullptr;
  }
  auto state = std::make_shared<SimThread::State>();
  Dispatcher* dispatcher = &dispatcher_;
  dispatcher->ThreadStarting();
  std::thread thread;
  try {
    thread = std::thread([dispatcher, state, body = std::move(body)] {
      dispatcher->AdoptCallingThread();
      body();
      dispatcher->ThreadEnded([&state] { state->finished.store(true); });
      tlsDispatcher = nullptr;
    });
  } catch (const std::system_error&) {
    dispatcher->ThreadNotStarted();
    refused_.fetch_add(1);
    return nullptr;
  }
  started_.fetch_add(1);
  return std::make_unique<SimThread>(dispatcher_, std::move(state), std::move(thread));
}

}  // namespace sim
