// The X records of a secondary index, made from the rows of its DB (layout.h): what
// the index builder writes and what the family check compares an X file with.
#ifndef HINMEI_ENGINE_INDEX_X_RECORDS_H_
#define HINMEI_ENGINE_INDEX_X_RECORDS_H_

#include <cstdint>
#include <vector>

#include "engine/index/key_sort.h"
#include "engine/index/secondary_index.h"
#include "engine/read/table_file.h"

namespace engine {

// Makes the X record of one DB row: the indexed fields (folded to upper case for a
// case-insensitive index), then the row's key fields and its block (keyed table) or
// its number, block and offset in the block (unkeyed table).
class XRecordMaker {
 public:
  XRecordMaker(const SecondaryIndex& index, const XLayout& layout, const format::Header& db, int db_key_fields);

  // `row` lies in slot `slot` of DB block `block` and is row `position` (0-based) in
  // chain order. Writes layout.record_size bytes at `out`.
  void Make(const char* row, int block, int slot, std::size_t position, char* out) const;

 private:
  struct Part {
    int offset;
    int size;
    bool fold;
  };
  std::vector<Part> indexed_;
  bool keyed_;
  bool dbcs_;
  int key_size_;        // bytes of the DB's key fields
  int db_record_size_;
};

// Where each row of a DB lies: as loaded (its chain), or once written packed.
class Placement {
 public:
  Placement(const MemberFile& db, bool packed);
  int block(std::size_t row) const;
  int slot(std::size_t row) const;

 private:
  bool packed_;
  int capacity_;
  std::vector<std::uint16_t> block_;
  std::vector<std::uint16_t> slot_;
};

// One X record per row, in row order (record_size bytes each).
std::vector<char> MakeXRecords(const SecondaryIndex& index, const XLayout& layout, const MemberFile& db,
                               int db_key_fields, const Placement& placement);

// The order of `count` X records by their key, descending fields reversed.
// `rows_in_key_order`: the records were made from the rows of a keyed table in strict
// key order, so that records alike in their indexed fields are in order already.
// `grows`, when set, is handed the order as it is made, and `helper` shares the work
// (key_sort.h).
RowOrder SortXRecords(const SecondaryIndex& index, const XLayout& layout, const char* records, std::size_t count,
                      bool rows_in_key_order = false, const OrderGrows& grows = {}, HelperThread* helper = nullptr);
inline RowOrder SortXRecords(const SecondaryIndex& index, const XLayout& layout, const std::vector<char>& records) {
  return SortXRecords(index, layout, records.data(), records.size() / static_cast<std::size_t>(layout.record_size));
}

}  // namespace engine

#endif  // HINMEI_ENGINE_INDEX_X_RECORDS_H_
