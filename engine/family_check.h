// The whole-family check `pdxtool check` prints: every member's structure, key order,
// the PX and every X/Y against the table's rows, blob references, and the stamps.
//
// Problems are what makes the original engine refuse or misread the family (a count
// that does not add up, keys out of order, an index that does not match the rows, a
// rebuild flag set, a missing member). Notes are what the original engine's own files
// show too: stamps that differ from their parent's, stale row hints in X files, a
// non-maintained index that is out of date, an order that cannot be checked because the
// sort order is not implemented, a change of the folder that a stopped process left for
// the next open to finish.
#ifndef HINMEI_ENGINE_FAMILY_CHECK_H_
#define HINMEI_ENGINE_FAMILY_CHECK_H_

#include <string>
#include <vector>

#include "platform/file_system.h"

namespace engine {

struct CheckReport {
  std::vector<std::string> problems;
  std::vector<std::string> notes;
  bool ok() const { return problems.empty(); }
};

CheckReport CheckFamily(platform::FileSystem& fs, const std::string& db_path);

// Throws the engine's memo-file-missing error naming the .MB when a row of the table keeps
// memo or blob data in a .MB file that is not there (a table copied without it). Writing
// such a table would leave a family the original engine cannot read.
void RequireMemoFile(platform::FileSystem& fs, const std::string& db_path);

}  // namespace engine

#endif  // HINMEI_ENGINE_FAMILY_CHECK_H_
