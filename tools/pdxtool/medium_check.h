// `pdxtool medium DIR`: checks an install medium before it is shipped.
//
// The catalogue DIR\kelo.txt is read with the program's own reader and its rows listed;
// every master's source subfolder must hold its six files; each table of the medium
// (the three of every master, and the type table at the root) is copied to a temporary
// folder and indexed there exactly as the install will index it, then checked as a
// family. A medium carries its tables without index files, so their absence is normal.
#ifndef HINMEI_TOOLS_PDXTOOL_MEDIUM_CHECK_H_
#define HINMEI_TOOLS_PDXTOOL_MEDIUM_CHECK_H_

#include <ostream>
#include <string>

#include "platform/file_system.h"

namespace pdxtool {

// Writes the report to `out` (UTF-8); answers 0 when the medium is sound, 1 otherwise.
int CheckMedium(platform::FileSystem& fs, const std::string& medium_folder, std::ostream& out);

}  // namespace pdxtool

#endif  // HINMEI_TOOLS_PDXTOOL_MEDIUM_CHECK_H_
