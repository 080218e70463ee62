// One pass over the rows of a table, as a rewrite of its family reads them: every
// visitor sees each block of rows in the table's order, so that one read of the rows
// feeds the primary index and every secondary index at once.
#ifndef HINMEI_ENGINE_ROW_PASS_H_
#define HINMEI_ENGINE_ROW_PASS_H_

#include <cstddef>
#include <vector>

#include "engine/chain_stream.h"
#include "engine/table_file.h"

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
};

// The rows of `db` in their order, placed as full blocks chained 1..n hold them.
void VisitPackedRows(const MemberFile& db, const std::vector<RowVisitor*>& visitors);

// The rows of the file `stream` reads, in chain order, where they lie.
void VisitStoredRows(ChainStream& stream, int record_size, const std::vector<RowVisitor*>& visitors);

}  // namespace engine

#endif  // HINMEI_ENGINE_ROW_PASS_H_
