// Checks of a tree (.PX over a .DB, .Y over an .X) against the data file it indexes:
// its inner structure, the counts each level gives the one below, and leaf entries that
// name the data file's blocks in chain order with their first keys and record counts.
#ifndef HINMEI_ENGINE_CHECK_TREE_CHECK_H_
#define HINMEI_ENGINE_CHECK_TREE_CHECK_H_

#include "engine/check/family_check.h"
#include "engine/read/table_file.h"

namespace engine {

// The tree's fields must be the parent's first `key_fields`, its sort order the parent's.
void CheckTreeHeader(const MemberFile& tree, const format::Header& parent, int key_fields, FindingKind kind,
                     CheckReport& report);

// The tree must index exactly the blocks of `data` that hold rows. A tree without
// entries may keep an empty root block or none, as the original engine leaves the index
// of an emptied table.
void CheckTreeOver(const MemberFile& tree, const MemberFile& data, int key_size, FindingKind kind,
                   CheckReport& report);

}  // namespace engine

#endif  // HINMEI_ENGINE_CHECK_TREE_CHECK_H_
