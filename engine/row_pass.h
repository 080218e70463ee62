// One pass over the rows of a table, as a rewrite of its family reads them: every
// visitor sees each row in the table's order with the place it has, so that one read
// of the rows feeds the primary index and every secondary index at once.
#ifndef HINMEI_ENGINE_ROW_PASS_H_
#define HINMEI_ENGINE_ROW_PASS_H_

#include <cstddef>
#include <vector>

#include "engine/chain_stream.h"
#include "engine/table_file.h"

namespace engine {

// Where a row lies: its block, its slot in the block and how many rows the block holds.
struct RowPlace {
  std::size_t position = 0;  // 0-based, in the table's order
  int block = 0;
  int slot = 0;
  int block_rows = 0;
};

class RowVisitor {
 public:
  virtual ~RowVisitor() = default;
  virtual void Row(const char* row, const RowPlace& place) = 0;
};

// The rows of `db` in their order, placed as full blocks chained 1..n hold them.
void VisitPackedRows(const MemberFile& db, const std::vector<RowVisitor*>& visitors);

// The rows of the file `stream` reads, in chain order, where they lie.
void VisitStoredRows(ChainStream& stream, int record_size, const std::vector<RowVisitor*>& visitors);

}  // namespace engine

#endif  // HINMEI_ENGINE_ROW_PASS_H_
