#include "platform/testing/kill_points.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <map>
#include <string>

#include "platform/exceptions.h"
#include "platform/testing/fault_injecting_file_system.h"
#include "platform/testing/other_process.h"

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

bool RunAsKillPointChild(int argc, char** argv, int* exit_code) {
  if (argc < 4 || std::string(argv[1]) != kFlag) return false;
  auto action = Actions().find(argv[2]);
  if (action == Actions().end()) {
    std::fprintf(stderr, "no kill-point action '%s'\n", argv[2]);
    *exit_code = 2;
    return true;
  }
  const long n = std::strtol(argv[3], nullptr, 10);
  std::vector<std::string> args(argv + 4, argv + argc);
  FaultInjectingFileSystem fs(OsFileSystem());
  fs.StopBeforeChange(n, [] {
    std::fflush(nullptr);
    std::_Exit(kStoppedCode);
  });
  try {
    action->second(fs, args);
  } catch (const Exception& e) {
    std::fprintf(stderr, "kill-point action '%s' failed: %s\n", argv[2], e.Message().c_str());
    *exit_code = 1;
    return true;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "kill-point action '%s' failed: %s\n", argv[2], e.what());
    *exit_code = 1;
    return true;
  }
  *exit_code = 0;
  return true;
}

ChildEnd RunKillPointChild(const std::string& name, long n, const std::vector<std::string>& args) {
  std::vector<std::string> command = {kFlag, name, std::to_string(n)};
  command.insert(command.end(), args.begin(), args.end());
  OtherProcess child(command);
  if (!child.started()) return ChildEnd::kFailed;
  const int code = child.Wait();
  return code == kStoppedCode ? ChildEnd::kStopped : code == 0 ? ChildEnd::kCompleted : ChildEnd::kFailed;
}

}  // namespace platform::testing
