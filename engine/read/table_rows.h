// Reading a table's rows, decoded, in the table's own order (chain order: key order for
// a keyed table). Memo and other blob fields come as their data; blank fields as null.
#ifndef HINMEI_ENGINE_READ_TABLE_ROWS_H_
#define HINMEI_ENGINE_READ_TABLE_ROWS_H_

#include <functional>
#include <string>
#include <vector>

#include "engine/field_value.h"
#include "platform/file_system.h"

namespace engine {

using Row = std::vector<FieldValue>;

// Calls `visit` with every row of the table, opened shared for reading.
void ForEachRow(platform::FileSystem& fs, const std::string& db_path, const std::function<void(const Row&)>& visit);

// Every row of the table.
std::vector<Row> ReadAllRows(platform::FileSystem& fs, const std::string& db_path);

}  // namespace engine

#endif  // HINMEI_ENGINE_READ_TABLE_ROWS_H_
