// A second thread for the steps of one table operation that two threads share (the pass
// over the rows, the key sort), and a condition that its waiters watch awake for a
// while before they sleep. A processor left idle can take a millisecond or more to
// wake, on a virtual machine above all, and a step's share of the work is not much
// longer: a thread started or put to sleep between steps would join each one late.
// Kept awake through one operation, it is there at once for the next step.
#ifndef HINMEI_ENGINE_HELPER_THREAD_H_
#define HINMEI_ENGINE_HELPER_THREAD_H_

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace engine {

// A condition variable whose waiters, before they sleep, watch a short while for a
// change: the time a thread waits between the steps of one operation.
class WakefulCondition {
 public:
  // Called with the mutex held, as the change is made.
  void NotifyAll() {
    changes_.fetch_add(1, std::memory_order_release);
    sleepers_.notify_all();
  }

  // Waits, with `lock` held on the mutex of the state `ready` reads, until `ready()`.
  template <typename Ready>
  void Wait(std::unique_lock<std::mutex>& lock, Ready ready) {
    const auto deadline = std::chrono::steady_clock::now() + kAwakeFor;
    while (!ready()) {
      const unsigned seen = changes_.load(std::memory_order_acquire);
      lock.unlock();
      const bool changed = WatchForChange(seen, deadline);
      lock.lock();
      if (!changed) {
        sleepers_.wait(lock, ready);
        return;
      }
    }
  }

 private:
  // Long enough for the gaps between the steps of a build; a waiter that waits longer
  // waits for something slow, and sleeps.
  static constexpr std::chrono::milliseconds kAwakeFor{10};

  // True once the changes counted differ from `seen`; false at `deadline`.
  bool WatchForChange(unsigned seen, std::chrono::steady_clock::time_point deadline) const;

  std::condition_variable sleepers_;
  std::atomic<unsigned> changes_{0};
};

class HelperThread {
 public:
  // A running thread, or null where there is one processor or no thread to be had.
  static std::unique_ptr<HelperThread> Start();

  // Waits for the work in hand, then ends the thread.
  ~HelperThread();

  HelperThread(const HelperThread&) = delete;
  HelperThread& operator=(const HelperThread&) = delete;

  // Has the thread do `work`: one piece at a time, each waited for with Wait before the
  // next is given.
  void Run(std::function<void()> work);

  // Waits for the work given last; rethrows what it threw.
  void Wait();

 private:
  HelperThread() = default;
  void Loop();

  std::mutex mutex_;
  WakefulCondition changed_;
  std::function<void()> work_;
  bool given_ = false;  // work_ waits to be taken
  bool busy_ = false;   // given or being done
  bool ending_ = false;
  std::exception_ptr error_;
  std::thread thread_;
};

}  // namespace engine

#endif  // HINMEI_ENGINE_HELPER_THREAD_H_
