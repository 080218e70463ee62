// Which salvaged rows a repaired table keeps when keys repeat: the first row of each key
// in table order. A keyed table's primary key and every unique secondary index have
// their keys once; a later row with the same key is a duplicate, set aside by the repair
// rather than dropped.
#ifndef HINMEI_ENGINE_REPAIR_REPAIR_DUPLICATES_H_
#define HINMEI_ENGINE_REPAIR_REPAIR_DUPLICATES_H_

#include <cstdint>
#include <vector>

#include "engine/format/header.h"
#include "engine/index/secondary_index.h"

namespace engine {

struct KeptRows {
  std::vector<std::uint32_t> kept;        // in the repaired table's order
  std::vector<std::uint32_t> duplicates;  // in table order
};

// `rows`: positions into `records` (record_size bytes each), in table order. A keyed
// table's kept rows come out in key order.
KeptRows KeepFirstOfEachKey(const format::Header& db, const std::vector<char>& records,
                            const std::vector<std::uint32_t>& rows, const std::vector<SecondaryIndex>& indexes);

}  // namespace engine

#endif  // HINMEI_ENGINE_REPAIR_REPAIR_DUPLICATES_H_
