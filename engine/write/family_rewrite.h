// Writes a family's DB, PX and secondary indexes anew from the DB's rows, in one
// all-or-nothing change (family_write.h).
//
// A repacked DB keeps its header bytes (only the counters, the rebuild flags and, for a
// new key, the type and key fields change) and gets full blocks chained 1..n. One pass
// over the rows builds the PX and every X/Y with exact block numbers; their headers
// follow member_headers.h. The DB's own stamps and its time stamp never change.
#ifndef HINMEI_ENGINE_WRITE_FAMILY_REWRITE_H_
#define HINMEI_ENGINE_WRITE_FAMILY_REWRITE_H_

#include <optional>
#include <string>
#include <vector>

#include "engine/family.h"
#include "engine/index/key_sort.h"
#include "engine/index/secondary_index.h"
#include "engine/read/table_file.h"
#include "engine/write/family_write.h"

namespace engine {

struct Rewrite {
  const Family* family = nullptr;
  // The DB's rows. With `rows`, the DB is written anew from them, in their order, in
  // full blocks chained 1..n under rows->header(). Without, the DB stays byte for byte
  // and its rows are read from `db_file` (holding `db`) in chain order, never all at once.
  MemberFile* rows = nullptr;
  platform::File* db_file = nullptr;
  const format::Header* db = nullptr;
  // Write only when the stored rows are in strict key order in full blocks: otherwise
  // nothing is written and RewriteFamily answers false.
  bool only_in_key_order = false;
  int key_fields = 0;                 // primary key fields afterwards (0: unkeyed)
  // The PX (`old_px`) stays as it is when it is the DB's own: of its key, carrying the
  // DB's stamp as a PX written for it does. Only for a DB that is not written anew.
  bool keep_current_px = false;
  std::vector<SecondaryIndex> indexes;  // every secondary index the family has afterwards
  std::vector<std::string> remove;    // members that go away
  std::optional<format::Header> old_px;
  int next_sequence = 0;              // header word 0x12 for the first new file
};

// The rows' order by primary key, checking that alpha keys can be ordered; "Key
// violation" when two rows share a key.
RowOrder PrimaryOrder(const MemberFile& db, int key_fields, const std::string& path);

// Throws when the table's collation cannot order an alpha field among `fields`.
void RequireOrderable(const format::Header& db, const std::vector<int>& fields, const std::string& path);

// Writes every new member through `write` and commits the change; false when
// `only_in_key_order` found the rows otherwise.
bool RewriteFamily(FamilyWrite& write, Rewrite& rewrite);

// The first header word 0x12 free for new members of the family.
int NextSequence(const std::vector<format::Header>& members);

}  // namespace engine

#endif  // HINMEI_ENGINE_WRITE_FAMILY_REWRITE_H_
