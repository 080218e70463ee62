#include "engine/read/row_pass.h"

#include <algorithm>

#include "engine/format/layout.h"

namespace engine {

void VisitPackedRows(const MemberFile& db, const std::vector<RowVisitor*>& visitors) {
  const auto capacity = static_cast<std::size_t>(db.header().records_per_block());
  int number = 0;
  for (std::size_t first = 0; first < db.size(); first += capacity) {
    BlockRows rows(++number, static_cast<int>(std::min(capacity, db.size() - first)), first, db);
    for (RowVisitor* v : visitors) v->Block(rows);
  }
}

void VisitStoredRows(ChainStream& stream, int record_size, const std::vector<RowVisitor*>& visitors) {
  std::size_t first = 0;
  stream.ForEachBlock([&](int number, int count, const char* block) {
    BlockRows rows(number, count, first, block + format::kBlockHeaderSize, record_size);
    for (RowVisitor* v : visitors) v->Block(rows);
    first += static_cast<std::size_t>(count);
  });
}

}  // namespace engine
