#include "platform/testing/other_process.h"

#include <chrono>
#include <thread>

#include "platform/file_system.h"

#ifdef _WIN32
#include <process.h>
#include <stdlib.h>
#else
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
extern char** environ;
#endif

namespace platform::testing {
namespace {

bool WaitForFile(const std::string& path, std::chrono::seconds limit) {
  platform::FileSystem& fs = platform::OsFileSystem();
  auto give_up = std::chrono::steady_clock::now() + limit;
  while (!fs.FileExists(path)) {
    if (std::chrono::steady_clock::now() > give_up) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

std::string SelfPath() {
#ifdef _WIN32
  return _pgmptr;
#else
  char path[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  return n > 0 ? std::string(path, static_cast<std::size_t>(n)) : std::string();
#endif
}

}  // namespace

OtherProcess::OtherProcess(const std::vector<std::string>& args) {
  std::string self = SelfPath();
  std::vector<std::string> quoted{self};
  for (const std::string& a : args) quoted.push_back(a);
  std::vector<char*> argv;
  for (std::string& a : quoted) argv.push_back(a.data());
  argv.push_back(nullptr);
#ifdef _WIN32
  intptr_t h = _spawnv(_P_NOWAIT, self.c_str(), argv.data());
  started_ = h != -1;
  handle_ = static_cast<long long>(h);
#else
  pid_t pid = 0;
  started_ = posix_spawn(&pid, self.c_str(), nullptr, nullptr, argv.data(), environ) == 0;
  handle_ = pid;
#endif
}

int OtherProcess::Wait() {
  if (!started_ || waited_) return -1;
  waited_ = true;
#ifdef _WIN32
  int status = 0;
  _cwait(&status, static_cast<intptr_t>(handle_), _WAIT_CHILD);
  return status;
#else
  int status = 0;
  waitpid(static_cast<pid_t>(handle_), &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
}

OtherProcess::~OtherProcess() { Wait(); }

OtherProgramHolding::OtherProgramHolding(const std::string& file, const std::string& signal_folder)
    : ready_(signal_folder + "\\ready"),
      release_(signal_folder + "\\release"),
      process_({"--hold", file, ready_, release_}) {
  holding_ = process_.started() && WaitForFile(ready_, std::chrono::seconds(30));
}

OtherProgramHolding::~OtherProgramHolding() { Release(); }

int OtherProgramHolding::Release() {
  platform::FileSystem& fs = platform::OsFileSystem();
  if (!fs.FileExists(release_)) platform::WriteWholeFile(fs, release_, "");
  int code = process_.Wait();
  for (const std::string& signal : {ready_, release_}) {
    if (fs.FileExists(signal)) fs.RemoveFile(signal);
  }
  holding_ = false;
  return code;
}

bool RunAsHolder(int argc, char** argv, int* exit_code) {
  if (argc != 5 || std::string(argv[1]) != "--hold") return false;
  platform::FileSystem& fs = platform::OsFileSystem();
  auto held = fs.Open(argv[2], platform::Access::kRead, platform::Share::kReadWrite, platform::Disposition::kOpenExisting);
  platform::WriteWholeFile(fs, argv[3], "held");
  WaitForFile(argv[4], std::chrono::seconds(60));
  *exit_code = 0;
  return true;
}

}  // namespace platform::testing
