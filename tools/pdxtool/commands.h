// pdxtool's commands. Arguments are CP932; output is UTF-8 text. Each answers the exit
// code; failures are written to `err`.
//
//   pdxtool dump TABLE       header facts, indexes and every row
//   pdxtool check TABLE      the whole family; exit 1 on a problem
//   pdxtool check FOLDER [--recursive]   every family of a folder; exit 1 when one fails
//   pdxtool repair TABLE [--borrow OTHER.DB]   repairs a damaged family (exit 1 when it
//                            cannot, 2 when the table is in use)
//   pdxtool index TABLE [--primary F1;F2] [--secondary NAME F1;F2 [--case-insensitive]
//                 [--unique] [--descending]]...   builds the indexes in the given order
//   pdxtool append TABLE FIELD=VALUE...           appends one row
//   pdxtool medium DIR       checks an install medium; exit 1 on a problem
#ifndef HINMEI_TOOLS_PDXTOOL_COMMANDS_H_
#define HINMEI_TOOLS_PDXTOOL_COMMANDS_H_

#include <ostream>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace pdxtool {

inline constexpr int kExitProblem = 1;  // check found a problem; repair could not repair
inline constexpr int kExitFailure = 2;  // the command failed or was misused; the table is in use

// Runs the command named by args[0] with the rest as its arguments.
int Run(platform::FileSystem& fs, const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace pdxtool

#endif  // HINMEI_TOOLS_PDXTOOL_COMMANDS_H_
