#include "platform/testing/kill_points.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <map>
#include <string>

#include "platform/exceptions.h"
#include "platform/testing/fault_injecting_file_system.h"
#include "platform/testing/other_process.h"

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace platform::testing {
namespace {

constexpr char kFlag[] = "--stop-before-change";
constexpr int kStoppedCode = 77;

std::map<std::string, KillPointAction>& Actions() {
  static std::map<std::string, KillPointAction> actions;
  return actions;
}

}  // namespace

bool RegisterKillPointAction(const std::string& name, KillPointAction action) {
  Actions()[name] = std::move(action);
  return true;
}

namespace {

// The child's part: the action, stopped dead before change `n`; answers the exit code
// of an action that ends on its own.
int RunStoppedBefore(const std::string& name, long n, const std::vector<std::string>& args) {
  auto action = Actions().find(name);
  if (action == Actions().end()) {
    std::fprintf(stderr, "no kill-point action '%s'\n", name.c_str());
    return 2;
  }
  FaultInjectingFileSystem fs(OsFileSystem());
  fs.StopBeforeChange(n, [] {
    std::fflush(nullptr);
    std::_Exit(kStoppedCode);
  });
  try {
    action->second(fs, args);
  } catch (const Exception& e) {
    std::fprintf(stderr, "kill-point action '%s' failed: %s\n", name.c_str(), e.Message().c_str());
    return 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "kill-point action '%s' failed: %s\n", name.c_str(), e.what());
    return 1;
  }
  return 0;
}

ChildEnd EndOf(int code) {
  return code == kStoppedCode ? ChildEnd::kStopped : code == 0 ? ChildEnd::kCompleted : ChildEnd::kFailed;
}

}  // namespace

bool RunAsKillPointChild(int argc, char** argv, int* exit_code) {
  if (argc < 4 || std::string(argv[1]) != kFlag) return false;
  *exit_code = RunStoppedBefore(argv[2], std::strtol(argv[3], nullptr, 10), std::vector<std::string>(argv + 4, argv + argc));
  return true;
}

ChildEnd RunKillPointChild(const std::string& name, long n, const std::vector<std::string>& args) {
#ifdef _WIN32
  std::vector<std::string> command = {kFlag, name, std::to_string(n)};
  command.insert(command.end(), args.begin(), args.end());
  OtherProcess child(command);
  if (!child.started()) return ChildEnd::kFailed;
  return EndOf(child.Wait());
#else
  // A copy of this process: it starts in no time, where the program started again
  // would first spend a quarter of a second on its sanitizers.
  std::fflush(nullptr);
  const pid_t pid = fork();
  if (pid < 0) return ChildEnd::kFailed;
  if (pid == 0) std::_Exit(RunStoppedBefore(name, n, args));
  int status = 0;
  if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return ChildEnd::kFailed;
  return EndOf(WEXITSTATUS(status));
#endif
}

}  // namespace platform::testing
