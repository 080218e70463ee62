#include "engine/write/row_collectors.h"

#include <algorithm>
#include <cstring>

namespace engine {

DbLeaves::DbLeaves(int key_size, bool root_first)
    : tree(key_size, root_first), key_size_(key_size), root_first_(root_first) {}

void DbLeaves::Block(const BlockRows& rows) {
  if (rows.count > 0) tree.AddLeaf(rows.row(0), rows.number, static_cast<std::uint32_t>(rows.count));
}

std::unique_ptr<RowVisitor> DbLeaves::Part(const PartShape&) { return std::make_unique<DbLeaves>(key_size_, root_first_); }

void DbLeaves::Join(RowVisitor& part) { tree.AddLeaves(static_cast<DbLeaves&>(part).tree); }

XCollector::XCollector(const SecondaryIndex& index, const format::Header& db, int db_key_fields, std::size_t rows)
    : layout(LayoutOf(index, db, db_key_fields)), maker_(index, layout, db, db_key_fields),
      record_size_(static_cast<std::size_t>(layout.record_size)) {
  Reserve(rows * record_size_);
}

XCollector::XCollector(const XCollector& whole, char* at, std::size_t room)
    : layout(whole.layout), maker_(whole.maker_), record_size_(whole.record_size_), records_(at), capacity_(room) {}

void XCollector::Block(const BlockRows& rows) {
  const std::size_t needed = used_ + static_cast<std::size_t>(rows.count) * record_size_;
  if (needed > capacity_) Reserve(std::max(2 * capacity_, needed));
  for (int slot = 0; slot < rows.count; ++slot, used_ += record_size_) {
    maker_.Make(rows.row(slot), rows.number, slot, rows.first + static_cast<std::size_t>(slot), records_ + used_);
  }
}

std::unique_ptr<RowVisitor> XCollector::Part(const PartShape& shape) {
  if (!layout.keyed) return nullptr;
  const std::size_t before = shape.rows_before * record_size_;
  const std::size_t room = shape.rows * record_size_;
  if (before + room > capacity_) {
    if (parted_) return nullptr;
    Reserve(before + room);
  }
  parted_ = true;
  return std::unique_ptr<XCollector>(new XCollector(*this, records_ + before, room));
}

void XCollector::Join(RowVisitor& part) {
  auto& later = static_cast<XCollector&>(part);
  if (used_ + later.used_ > capacity_) Reserve(used_ + later.used_);
  if (later.records_ != records_ + used_) std::memmove(records_ + used_, later.records_, later.used_);
  used_ += later.used_;
}

void XCollector::Reserve(std::size_t bytes) {
  platform::BigBuffer grown(bytes);
  if (used_ > 0) std::memcpy(grown.data(), records_, used_);
  owned_ = std::move(grown);
  records_ = owned_.data();
  capacity_ = bytes;
}

KeyOrder::KeyOrder(int key_size, int capacity) : key_size_(static_cast<std::size_t>(key_size)), capacity_(capacity) {}

void KeyOrder::Block(const BlockRows& rows) {
  if (rows.count == 0) return;
  RequireAfterLast(rows.row(0));
  for (int slot = 1; slot < rows.count; ++slot) {
    if (std::memcmp(rows.row(slot - 1), rows.row(slot), key_size_) >= 0) throw RowsNeedSorting{};
  }
  if (blocks_ == 0) first_key_.assign(rows.row(0), rows.row(0) + key_size_);
  ++blocks_;
  last_rows_ = rows.count;
  last_key_.assign(rows.row(rows.count - 1), rows.row(rows.count - 1) + key_size_);
}

std::unique_ptr<RowVisitor> KeyOrder::Part(const PartShape&) {
  return std::make_unique<KeyOrder>(static_cast<int>(key_size_), capacity_);
}

void KeyOrder::Join(RowVisitor& part) {
  const auto& later = static_cast<const KeyOrder&>(part);
  if (later.blocks_ == 0) return;
  RequireAfterLast(later.first_key_.data());
  if (blocks_ == 0) first_key_ = later.first_key_;
  blocks_ += later.blocks_;
  last_rows_ = later.last_rows_;
  last_key_ = later.last_key_;
}

void KeyOrder::RequireAfterLast(const char* key) const {
  if (blocks_ == 0) return;
  if (last_rows_ != capacity_ || std::memcmp(last_key_.data(), key, key_size_) >= 0) throw RowsNeedSorting{};
}

}  // namespace engine
