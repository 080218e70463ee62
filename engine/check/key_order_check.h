// Whether the keys of a DB's or an X's records rise strictly along its chain, in the
// order this engine's collation gives.
//
// Where the first pair out of order differs first in an alpha field of CP932 text, the
// file may well be in the order of the original engine's Japanese collation, which this
// engine only infers (bytes): that is told apart from keys plainly out of order.
#ifndef HINMEI_ENGINE_CHECK_KEY_ORDER_CHECK_H_
#define HINMEI_ENGINE_CHECK_KEY_ORDER_CHECK_H_

#include <cstddef>
#include <vector>

#include "engine/read/table_file.h"

namespace engine {

enum class KeyOrder {
  kInOrder,
  kNotChecked,      // an alpha key under a sort order whose collation is not implemented
  kOutOfOrder,
  kOtherCollation,  // out of this engine's order in CP932 text only
};

struct KeyOrderResult {
  KeyOrder order = KeyOrder::kInOrder;
  std::size_t record = 0;  // 0-based record that does not rise above the one before
};

// `key_size`: bytes of the key at the start of each record; `fields`: the positions of
// the fields among the record's that an alpha key may be in.
KeyOrderResult CheckKeyOrder(const MemberFile& m, int key_size, const std::vector<int>& fields);

}  // namespace engine

#endif  // HINMEI_ENGINE_CHECK_KEY_ORDER_CHECK_H_
