// Work that two threads share in phases (the key sort's): each phase a number of items
// that either thread takes, one at a time, each thread with its own scratch room.
#ifndef HINMEI_ENGINE_THREADS_SHARED_PHASES_H_
#define HINMEI_ENGINE_THREADS_SHARED_PHASES_H_

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <vector>

namespace engine {

// Work that two threads share in phases, each a number of items either thread takes,
// one at a time, so that a thread that starts late or is slowed takes fewer. The lead
// opens each phase and goes on once its items are done; the helper takes items of
// each phase as it comes, until the lead ends the work.
template <typename Scratch>
class SharedPhases {
 public:
  using Work = std::function<void(std::size_t item, Scratch& scratch)>;

  // The lead: opens a phase of `items` items and does them with the helper. `handed`,
  // when set, is told on this thread, in item order, of each item done with every item
  // before it. False when the helper failed (its error ends the sort).
  bool Run(std::size_t items, const Work& work, Scratch& scratch,
           const std::function<void(std::size_t item)>& handed = {}) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      work_ = &work;
      items_ = items;
      next_ = 0;
      done_.assign(items, false);
      changed_.notify_all();
    }
    for (std::size_t first_not_handed = 0; first_not_handed < items;) {
      std::size_t t = 0;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        for (; first_not_handed < items && done_[first_not_handed]; ++first_not_handed) {
          if (handed) {
            lock.unlock();
            handed(first_not_handed);
            lock.lock();
          }
        }
        if (first_not_handed == items) break;
        if (failed_) return false;
        if (next_ >= items_) {
          changed_.wait(lock, [&] { return failed_ || done_[first_not_handed]; });
          continue;
        }
        t = next_++;
      }
      work(t, scratch);
      Done(t);
    }
    return true;
  }

  // The lead: no phase follows, and when it stops early, no item more is taken.
  void End() {
    std::lock_guard<std::mutex> lock(mutex_);
    ended_ = true;
    items_ = next_;
    changed_.notify_all();
  }

  // The second thread: does items of each phase as it opens, until the work ends.
  void Help() {
    Scratch scratch;
    try {
      for (;;) {
        const Work* work = nullptr;
        std::size_t t = 0;
        {
          std::unique_lock<std::mutex> lock(mutex_);
          changed_.wait(lock, [&] { return ended_ || next_ < items_; });
          if (next_ >= items_) return;
          work = work_;
          t = next_++;
        }
        (*work)(t, scratch);
        Done(t);
      }
    } catch (...) {
      std::lock_guard<std::mutex> lock(mutex_);
      failed_ = true;
      items_ = next_;  // nothing more is taken
      changed_.notify_all();
      throw;
    }
  }

 private:
  void Done(std::size_t t) {
    std::lock_guard<std::mutex> lock(mutex_);
    done_[t] = true;
    changed_.notify_all();
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  const Work* work_ = nullptr;
  std::size_t items_ = 0;
  std::size_t next_ = 0;
  std::vector<bool> done_;
  bool ended_ = false;
  bool failed_ = false;
};

}  // namespace engine

#endif  // HINMEI_ENGINE_THREADS_SHARED_PHASES_H_
