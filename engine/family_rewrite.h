// Writes a family's DB, PX and secondary indexes anew from the DB's rows, in one
// all-or-nothing change (family_write.h).
//
// The DB's rows come in the order they are to have. A repacked DB keeps its header
// bytes (only the counters and, for a new key, the type and key fields change) and gets
// full blocks chained 1..n. The PX and every X/Y are built over the rows with exact block
// numbers; their old headers are kept where the layout is unchanged, new ones are made
// from the DB's. Stamps: PX[2C] = DB[2D], X[2E] = DB[2E], X[2F] = PX[2C], Y[2C] = X[2D];
// the DB's own stamps and its time stamp never change.
#ifndef HINMEI_ENGINE_FAMILY_REWRITE_H_
#define HINMEI_ENGINE_FAMILY_REWRITE_H_

#include <optional>
#include <string>
#include <vector>

#include "engine/family.h"
#include "engine/family_write.h"
#include "engine/secondary_index.h"
#include "engine/table_file.h"

namespace engine {

struct Rewrite {
  const Family* family = nullptr;
  MemberFile* db = nullptr;           // the DB as read; its rows in their new order
  int key_fields = 0;                 // primary key fields afterwards (0: unkeyed)
  bool repack = true;                 // write the DB anew; else it stays byte for byte
  std::vector<SecondaryIndex> indexes;  // every secondary index the family has afterwards
  std::vector<std::string> remove;    // members that go away
  std::optional<format::Header> old_px;
  int next_sequence = 0;              // header word 0x12 for the first new file
};

// The rows' order by primary key, checking that alpha keys can be ordered; "Key
// violation" when two rows share a key.
std::vector<std::uint32_t> PrimaryOrder(const MemberFile& db, int key_fields, const std::string& path);

// Throws when the table's collation cannot order an alpha field among `fields`.
void RequireOrderable(const format::Header& db, const std::vector<int>& fields, const std::string& path);

// Writes every new member through `write` and commits the change.
void RewriteFamily(FamilyWrite& write, Rewrite& rewrite);

// The first header word 0x12 free for new members of the family.
int NextSequence(const std::vector<format::Header>& members);

}  // namespace engine

#endif  // HINMEI_ENGINE_FAMILY_REWRITE_H_
