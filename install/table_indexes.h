// Has the engine build a table's indexes as the data layout defines them.
#ifndef HINMEI_INSTALL_TABLE_INDEXES_H_
#define HINMEI_INSTALL_TABLE_INDEXES_H_

#include "catalogue/data_layout.h"
#include "engine/operations/table.h"

namespace install {

// Builds every index of `indexes` on the closed table that `table` names, in order, then
// refreshes its index list once. The table is one the install has just copied
// (kFreshCopy) or a scratch table it is building (kScratch).
void BuildIndexes(engine::TTable& table, const catalogue::TableIndexes& indexes,
                  engine::TableFiles files = engine::TableFiles::kFreshCopy);

}  // namespace install

#endif  // HINMEI_INSTALL_TABLE_INDEXES_H_
