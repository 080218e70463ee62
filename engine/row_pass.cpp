#include "engine/row_pass.h"

#include <algorithm>

#include "engine/format/layout.h"

namespace engine {

void VisitPackedRows(const MemberFile& db, const std::vector<RowVisitor*>& visitors) {
  const auto capacity = static_cast<std::size_t>(db.header().records_per_block());
  RowPlace place;
  for (std::size_t first = 0; first < db.size(); first += capacity) {
    place.block_rows = static_cast<int>(std::min(capacity, db.size() - first));
    ++place.block;
    for (place.slot = 0; place.slot < place.block_rows; ++place.slot, ++place.position) {
      const char* row = db.record(place.position);
      for (RowVisitor* v : visitors) v->Row(row, place);
    }
  }
}

void VisitStoredRows(ChainStream& stream, int record_size, const std::vector<RowVisitor*>& visitors) {
  RowPlace place;
  stream.ForEachBlock([&](int number, int count, const char* block) {
    place.block = number;
    place.block_rows = count;
    const char* row = block + format::kBlockHeaderSize;
    for (place.slot = 0; place.slot < count; ++place.slot, ++place.position, row += record_size) {
      for (RowVisitor* v : visitors) v->Row(row, place);
    }
  });
}

}  // namespace engine
