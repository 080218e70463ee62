// A second thread for the steps of one table operation that two threads share (the pass
// over the rows, the key sort). Kept through one operation, it is there at once for the
// next step, instead of a thread started for each.
#ifndef HINMEI_ENGINE_THREADS_HELPER_THREAD_H_
#define HINMEI_ENGINE_THREADS_HELPER_THREAD_H_

#include <condition_variable>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace engine {

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
  std::condition_variable changed_;
  std::function<void()> work_;
  bool given_ = false;  // work_ waits to be taken
  bool busy_ = false;   // given or being done
  bool ending_ = false;
  std::exception_ptr error_;
  std::thread thread_;
};

}  // namespace engine

#endif  // HINMEI_ENGINE_THREADS_HELPER_THREAD_H_
