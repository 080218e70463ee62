// Stopping a process dead at a chosen file operation, for the tests of what a killed
// program leaves behind. A child process (a fork of the test program on POSIX, the
// program run again on Windows) carries out a registered action on the real file system
// and stops before its nth operation that changes the disk, as a killed process would:
// no destructor runs, no handle is closed by the program, nothing more is written.
#ifndef HINMEI_PLATFORM_TESTING_KILL_POINTS_H_
#define HINMEI_PLATFORM_TESTING_KILL_POINTS_H_

#include <functional>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace platform::testing {

using KillPointAction = std::function<void(FileSystem& fs, const std::vector<std::string>& args)>;

// Registers an action under a name; a test file does so while the program starts
// (`const bool registered = RegisterKillPointAction(...)`).
bool RegisterKillPointAction(const std::string& name, KillPointAction action);

// For main, before the test framework starts: when the command line makes this process
// such a child, runs its action and answers true with the exit code to end with (it never
// returns when it stops).
bool RunAsKillPointChild(int argc, char** argv, int* exit_code);

enum class ChildEnd { kStopped, kCompleted, kFailed };

// Runs the action `name` with `args` in a child that stops before its change `n`.
ChildEnd RunKillPointChild(const std::string& name, long n, const std::vector<std::string>& args);

}  // namespace platform::testing

#endif  // HINMEI_PLATFORM_TESTING_KILL_POINTS_H_
