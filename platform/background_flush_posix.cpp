#include "platform/background_flush_posix.h"

#include <errno.h>
#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <condition_variable>
#include <cstdio>
#include <map>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

namespace platform {
namespace {

using FileKey = std::pair<dev_t, ino_t>;

struct FileFlushes {
  int running = 0;
  int error = 0;  // of the first that failed
};

// The flushes under way, by file. Never destroyed: a flush may still run while the
// program ends.
class Registry {
 public:
  static Registry& Get() {
    static Registry* registry = [] {
      auto* r = new Registry;
      // A child forked while a flush holds the lock would find it held for ever, and it
      // has none of the threads that run its parent's flushes.
      pthread_atfork([] { Get().mutex_.lock(); }, [] { Get().mutex_.unlock(); }, [] { Get().InChild(); });
      return r;
    }();
    return *registry;
  }

  // Throws std::system_error, with nothing started, when no thread can be had.
  void Start(const FileKey& key, int own_fd) {
    std::lock_guard<std::mutex> lock(mutex_);
    FileFlushes& flushes = files_[key];
    std::thread([this, key, own_fd] {
      int error = fdatasync(own_fd) == 0 ? 0 : errno;
      ::close(own_fd);
      std::lock_guard<std::mutex> lock(mutex_);
      auto it = files_.find(key);
      if (error != 0 && it->second.error == 0) it->second.error = error;
      --it->second.running;
      // Only a failure needs keeping for a later Flush to report.
      if (it->second.running == 0 && it->second.error == 0) files_.erase(it);
      done_.notify_all();
    }).detach();
    ++flushes.running;
  }

  int Finish(const FileKey& key) {
    std::unique_lock<std::mutex> lock(mutex_);
    done_.wait(lock, [&] {
      auto it = files_.find(key);
      return it == files_.end() || it->second.running == 0;
    });
    auto it = files_.find(key);
    if (it == files_.end()) return 0;
    int error = it->second.error;
    files_.erase(it);
    return error;
  }

 private:
  // In a forked child, with the lock taken before the fork: the flushes under way are
  // the parent's; their failures, if any, were the parent's to report.
  void InChild() {
    files_.clear();
    mutex_.unlock();
  }

  std::mutex mutex_;
  std::condition_variable done_;
  std::map<FileKey, FileFlushes> files_;
};

bool KeyOf(int fd, FileKey* key) {
  struct stat st;
  if (fstat(fd, &st) != 0) return false;
  *key = {st.st_dev, st.st_ino};
  return true;
}

}  // namespace

void StartBackgroundFlush(int fd) {
  FileKey key;
  if (!KeyOf(fd, &key)) return;
  // A descriptor of the flush's own: dup would share the file's share lock.
  char self[64];
  std::snprintf(self, sizeof self, "/proc/self/fd/%d", fd);
  int own = ::open(self, O_RDONLY | O_CLOEXEC);
  if (own < 0) return;  // only a head start: the caller's Flush does the work
  try {
    Registry::Get().Start(key, own);
  } catch (const std::system_error&) {
    ::close(own);  // no thread to be had: the caller's Flush does the work
  }
}

int FinishBackgroundFlushes(int fd) {
  FileKey key;
  return KeyOf(fd, &key) ? Registry::Get().Finish(key) : 0;
}

}  // namespace platform
