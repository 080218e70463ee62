#include "engine/threads/helper_thread.h"

#include <system_error>
#include <utility>

namespace engine {

std::unique_ptr<HelperThread> HelperThread::Start() {
  if (std::thread::hardware_concurrency() < 2) return nullptr;
  std::unique_ptr<HelperThread> helper(new HelperThread());
  try {
    helper->thread_ = std::thread([h = helper.get()] { h->Loop(); });
  } catch (const std::system_error&) {
    return nullptr;
  }
  return helper;
}

HelperThread::~HelperThread() {
  {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return !busy_; });
    ending_ = true;
    changed_.notify_all();
  }
  thread_.join();
}

void HelperThread::Run(std::function<void()> work) {
  std::lock_guard<std::mutex> lock(mutex_);
  work_ = std::move(work);
  given_ = true;
  busy_ = true;
  error_ = nullptr;
  changed_.notify_all();
}

void HelperThread::Wait() {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [&] { return !busy_; });
  if (error_) std::rethrow_exception(std::exchange(error_, nullptr));
}

void HelperThread::Loop() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    changed_.wait(lock, [&] { return given_ || ending_; });
    if (!given_) return;
    std::function<void()> work = std::move(work_);
    given_ = false;
    lock.unlock();
    std::exception_ptr error;
    try {
      work();
    } catch (...) {
      error = std::current_exception();
    }
    work = nullptr;  // what it holds goes before the work is told done
    lock.lock();
    error_ = error;
    busy_ = false;
    changed_.notify_all();
  }
}

}  // namespace engine
