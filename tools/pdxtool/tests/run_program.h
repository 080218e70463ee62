// pdxtool's tests run its commands in process, and the program itself: natively, or
// under Wine in the cross tree.
#ifndef HINMEI_TOOLS_PDXTOOL_TESTS_RUN_PROGRAM_H_
#define HINMEI_TOOLS_PDXTOOL_TESTS_RUN_PROGRAM_H_

#include <string>
#include <vector>

namespace pdxtool {

struct Result {
  int code = 0;
  std::string out;  // UTF-8
  std::string err;
};

// Runs a command in this process, on the operating system's files.
Result RunCommand(const std::vector<std::string>& args);

// Runs pdxtool with the arguments (UTF-8, quoted as a shell takes them); its output and
// errors both land in `out`.
Result RunProgram(const std::string& arguments_utf8);

}  // namespace pdxtool

#endif  // HINMEI_TOOLS_PDXTOOL_TESTS_RUN_PROGRAM_H_
