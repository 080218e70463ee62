// A table family held for one change, with what its files declare: the change's
// FamilyWrite, the DB's header, its PX's and every secondary index's. The DB's rows are
// read only where the change needs them all at once (Rows); otherwise the rewrite reads
// them from the held file as it goes.
#ifndef HINMEI_ENGINE_OPERATIONS_TABLE_CHANGE_H_
#define HINMEI_ENGINE_OPERATIONS_TABLE_CHANGE_H_

#include <optional>
#include <string>
#include <vector>

#include "engine/family.h"
#include "engine/format/header.h"
#include "engine/index/secondary_index.h"
#include "engine/read/table_file.h"
#include "engine/table_files.h"
#include "engine/write/family_write.h"
#include "platform/file_system.h"

namespace engine {

struct TableChange {
  // Holds every member of the family of `db_path`; the table-not-found error when there
  // is none, an engine error when its DB is no table.
  TableChange(platform::FileSystem& fs, const std::string& db_path, TableFiles files = TableFiles::kInUse);

  // Every row of the DB, read once; a rewrite with `repack` writes them anew.
  MemberFile& Rows();

  // Writes the family anew (RewriteFamily) with `key_fields` primary key fields and the
  // secondary indexes in `indexes`: from Rows() when `repack`, else from the stored DB.
  // False when `only_in_key_order` found the stored rows out of key order.
  bool Rewrite(int key_fields, bool repack, bool only_in_key_order = false);

  FamilyWrite write;
  Family family;
  platform::File* db_file = nullptr;
  format::Header db;  // as the file declares it
  std::optional<MemberFile> rows;
  std::optional<format::Header> px;
  std::vector<SecondaryIndex> indexes;
  std::vector<std::string> orphans;
  std::vector<std::string> removals;
  int next_sequence = 1;
  bool keep_current_px = false;  // for a change of secondary indexes alone
};

}  // namespace engine

#endif  // HINMEI_ENGINE_OPERATIONS_TABLE_CHANGE_H_
