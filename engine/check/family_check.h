// The whole-family check `pdxtool check` prints: every member's structure, key order,
// the PX and every X/Y against the table's rows, blob references, and the stamps.
//
// Problems are what makes the original engine refuse or misread the family (a count
// that does not add up, keys out of order, an index that does not match the rows, a
// rebuild flag set, a missing member). Notes are what the original engine's own files
// show too: stamps that differ from their parent's, stale row hints in X files, a
// non-maintained index that is out of date, an order that cannot be checked because the
// sort order is not implemented, a primary index left beside a table that lost its key,
// a change of the folder that a stopped process left for the next open to finish.
//
// Each finding has a kind, which says what the application makes of it and so what
// mends it; its text says what is wrong in the file named.
#ifndef HINMEI_ENGINE_CHECK_FAMILY_CHECK_H_
#define HINMEI_ENGINE_CHECK_FAMILY_CHECK_H_

#include <cstdint>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace engine {

enum class FindingKind {
  // Problems.
  kTableUnreadable,   // the .DB's blocks or counts are damaged
  kHeaderUnreadable,  // the .DB's header is damaged: its structure must be borrowed
  kRowsOutOfOrder,    // a keyed table's rows are not in key order
  kRecordValues,      // a record's field holds no value of its type
  kPrimaryIndex,      // the .PX is missing, damaged or does not match the rows
  kSecondaryIndex,    // an .X or .Y is damaged or does not match the rows
  kIndexZeroed,       // an index file holds only zeros where its blocks should be
  kTreeWithoutData,   // a .Y whose .X is missing
  kBlobs,             // a memo or blob field does not match the .MB
  kMemoFileMissing,   // rows keep data in a .MB that is not there
  kRebuildFlag,       // a "rebuild required" flag is set
  // Notes.
  kStamp,             // a stamp differs from its parent's
  kStaleHints,        // row hints of an X point at other blocks
  kNotMaintained,     // a non-maintained index is out of date
  kOrderNotChecked,   // the sort order's collation is not implemented
  kLeftoverPrimary,   // a .PX beside an unkeyed table
  kCollation,         // index entries in another order than this engine's collation gives
  kValStamp,          // the .VAL's stamp differs from the table's
  kPendingChange,     // a change of the folder that a stopped process left unfinished
};

struct Finding {
  bool problem = false;
  FindingKind kind = FindingKind::kTableUnreadable;
  std::string file;    // the member's file name
  std::string detail;  // what is wrong, as a sentence without its file name
};

struct CheckReport {
  // "NAME: detail" of every problem and note, in the order found.
  std::vector<std::string> problems;
  std::vector<std::string> notes;
  std::vector<Finding> findings;  // problems and notes alike
  // The table's language driver, where its header could be read.
  std::string sort_order;
  std::uint16_t code_page = 0;
  bool ok() const { return problems.empty(); }

  void AddProblem(FindingKind kind, const std::string& path, const std::string& detail);
  void AddNote(FindingKind kind, const std::string& path, const std::string& detail);
};

CheckReport CheckFamily(platform::FileSystem& fs, const std::string& db_path);

}  // namespace engine

#endif  // HINMEI_ENGINE_CHECK_FAMILY_CHECK_H_
