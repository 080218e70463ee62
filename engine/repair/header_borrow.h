// The header of a table whose own header is damaged beyond reading, taken from another
// table of the same structure (such as the install medium's copy of the same master).
//
// The other table must agree with what the family's surviving members say of the
// structure: a .PX keys its first fields, every readable .X indexes fields of its types
// and sizes. The table's own identity comes back where its members keep a copy: DB[2D]
// from the .PX's stamp, DB[2E] from an .X's or the .VAL's, the creation time from the
// .VAL. Its counters are set by the rewrite; the autoincrement counter by the repair.
#ifndef HINMEI_ENGINE_REPAIR_HEADER_BORROW_H_
#define HINMEI_ENGINE_REPAIR_HEADER_BORROW_H_

#include <string>

#include "engine/family.h"
#include "engine/format/header.h"
#include "engine/write/family_write.h"
#include "platform/file_system.h"

namespace engine {

// Reads `other` (shared) and checks it against the members of `family` that `write`
// holds; throws ERepairRefused naming `other` when it does not fit.
format::Header BorrowHeader(platform::FileSystem& fs, const std::string& other, FamilyWrite& write,
                            const Family& family);

}  // namespace engine

#endif  // HINMEI_ENGINE_REPAIR_HEADER_BORROW_H_
