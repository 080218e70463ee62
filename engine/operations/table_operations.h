// The engine's operations on a table family named by its .DB path. TTable and pdxtool
// call these; each one is a complete, all-or-nothing change (family_write.h).
#ifndef HINMEI_ENGINE_OPERATIONS_TABLE_OPERATIONS_H_
#define HINMEI_ENGINE_OPERATIONS_TABLE_OPERATIONS_H_

#include <map>
#include <string>
#include <vector>

#include "engine/index_def.h"
#include "engine/table_files.h"
#include "platform/file_system.h"

namespace engine {

// Adds an index over the table's rows (see TTable::BuildIndex). An index of the same
// name that is already there is replaced.
void BuildIndex(platform::FileSystem& fs, const std::string& db_path, const std::string& name,
                const std::string& fields, IndexOptions options, TableFiles files = TableFiles::kInUse);

// Builds the indexes as BuildIndex does, one after the other, and leaves what that
// leaves, on success and on failure; a primary index followed by secondary ones is
// built from one read of the rows where that writes the same files.
void BuildIndexes(platform::FileSystem& fs, const std::string& db_path, const std::vector<IndexRequest>& requests,
                  TableFiles files = TableFiles::kInUse);

// A row to append: its record bytes (blob fields left blank) and the data of its blob
// fields, by field position.
struct NewRow {
  std::string record;
  std::map<int, std::string> blobs;
};
// Appends the row (see TTable::PostRecord).
void AppendRow(platform::FileSystem& fs, const std::string& db_path, NewRow row);

// Deletes the table with every member file; the table-not-found error when there is none.
void DropTableFamily(platform::FileSystem& fs, const std::string& db_path);

// Moves the family of `source` over that of `target` (see ReplaceTableFamily in table.h).
void MoveTableFamily(platform::FileSystem& fs, const std::string& source, const std::string& target,
                     TableFiles files = TableFiles::kInUse);

// Copies `from` over `to` (a table file, a memo file, any file) as one change: whoever
// looks finds the old `to` or the whole copy, its data on disk. False, with nothing
// changed, when there is no such source. A copy that fails throws the file failure
// (platform::EInOutError, naming `to`); a failure to put it in place, the engine's error.
bool CopyIntoPlace(platform::FileSystem& fs, const std::string& from, const std::string& to,
                   TableFiles files = TableFiles::kInUse);

// The table's indexes as its files declare them: the primary one first.
std::vector<IndexDef> ReadIndexDefs(platform::FileSystem& fs, const std::string& db_path);

}  // namespace engine

#endif  // HINMEI_ENGINE_OPERATIONS_TABLE_OPERATIONS_H_
