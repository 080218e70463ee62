// Which indexes a repaired family gets, from what survives of its index files.
//
// A secondary index is defined by its .X file's header. Where that header can be read
// and fits the table, the index is written anew with its options, and the .Y's header is
// kept where it can be read (a lost or damaged .Y is written anew from the .X). An .Xnn
// whose header is lost is still defined by its name: a single-field, case-sensitive,
// ascending index on field nn, named as the field. An .XGn whose header is lost, and a .Y
// without its .X, cannot be rebuilt: their files go, and the report names them.
#ifndef HINMEI_ENGINE_REPAIR_REPAIR_INDEXES_H_
#define HINMEI_ENGINE_REPAIR_REPAIR_INDEXES_H_

#include <optional>
#include <string>
#include <vector>

#include "engine/family.h"
#include "engine/format/header.h"
#include "engine/index/secondary_index.h"
#include "engine/write/family_write.h"

namespace engine {

struct IndexPlan {
  std::optional<format::Header> old_px;    // the .PX's header, where it can be read
  std::vector<SecondaryIndex> indexes;     // every secondary index the family keeps
  std::vector<std::string> from_name;      // .Xnn files defined by their name alone
  std::vector<std::string> lost;           // index files whose index cannot be rebuilt
  std::vector<std::string> remove;         // members that go: the lost ones, trees without data
  std::vector<format::Header> headers;     // every member header that could be read
};

// Reads the index members' headers through `write`, which holds them. Throws
// ERepairRefused when an index, or the primary key of a keyed table, has alpha fields in
// a sort order this engine cannot order.
IndexPlan PlanIndexes(FamilyWrite& write, const Family& family, const format::Header& db);

}  // namespace engine

#endif  // HINMEI_ENGINE_REPAIR_REPAIR_INDEXES_H_
