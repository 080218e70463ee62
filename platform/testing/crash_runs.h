// The crash tests' two loops over an action that changes files, stopped before each of
// its changes in turn: by a real kill of a child process on the real disk, and by a power
// cut on the file system in memory. After each stop the recovery runs (what the next
// open does), and the folders must then be at a commit point the stop allows
// (commit_points.h), byte for byte, with no temporary file left.
#ifndef HINMEI_PLATFORM_TESTING_CRASH_RUNS_H_
#define HINMEI_PLATFORM_TESTING_CRASH_RUNS_H_

#include <functional>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace platform::testing {

struct CrashRun {
  // Also the name of the kill-point action (kill_points.h) that runs `action` with the
  // root folder as its one argument.
  std::string name;
  std::vector<std::string> folders;  // below the root: the folders whose files are compared
  std::function<void(FileSystem& fs, const std::string& root)> seed;  // the files before
  std::function<void(FileSystem& fs, const std::string& root)> action;
  std::function<void(FileSystem& fs, const std::string& root)> recover;
  std::function<bool(const std::string& name)> is_temporary;
  std::function<bool(const std::string& name)> is_record;  // a change's intent record
  std::vector<std::string> skip;  // names of files never compared
};

// Registers the run's action for the child processes.
bool RegisterCrashRun(const CrashRun& run);

struct CrashFindings {
  long changes = 0;             // of the action, run to the end
  std::size_t stops = 0;        // states checked
  std::vector<std::string> problems;
};

// A child is killed before each change in turn, in a folder of the real file system.
CrashFindings KillBeforeEachChange(const CrashRun& run);
// The power is cut before each change in turn, and after the action has returned, each
// prefix of the unflushed folder entries reaching the disk.
CrashFindings CutPowerBeforeEachChange(const CrashRun& run);

}  // namespace platform::testing

#endif  // HINMEI_PLATFORM_TESTING_CRASH_RUNS_H_
