// A secondary index of a table: what it indexes, its files, and the layout of its X
// records (layout.h).
//
// A single-field, case-sensitive, ascending index named as its field lives in .Xnn/.Ynn
// (nn = the field's number in hexadecimal); any other one in the next free .XGn/.YGn.
// On a keyed table the index is maintained (X type 5/8); an unkeyed table can only have
// indexes the original engine does not maintain (type 3/6), which is what it gets.
#ifndef HINMEI_ENGINE_INDEX_SECONDARY_INDEX_H_
#define HINMEI_ENGINE_INDEX_SECONDARY_INDEX_H_

#include <optional>
#include <string>
#include <vector>

#include "engine/family.h"
#include "engine/format/header.h"
#include "engine/format/header_builder.h"
#include "engine/index/collation.h"

namespace engine {

struct SecondaryIndex {
  std::string name;             // the index name (for .Xnn: the field's name)
  std::vector<int> fields;      // 0-based positions of the indexed DB fields, in key order
  std::vector<bool> descending; // per indexed field
  bool case_insensitive = false;
  bool unique = false;
  bool maintained = true;
  bool composite = false;       // .XGn rather than .Xnn
  int number = 0;               // nn or n of the file names
  // The files it has now, if any, and their headers (kept where the layout allows).
  SecondaryFiles files;
  std::optional<format::Header> old_x;
  std::optional<format::Header> old_y;
};

// The layout of the X records of `index` over a DB with header `db` (after any change of
// its key): field descriptors, key fields and field numbers.
struct XLayout {
  std::vector<format::NewField> fields;
  int key_fields = 0;  // fields of the X key (all but Blk Num / Tup Offset)
  int indexed_size = 0;  // bytes of the indexed fields
  int key_size = 0;      // bytes of the X key
  int record_size = 0;
  bool keyed = false;    // the DB is keyed: indexed fields, key fields, Blk Num
};
XLayout LayoutOf(const SecondaryIndex& index, const format::Header& db, int db_key_fields);

// Reads back what an X header says about its index. `db_key_fields` tells the X record
// layout apart (keyed: the DB's key fields follow the indexed ones).
SecondaryIndex IndexOfHeader(const format::Header& x, const format::Header& db, const SecondaryFiles& files);

// Whether a new index with these properties takes an .Xnn name.
bool TakesFieldNumberName(const std::string& name, const std::vector<int>& fields,
                          const format::Header& db, bool case_insensitive, bool descending);

// The header name of a new member: the DB's header name with `extension` instead of its
// own ("resttemp.DB" gives "resttemp.X02").
std::string MemberTableName(const std::string& db_table_name, const std::string& extension);

}  // namespace engine

#endif  // HINMEI_ENGINE_INDEX_SECONDARY_INDEX_H_
