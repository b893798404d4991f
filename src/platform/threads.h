// Threads. A thread started here can be waited for from a window's thread
// without deadlock: the wait lets synchronous sends to that thread's windows
// run, so a worker blocked in SendMessageA to the waiting thread finishes.
#pragma once

#include <functional>
#include <memory>

namespace platform {

class Thread {
 public:
  virtual ~Thread() = default;  // waits like Wait() when the thread still runs
  // Waits until the thread has ended, handling messages sent to the calling
  // thread meanwhile.
  virtual void Wait() = 0;
  virtual bool Finished() const = 0;
};

class Threads {
 public:
  virtual ~Threads() = default;
  // Default attributes, runs at once. Null when the thread cannot be created.
  virtual std::unique_ptr<Thread> StartThread(std::function<void()> body) = 0;
};

}  // namespace platform
