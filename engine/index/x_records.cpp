#include "engine/index/x_records.h"

#include <cstring>

#include "engine/format/bytes.h"
#include "engine/index/collation.h"
#include "engine/index/key_sort.h"

namespace engine {
namespace {

void PutShort(char* p, int v) {
  format::PutBe16(p, static_cast<std::uint16_t>(static_cast<std::uint16_t>(v) ^ 0x8000));
}
void PutLong(char* p, std::uint32_t v) { format::PutBe32(p, v ^ 0x80000000u); }

}  // namespace

Placement::Placement(const MemberFile& db, bool packed)
    : packed_(packed), capacity_(db.header().records_per_block()) {
  if (packed_) return;
  block_.resize(db.size());
  slot_.resize(db.size());
  for (const ChainBlock& b : db.chain()) {
    for (int s = 0; s < b.count; ++s) {
      block_[b.first_record + static_cast<std::size_t>(s)] = static_cast<std::uint16_t>(b.number);
      slot_[b.first_record + static_cast<std::size_t>(s)] = static_cast<std::uint16_t>(s);
    }
  }
}

int Placement::block(std::size_t row) const {
  return packed_ ? static_cast<int>(row / static_cast<std::size_t>(capacity_)) + 1 : block_[row];
}

int Placement::slot(std::size_t row) const {
  return packed_ ? static_cast<int>(row % static_cast<std::size_t>(capacity_)) : slot_[row];
}

XRecordMaker::XRecordMaker(const SecondaryIndex& index, const XLayout& layout, const format::Header& db,
                           int db_key_fields)
    : keyed_(layout.keyed), dbcs_(CollationOf(db).dbcs), key_size_(0), db_record_size_(db.record_size()) {
  for (int p : index.fields) {
    const format::FieldDescriptor& f = db.fields()[static_cast<std::size_t>(p)];
    indexed_.push_back(Part{f.offset, f.size, index.case_insensitive && f.type == format::FieldType::kAlpha});
  }
  for (int k = 0; k < db_key_fields; ++k) key_size_ += db.fields()[static_cast<std::size_t>(k)].size;
}

void XRecordMaker::Make(const char* row, int block, int slot, std::size_t position, char* out) const {
  for (const Part& part : indexed_) {
    if (part.fold) {
      CopyFoldedToUpper(row + part.offset, out, part.size, dbcs_);
    } else {
      std::memcpy(out, row + part.offset, static_cast<std::size_t>(part.size));
    }
    out += part.size;
  }
  if (keyed_) {
    std::memcpy(out, row, static_cast<std::size_t>(key_size_));
    PutShort(out + key_size_, block);
  } else {
    PutLong(out, static_cast<std::uint32_t>(position + 1));
    PutShort(out + 4, block);
    PutShort(out + 6, slot * db_record_size_);
  }
}

std::vector<char> MakeXRecords(const SecondaryIndex& index, const XLayout& layout, const MemberFile& db,
                               int db_key_fields, const Placement& placement) {
  XRecordMaker maker(index, layout, db.header(), db_key_fields);
  const std::size_t rs = static_cast<std::size_t>(layout.record_size);
  std::vector<char> records(db.size() * rs);
  for (std::size_t i = 0; i < db.size(); ++i) {
    maker.Make(db.record(i), placement.block(i), placement.slot(i), i, records.data() + i * rs);
  }
  return records;
}

RowOrder SortXRecords(const SecondaryIndex& index, const XLayout& layout, const char* records, std::size_t n,
                      bool rows_in_key_order, const OrderGrows& grows, HelperThread* helper) {
  const std::size_t rs = static_cast<std::size_t>(layout.record_size);
  const std::size_t ks = static_cast<std::size_t>(layout.key_size);
  // After the indexed fields an X record holds the row's primary key.
  const std::size_t ordered_after =
      rows_in_key_order && layout.keyed ? static_cast<std::size_t>(layout.indexed_size) : SIZE_MAX;
  bool any_descending = false;
  for (bool d : index.descending) any_descending = any_descending || d;
  if (!any_descending) return SortByKey(n, ks, [&](std::size_t i) { return records + i * rs; }, ordered_after, grows, helper);
  // Complementing a descending field's bytes reverses its order.
  std::vector<char> keys(n * ks);
  for (std::size_t i = 0; i < n; ++i) {
    char* k = keys.data() + i * ks;
    std::memcpy(k, records + i * rs, ks);
    int at = 0;
    for (std::size_t f = 0; f < index.fields.size(); ++f) {
      int size = format::StoredSize(layout.fields[f].type, layout.fields[f].descriptor_size);
      if (index.descending[f]) {
        for (int b = 0; b < size; ++b) k[at + b] = static_cast<char>(~k[at + b]);
      }
      at += size;
    }
  }
  return SortByKey(n, ks, [&](std::size_t i) { return keys.data() + i * ks; }, ordered_after, grows, helper);
}

}  // namespace engine
