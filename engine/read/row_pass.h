// One pass over the rows of a table, as a rewrite of its family reads them: every
// visitor sees each block of rows in the table's order, so that one read of the rows
// feeds the primary index and every secondary index at once.
#ifndef HINMEI_ENGINE_READ_ROW_PASS_H_
#define HINMEI_ENGINE_READ_ROW_PASS_H_

#include <cstddef>
#include <memory>
#include <vector>

#include "engine/read/chain_stream.h"
#include "engine/read/table_file.h"

namespace engine {

// The rows of one block: stored one after another in a block read from the file, or
// rows of a table held whole that are to fill this block.
class BlockRows {
 public:
  BlockRows(int number, int count, std::size_t first, const char* stored, int record_size)
      : number(number), count(count), first(first), stored_(stored), record_size_(record_size) {}
  BlockRows(int number, int count, std::size_t first, const MemberFile& held)
      : number(number), count(count), first(first), held_(&held) {}

  const char* row(int slot) const {
    return held_ ? held_->record(first + static_cast<std::size_t>(slot))
                 : stored_ + static_cast<std::size_t>(slot) * static_cast<std::size_t>(record_size_);
  }

  const int number;         // the block's number
  const int count;          // its rows
  const std::size_t first;  // position of its first row in the table's order, from 0

 private:
  const char* stored_ = nullptr;
  int record_size_ = 0;
  const MemberFile* held_ = nullptr;
};

class RowVisitor {
 public:
  virtual ~RowVisitor() = default;
  virtual void Block(const BlockRows& rows) = 0;

  // Where the rows of a part lie: after at most `rows_before` rows of the table, and at
  // most `rows` of them.
  struct PartShape {
    std::size_t rows_before;
    std::size_t rows;
  };
  // A visitor of the same kind, empty, for rows that follow those this one sees, so that
  // parts of a table can be visited on two threads (split_row_pass.h); a part's row
  // positions count from its own first row. nullptr when this visitor must see every row
  // itself. Asked, for each part, before this visitor sees any row; the parts are joined
  // in the order of their rows.
  virtual std::unique_ptr<RowVisitor> Part(const PartShape& shape) {
    (void)shape;
    return nullptr;
  }
  // Takes in what `part`, made by Part, saw, as if this visitor had seen those rows next.
  virtual void Join(RowVisitor& part) { (void)part; }
};

// The rows of `db` in their order, placed as full blocks chained 1..n hold them.
void VisitPackedRows(const MemberFile& db, const std::vector<RowVisitor*>& visitors);

// The rows of the file `stream` reads, in chain order, where they lie.
void VisitStoredRows(ChainStream& stream, int record_size, const std::vector<RowVisitor*>& visitors);

}  // namespace engine

#endif  // HINMEI_ENGINE_READ_ROW_PASS_H_
