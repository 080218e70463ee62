// What one pass over a table's rows collects for a rewrite of its family (row_pass.h):
// the PX's leaf entries, the X records of each secondary index, and whether the rows
// already stand as a rebuild leaves them. Each visitor can be split into parts that
// visit runs of blocks on another thread and are joined back in table order.
#ifndef HINMEI_ENGINE_WRITE_ROW_COLLECTORS_H_
#define HINMEI_ENGINE_WRITE_ROW_COLLECTORS_H_

#include <cstddef>
#include <memory>
#include <vector>

#include "engine/format/header.h"
#include "engine/index/secondary_index.h"
#include "engine/index/tree_builder.h"
#include "engine/index/x_records.h"
#include "engine/read/row_pass.h"
#include "platform/big_buffer.h"

namespace engine {

// The PX's leaf entries: one per DB block that holds rows.
class DbLeaves final : public RowVisitor {
 public:
  DbLeaves(int key_size, bool root_first);
  void Block(const BlockRows& rows) override;
  std::unique_ptr<RowVisitor> Part(const PartShape&) override;
  void Join(RowVisitor& part) override;
  TreeBuilder tree;

 private:
  int key_size_;
  bool root_first_;
};

// The X records of one index, in row order.
class XCollector final : public RowVisitor {
 public:
  XCollector(const SecondaryIndex& index, const format::Header& db, int db_key_fields, std::size_t rows);
  void Block(const BlockRows& rows) override;
  // A part makes its records in this collector's room, right after where those before
  // it end when every block before the part is full, so that joining them moves nothing
  // then. The room is set aside before the first part is made, never to move while any
  // part fills it: a part that would need more is refused. The records of an unkeyed
  // table hold the row's position, which a part does not know.
  std::unique_ptr<RowVisitor> Part(const PartShape& shape) override;
  void Join(RowVisitor& part) override;
  // After the pass: the records, one per row.
  const char* records() const { return records_; }
  std::size_t count() const { return used_ / record_size_; }
  const XLayout layout;

 private:
  // A part that fills `room` bytes at `at`, room of another collector.
  XCollector(const XCollector& whole, char* at, std::size_t room);
  // Room for `bytes`, keeping the records made so far; never zeroed, as every byte is
  // written before it is read.
  void Reserve(std::size_t bytes);

  XRecordMaker maker_;
  std::size_t record_size_;
  platform::BigBuffer owned_;
  char* records_ = nullptr;  // owned_, or a part's room in another collector
  std::size_t capacity_ = 0;
  std::size_t used_ = 0;
  bool parted_ = false;  // parts fill room of this one's
};

// Thrown by KeyOrder to end a pass over rows that are not as a rebuild leaves them.
struct RowsNeedSorting {};

// Whether the rows are in strict key order in full blocks, as a rebuild leaves them.
class KeyOrder final : public RowVisitor {
 public:
  KeyOrder(int key_size, int capacity);
  void Block(const BlockRows& rows) override;
  std::unique_ptr<RowVisitor> Part(const PartShape&) override;
  void Join(RowVisitor& part) override;
  // After the pass: every chained block held rows.
  bool Packed(const format::Header& db) const { return blocks_ == db.used_blocks(); }

 private:
  // Rows from `key` on may follow those seen: the last block seen is full and its last
  // key lies below `key`.
  void RequireAfterLast(const char* key) const;

  std::size_t key_size_;
  int capacity_;
  std::vector<char> first_key_;
  std::vector<char> last_key_;
  int blocks_ = 0;
  int last_rows_ = 0;
};

}  // namespace engine

#endif  // HINMEI_ENGINE_WRITE_ROW_COLLECTORS_H_
