// `pdxtool check`: one table's family, or every table family of a folder.
//
//   pdxtool check TABLE               every finding; a problem with what the application
//                                     does with it and what to run
//   pdxtool check FOLDER [--recursive]  one line a family (a repair's backup folders
//                                     passed over), then: families OK / with notes /
//                                     failed, the sort orders and code pages met, and
//                                     the indexes whose entries are in another order than
//                                     this engine's collation gives
//
// Both answer 1 when a family fails, 0 otherwise.
#ifndef HINMEI_TOOLS_PDXTOOL_CHECK_COMMAND_H_
#define HINMEI_TOOLS_PDXTOOL_CHECK_COMMAND_H_

#include <ostream>
#include <string>

#include "platform/file_system.h"

namespace pdxtool {

int CheckTable(platform::FileSystem& fs, const std::string& table, std::ostream& out);
int CheckFolder(platform::FileSystem& fs, const std::string& folder, bool recursive, std::ostream& out);

}  // namespace pdxtool

#endif  // HINMEI_TOOLS_PDXTOOL_CHECK_COMMAND_H_
