// The table component: names one table family through a session and an alias (or a
// full path), and carries the operations the installer asks of the engine.
//
// TableName is either a bare name, found in the folder of the alias named by
// DatabaseName, or a full path (it holds '\' or ':'). Family files are found whatever
// the case of their names. Re-pointing (SetDatabaseName, SetTableName), BuildIndex and
// DropTable need a closed table; on an open one they throw EDBEngineError.
//
// Every write takes every file of the family with an exclusive share mode first; a file
// that another program holds makes the write an "in use" engine error before anything
// is written. New files are written under temporary names and renamed into place, so a
// failure at any step leaves the family as it was or complete.
#ifndef HINMEI_ENGINE_OPERATIONS_TABLE_H_
#define HINMEI_ENGINE_OPERATIONS_TABLE_H_

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/field_value.h"
#include "engine/index_def.h"
#include "engine/table_files.h"

namespace engine {

class Engine;
class TSession;

class TTable {
 public:
  explicit TTable(Engine& engine);
  ~TTable();  // closes an open table quietly
  TTable(const TTable&) = delete;
  TTable& operator=(const TTable&) = delete;

  void SetSessionName(const std::string& name);
  const std::string& SessionName() const { return session_name_; }
  void SetDatabaseName(const std::string& alias);
  const std::string& DatabaseName() const { return database_name_; }
  void SetTableName(const std::string& name);
  const std::string& TableName() const { return table_name_; }

  // The table's .DB path as resolved now (alias folder joined with a bare name).
  std::string ResolvedPath();

  // Opens the table shared for reading; the cursor stands before the first row.
  void Open();
  void Close();
  bool Active() const;

  // Moves to the last row in the table's own order: key order when keyed, chain order
  // otherwise. On an empty table there is no current row afterwards. A row begun with
  // BeginAppend and not posted is dropped.
  void MoveLast();
  // The current row's field, null for a blank value or when there is no current row.
  // "項目 '%s' が見つかりません" for a field the table lacks.
  FieldValue ReadField(const std::string& field);

  // Starts a new row with every field blank; ReadField reads it until it is posted.
  void BeginAppend();
  // Sets a field of the new row. Integers go into S, I, +, N, $ and # fields (and A
  // fields as decimal text); texts into A and memo fields. A value the field cannot hold
  // (out of range, a text longer than the field or one that would be cut inside a
  // double-byte character) is an engine error: nothing is ever truncated silently.
  void WriteField(const std::string& field, std::int32_t value);
  void WriteField(const std::string& field, const std::string& cp932_text);
  // Any value: null blanks the field; numbers go into numeric, date and time fields
  // (days, milliseconds), logicals into L fields.
  void WriteField(const std::string& field, const FieldValue& value);
  // Writes the new row: into a keyed table in key order (a key violation for a key that
  // is already there, and nothing is written), into an unkeyed one at the end; the
  // primary index and every maintained secondary index are updated with it. Afterwards
  // there is no current row; when the write fails, the row stays begun.
  void PostRecord();

  // Builds an index over the rows of the closed table and writes its files beside it.
  // ixPrimary: the table becomes keyed on `fields` (which must be its first fields) and
  // sorted; duplicate keys are an error that leaves the table as it was. Otherwise a
  // maintained secondary index (.Xnn/.Ynn for a single-field case-sensitive index named
  // as its field, .XGn/.YGn otherwise). A field the table lacks: "項目 '%s' が見つかりません".
  void BuildIndex(const std::string& name, const std::string& fields, IndexOptions options);
  // BuildIndex for each index in turn, with what that leaves on success and failure; a
  // primary index and the secondary ones after it are built from one read of the rows
  // where that writes the same files. `files` says what the table's files are to a crash.
  void BuildIndexes(const std::vector<IndexRequest>& requests, TableFiles files = TableFiles::kInUse);
  // Reads the table's index list back from its files.
  void RefreshIndexDefs();
  const std::vector<IndexDef>& IndexDefs() const { return index_defs_; }

  // Deletes the closed table with all its family files; fails when there is no such table.
  void DropTable();

 private:
  class OpenState;
  TSession* Session();
  void RequireClosed();
  void RequireAppending();

  Engine& engine_;
  std::string session_name_;
  std::string database_name_;
  std::string table_name_;
  std::vector<IndexDef> index_defs_;
  std::unique_ptr<OpenState> open_;  // null while closed
};

// Moves the table family of `source_table` (a full .DB path) over the family of
// `target_table` in the same folder: the target's files that have no counterpart in the
// source are removed, so the target ends with exactly the source's indexes. Takes every
// file of both families exclusively first ("in use" when another program holds one);
// a failure at any step leaves the target family as it was, or complete.
void ReplaceTableFamily(Engine& engine, const std::string& source_table,
                        const std::string& target_table);

}  // namespace engine

#endif  // HINMEI_ENGINE_OPERATIONS_TABLE_H_
