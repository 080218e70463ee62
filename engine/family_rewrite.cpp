#include "engine/family_rewrite.h"

#include <cstring>
#include <memory>

#include "engine/block_sink.h"
#include "engine/chain_stream.h"
#include "engine/collation.h"
#include "engine/errors.h"
#include "engine/format/bytes.h"
#include "engine/format/header_builder.h"
#include "engine/helper_thread.h"
#include "engine/key_sort.h"
#include "engine/row_pass.h"
#include "engine/split_row_pass.h"
#include "engine/tree_builder.h"
#include "engine/x_records.h"
#include "platform/big_buffer.h"

namespace engine {
namespace {

using format::FileType;
using format::Header;
using format::NewField;
namespace off = format::off;

// New index trees get 2 KiB blocks, as the original engine's default, unless a key is so
// long that a block could not hold three entries.
int NewTreeBlockCode(int key_size) {
  for (int code : {2, 4, 8, 16, 32}) {
    if (TreeCapacity(key_size, code * 1024) >= 3) return code;
  }
  return 32;
}

bool SameFields(const Header& h, const std::vector<NewField>& fields) {
  if (h.fields().size() != fields.size()) return false;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (h.fields()[i].type != fields[i].type || h.fields()[i].descriptor_size != fields[i].descriptor_size) {
      return false;
    }
  }
  return true;
}

std::vector<NewField> FieldsOf(const Header& db, int count) {
  std::vector<NewField> fields;
  for (int i = 0; i < count; ++i) {
    const format::FieldDescriptor& f = db.fields()[static_cast<std::size_t>(i)];
    fields.push_back(NewField{f.type, f.descriptor_size, f.name, f.number});
  }
  return fields;
}

// Writes `n` records of `record_size` bytes into full blocks chained in number order, as
// the records become known, first to last.
class PackedBlocks {
 public:
  PackedBlocks(BlockSink& sink, std::size_t n, int record_size, int capacity)
      : sink_(sink), n_(n), record_size_(record_size), capacity_(static_cast<std::size_t>(capacity)),
        blocks_((n + capacity_ - 1) / capacity_) {}

  // Writes the blocks not yet written whose records are all among the first `known`,
  // the record of position i being at record_at(i).
  template <typename RecordAt>
  void WriteUpTo(std::size_t known, RecordAt record_at) {
    for (; written_ < blocks_; ++written_) {
      const std::size_t first = written_ * capacity_;
      const std::size_t count = std::min(capacity_, n_ - first);
      if (first + count > known) return;
      char* block = sink_.NextBlock(format::kBlockHeaderSize + count * static_cast<std::size_t>(record_size_));
      PutBlockHead(block, written_ + 1 == blocks_ ? 0 : static_cast<int>(written_) + 2, static_cast<int>(written_),
                   static_cast<int>(count), record_size_);
      char* out = block + format::kBlockHeaderSize;
      for (std::size_t i = 0; i < count; ++i, out += record_size_) {
        std::memcpy(out, record_at(first + i), static_cast<std::size_t>(record_size_));
      }
    }
  }

  int count() const { return static_cast<int>(blocks_); }
  bool complete() const { return written_ == blocks_; }

 private:
  BlockSink& sink_;
  const std::size_t n_;
  const int record_size_;
  const std::size_t capacity_;
  const std::size_t blocks_;
  std::size_t written_ = 0;  // blocks
};

// Writes `n` records of `record_size` bytes into full blocks; returns the block count.
template <typename RecordAt>
int WritePacked(BlockSink& sink, std::size_t n, int record_size, int capacity, RecordAt record_at) {
  PackedBlocks blocks(sink, n, record_size, capacity);
  blocks.WriteUpTo(n, record_at);
  return blocks.count();
}

int KeySize(const Header& db, int key_fields) {
  int size = 0;
  for (int i = 0; i < key_fields; ++i) size += db.fields()[static_cast<std::size_t>(i)].size;
  return size;
}


// The PX's leaf entries: one per DB block that holds rows.
class DbLeaves final : public RowVisitor {
 public:
  DbLeaves(int key_size, bool root_first) : tree(key_size, root_first), key_size_(key_size), root_first_(root_first) {}
  void Block(const BlockRows& rows) override {
    if (rows.count > 0) tree.AddLeaf(rows.row(0), rows.number, static_cast<std::uint32_t>(rows.count));
  }
  std::unique_ptr<RowVisitor> Part(const PartShape&) override {
    return std::make_unique<DbLeaves>(key_size_, root_first_);
  }
  void Join(RowVisitor& part) override { tree.AddLeaves(static_cast<DbLeaves&>(part).tree); }
  TreeBuilder tree;

 private:
  int key_size_;
  bool root_first_;
};

// The X records of one index, in row order.
class XCollector final : public RowVisitor {
 public:
  XCollector(const SecondaryIndex& index, const format::Header& db, int db_key_fields, std::size_t rows)
      : layout(LayoutOf(index, db, db_key_fields)), maker_(index, layout, db, db_key_fields),
        record_size_(static_cast<std::size_t>(layout.record_size)) {
    Reserve(rows * record_size_);
  }
  void Block(const BlockRows& rows) override {
    const std::size_t needed = used_ + static_cast<std::size_t>(rows.count) * record_size_;
    if (needed > capacity_) Reserve(std::max(2 * capacity_, needed));
    for (int slot = 0; slot < rows.count; ++slot, used_ += record_size_) {
      maker_.Make(rows.row(slot), rows.number, slot, rows.first + static_cast<std::size_t>(slot), records_ + used_);
    }
  }
  // A part makes its records in this collector's room, right after where those before
  // it end when every block before the part is full, so that joining them moves nothing
  // then. The room is set aside before the first part is made, never to move while any
  // part fills it: a part that would need more is refused. The records of an unkeyed
  // table hold the row's position, which a part does not know.
  std::unique_ptr<RowVisitor> Part(const PartShape& shape) override {
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
  void Join(RowVisitor& part) override {
    auto& later = static_cast<XCollector&>(part);
    if (used_ + later.used_ > capacity_) Reserve(used_ + later.used_);
    if (later.records_ != records_ + used_) std::memmove(records_ + used_, later.records_, later.used_);
    used_ += later.used_;
  }
  // After the pass: the records, one per row.
  const char* records() const { return records_; }
  std::size_t count() const { return used_ / record_size_; }
  const XLayout layout;

 private:
  // A part that fills `room` bytes at `at`, room of another collector.
  XCollector(const XCollector& whole, char* at, std::size_t room)
      : layout(whole.layout), maker_(whole.maker_), record_size_(whole.record_size_), records_(at), capacity_(room) {}

  // Room for `bytes`, keeping the records made so far; never zeroed, as every byte is
  // written before it is read.
  void Reserve(std::size_t bytes) {
    platform::BigBuffer grown(bytes);
    if (used_ > 0) std::memcpy(grown.data(), records_, used_);
    owned_ = std::move(grown);
    records_ = owned_.data();
    capacity_ = bytes;
  }

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
  KeyOrder(int key_size, int capacity) : key_size_(static_cast<std::size_t>(key_size)), capacity_(capacity) {}
  void Block(const BlockRows& rows) override {
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
  std::unique_ptr<RowVisitor> Part(const PartShape&) override {
    return std::make_unique<KeyOrder>(static_cast<int>(key_size_), capacity_);
  }
  void Join(RowVisitor& part) override {
    const auto& later = static_cast<const KeyOrder&>(part);
    if (later.blocks_ == 0) return;
    RequireAfterLast(later.first_key_.data());
    if (blocks_ == 0) first_key_ = later.first_key_;
    blocks_ += later.blocks_;
    last_rows_ = later.last_rows_;
    last_key_ = later.last_key_;
  }
  // After the pass: every chained block held rows.
  bool Packed(const format::Header& db) const { return blocks_ == db.used_blocks(); }

 private:
  // Rows from `key` on may follow those seen: the last block seen is full and its last
  // key lies below `key`.
  void RequireAfterLast(const char* key) const {
    if (blocks_ == 0) return;
    if (last_rows_ != capacity_ || std::memcmp(last_key_.data(), key, key_size_) >= 0) throw RowsNeedSorting{};
  }

  std::size_t key_size_;
  int capacity_;
  std::vector<char> first_key_;
  std::vector<char> last_key_;
  int blocks_ = 0;
  int last_rows_ = 0;
};

class Writer {
 public:
  Writer(FamilyWrite& write, Rewrite& r)
      : write_(write), r_(r), db_(r.rows ? r.rows->header() : *r.db), key_size_(KeySize(db_, r.key_fields)),
        sequence_(r.next_sequence) {}

  bool Run() {
    // Started first, so that it is awake by the time the rows are read.
    if (TwoThreadsPay()) helper_ = HelperThread::Start();
    const std::string& path = r_.family->db;
    if (r_.key_fields > 0) RequireOrderable(db_, KeyPositions(), path);
    for (const SecondaryIndex& index : r_.indexes) RequireOrderable(db_, index.fields, path);
    if (r_.rows) WriteDb();

    std::optional<Header> px;
    const bool keep_px = r_.keep_current_px && !r_.rows && PxIsCurrent();
    if (r_.key_fields > 0 && !keep_px) {
      px = TreeHeader(r_.old_px, FileType::kPrimaryIndex, FieldsOf(db_, r_.key_fields), "PX", key_size_,
                      db_.U8(off::kStamp2D));
    }
    std::unique_ptr<Collected> seen;
    try {
      seen = Collect(px ? &*px : nullptr);
    } catch (const RowsNeedSorting&) {
      return false;
    }
    if (seen->key_order && !seen->key_order->Packed(db_)) return false;

    std::uint8_t px_stamp = keep_px ? r_.old_px->U8(off::kStamp2C) : 0;
    if (px) {
      WriteTree(r_.family->px.empty() ? r_.family->Path("PX") : r_.family->px, *px, seen->px_leaves->tree);
      px_stamp = px->U8(off::kStamp2C);
    }
    for (std::size_t i = 0; i < r_.indexes.size(); ++i) WriteSecondary(r_.indexes[i], *seen->collectors[i], px_stamp);
    for (const std::string& gone : r_.remove) write_.Remove(gone);
    write_.Commit();
    return true;
  }

 private:
  // What one pass over the rows collects for the indexes.
  struct Collected {
    std::optional<DbLeaves> px_leaves;
    std::vector<std::unique_ptr<XCollector>> collectors;
    std::optional<KeyOrder> key_order;
    std::vector<RowVisitor*> visitors;
  };

  std::unique_ptr<Collected> NewCollected(const Header* px) const {
    auto c = std::make_unique<Collected>();
    if (px) c->visitors.push_back(&c->px_leaves.emplace(key_size_, px->version() >= format::kVersion7));
    const std::size_t rows = r_.rows ? r_.rows->size() : StoredRowsAtMost();
    for (const SecondaryIndex& index : r_.indexes) {
      c->collectors.push_back(std::make_unique<XCollector>(index, db_, r_.key_fields, rows));
      c->visitors.push_back(c->collectors.back().get());
    }
    if (r_.only_in_key_order) c->visitors.push_back(&c->key_order.emplace(key_size_, db_.records_per_block()));
    return c;
  }

  // One pass over the rows, for the PX `px` (when not null) and the secondary indexes.
  // A stored DB is read on two threads where it can be; otherwise, or when that pass
  // gives up, through the chain stream.
  std::unique_ptr<Collected> Collect(const Header* px) const {
    std::unique_ptr<Collected> c = NewCollected(px);
    if (r_.rows) {
      VisitPackedRows(*r_.rows, c->visitors);
      return c;
    }
    const SplitPass split = VisitStoredRowsInRuns(*r_.db_file, db_, c->visitors, helper_.get());
    if (split == SplitPass::kVisited) return c;
    if (split == SplitPass::kGaveUp) {
      c.reset();  // its records may be as large as the table
      c = NewCollected(px);
    }
    ChainStream stream(*r_.db_file, db_, r_.family->db,
                       c->collectors.empty() ? ChainStream::Pace::kAlone : ChainStream::Pace::kReadAhead);
    VisitStoredRows(stream, db_.record_size(), c->visitors);
    return c;
  }

  bool PxIsCurrent() const {
    const std::optional<Header>& px = r_.old_px;
    return px && r_.key_fields > 0 && px->type() == FileType::kPrimaryIndex &&
           px->U8(off::kStamp2C) == db_.U8(off::kStamp2D) && SameFields(*px, FieldsOf(db_, r_.key_fields));
  }

  std::vector<int> KeyPositions() const {
    std::vector<int> keys;
    for (int i = 0; i < r_.key_fields; ++i) keys.push_back(i);
    return keys;
  }

  // Whether the pass over the rows or a sort of them is large enough to share with a
  // second thread. Rows in memory are sorted, not read.
  bool TwoThreadsPay() const {
    const bool sorts = !r_.indexes.empty();
    if (r_.rows) return sorts && SortPaysForTwoThreads(r_.rows->size());
    return RowPassPaysForTwoThreads(db_) || (sorts && SortPaysForTwoThreads(StoredRowsAtMost()));
  }

  // The rows a stored DB can hold, whatever its header claims.
  std::size_t StoredRowsAtMost() const {
    return std::min<std::size_t>(db_.records(), static_cast<std::size_t>(db_.used_blocks()) *
                                                    static_cast<std::size_t>(db_.records_per_block()));
  }

  std::uint16_t NextSequence() { return static_cast<std::uint16_t>(sequence_++); }

  // What every new member takes from the DB: version, sort order, header name, a
  // sequence number of its own.
  format::HeaderSpec NewMemberSpec(FileType type, std::vector<NewField> fields, const std::string& extension) {
    format::HeaderSpec shape;
    shape.type = type;
    shape.version = db_.version();
    shape.fields = std::move(fields);
    shape.sort_order = db_.sort_order();
    shape.table_name = MemberTableName(db_.table_name(), extension);
    shape.sequence = NextSequence();
    return shape;
  }

  // The header of a PX or Y over keys `fields`: the old one where it fits, else a new
  // one with blocks of the usual size. Its stamp 0x2C is its parent's counter.
  Header TreeHeader(const std::optional<Header>& old, FileType type, const std::vector<NewField>& fields,
                    const std::string& extension, int key_size, std::uint8_t parent_counter) {
    Header h;
    if (old && old->type() == type && SameFields(*old, fields)) {
      h = *old;
    } else {
      format::HeaderSpec shape = NewMemberSpec(type, fields, extension);
      shape.block_size_code = NewTreeBlockCode(key_size);
      shape.auto_increment = 1;
      h = format::NewHeader(shape);
    }
    h.SetU8(off::kStamp2C, parent_counter);
    return h;
  }

  // Writes the tree in blocks of the header's size, or of a larger one where a count
  // would not fit its word (levels 3 to 5 know blocks of up to 4 KiB, level 7 32 KiB).
  void WriteTree(const std::string& path, Header& header, TreeBuilder& tree) {
    const int largest = (header.version() >= format::kVersion7 ? 32 : 4) * 1024;
    header.SetU8(off::kBlockSizeCode, static_cast<std::uint8_t>(tree.BlockSizeFor(header.block_size(), largest) / 1024));
    platform::File& out = write_.Create(path);
    BlockSink sink(out, path, header.header_size(), header.block_size());
    tree.Write(sink, header);
    sink.Finish(header.bytes());
  }

  void WriteDb() {
    MemberFile& db = *r_.rows;
    Header& h = db.header();
    h.SetU8(off::kFileType, static_cast<std::uint8_t>(r_.key_fields > 0 ? FileType::kKeyedData : FileType::kUnkeyedData));
    h.SetU16(off::kKeyFields, static_cast<std::uint16_t>(r_.key_fields));
    platform::File& out = write_.Create(r_.family->db);
    BlockSink sink(out, r_.family->db, h.header_size(), h.block_size());
    int blocks = WritePacked(sink, db.size(), h.record_size(), h.records_per_block(),
                             [&](std::size_t i) { return db.record(i); });
    h.SetPackedBlocks(blocks, static_cast<std::uint32_t>(db.size()));
    sink.Finish(h.bytes());
  }

  Header SecondaryHeader(const SecondaryIndex& index, const XLayout& layout, std::uint8_t px_stamp) {
    FileType type = index.composite
                        ? (index.maintained ? FileType::kMaintainedCompositeData : FileType::kCompositeData)
                        : (index.maintained ? FileType::kMaintainedSecondaryData : FileType::kSecondaryData);
    std::uint8_t options = 0;
    if (index.case_insensitive) options |= format::kOptionCaseInsensitive;
    if (index.unique) options |= format::kOptionUnique;
    for (bool d : index.descending) {
      if (d) options |= format::kOptionDescending;
    }
    Header x;
    if (index.old_x && index.old_x->type() == type && index.old_x->options() == options &&
        index.old_x->key_fields() == layout.key_fields && SameFields(*index.old_x, layout.fields)) {
      x = *index.old_x;
    } else {
      format::HeaderSpec shape =
          NewMemberSpec(type, layout.fields, SecondaryExtension(index.composite, index.number, false));
      shape.block_size_code = db_.block_size() / 1024;
      shape.key_fields = layout.key_fields;
      shape.code_page = db_.code_page();
      shape.sort_id = db_.sort_id();
      if (index.composite) shape.index_name = index.name;
      shape.index_field = static_cast<std::uint8_t>(index.fields[0] + 1);
      shape.options = options;
      shape.update_time = db_.has_data_header() ? db_.U32(off::kUpdateTime) : 0;
      // The index's own counter: any value; the old one where there was one.
      std::uint8_t own = index.old_x ? index.old_x->U8(off::kStamp2D)
                                     : static_cast<std::uint8_t>(db_.U8(off::kStamp2D) + 0x35 + index.number * 7);
      shape.stamps = {0xFF, own, 0, 0};
      x = format::NewHeader(shape);
    }
    x.SetU8(off::kStamp2C, 0xFF);
    x.SetU8(off::kStamp2E, db_.U8(off::kStamp2E));
    if (r_.key_fields > 0) x.SetU8(off::kStamp2F, px_stamp);
    return x;
  }

  void WriteSecondary(const SecondaryIndex& index, XCollector& collected, std::uint8_t px_stamp) {
    const XLayout& layout = collected.layout;
    const char* records = collected.records();
    const std::size_t rs = static_cast<std::size_t>(layout.record_size);
    const std::size_t n = collected.count();
    Header x = SecondaryHeader(index, layout, px_stamp);
    std::string x_path = index.files.x.empty()
                             ? r_.family->Path(SecondaryExtension(index.composite, index.number, false))
                             : index.files.x;
    platform::File& x_out = write_.Create(x_path);
    BlockSink x_sink(x_out, x_path, x.header_size(), x.block_size());
    const int capacity = x.records_per_block();
    PackedBlocks blocks(x_sink, n, layout.record_size, capacity);

    // The X blocks are written as the sort hands out its order, while the rest of it is
    // sorted; a unique index is checked as far as the order goes.
    std::size_t checked = 0;  // order[0, checked) holds no indexed key twice
    auto write_known = [&](const std::uint32_t* order, std::size_t known) {
      auto record = [&](std::size_t i) { return records + order[i] * rs; };
      if (index.unique) {
        auto row_record = [&](std::uint32_t row) { return records + row * rs; };
        const auto indexed = static_cast<std::size_t>(layout.indexed_size);
        if (FirstDuplicate(order, checked, known, indexed, row_record) < known) {
          ThrowEngineError(texts::KeyViolation() + texts::Format(texts::UniqueIndexKeyTwiceFormat(), index.name),
                           r_.family->db);
        }
        checked = known;
      }
      // The records are taken in key order, scattered over the row order they were made
      // in: asking for one a little ahead hides the wait for each.
      blocks.WriteUpTo(known, [&](std::size_t i) {
        if (i + 16 < known) __builtin_prefetch(record(i + 16));
        return record(i);
      });
    };
    // A pass that required strict key order has seen it: records alike in their indexed
    // fields are then in key order already.
    RowOrder order = SortXRecords(index, layout, records, n, r_.only_in_key_order, write_known, helper_.get());
    if (!blocks.complete()) ThrowEngineError(texts::IndexOrderIncomplete(), r_.family->db);
    x.SetPackedBlocks(blocks.count(), static_cast<std::uint32_t>(n));
    x_sink.Finish(x.bytes());

    const std::string y_extension = SecondaryExtension(index.composite, index.number, true);
    Header y = TreeHeader(index.old_y, index.composite ? FileType::kCompositeTree : FileType::kSecondaryTree,
                          std::vector<NewField>(layout.fields.begin(), layout.fields.begin() + layout.key_fields),
                          y_extension, layout.key_size, x.U8(off::kStamp2D));
    TreeBuilder tree(layout.key_size, y.version() >= format::kVersion7);
    const auto per_block = static_cast<std::size_t>(capacity);
    for (std::size_t first = 0; first < n; first += per_block) {
      std::size_t count = std::min(per_block, n - first);
      tree.AddLeaf(records + order[first] * rs, static_cast<int>(first / per_block) + 1,
                   static_cast<std::uint32_t>(count));
    }
    WriteTree(index.files.y.empty() ? r_.family->Path(y_extension) : index.files.y, y, tree);
  }

  FamilyWrite& write_;
  Rewrite& r_;
  const Header& db_;
  const int key_size_;  // bytes of the primary key afterwards
  int sequence_;
  std::unique_ptr<HelperThread> helper_;  // through the whole rewrite of a large table
};

}  // namespace

void RequireOrderable(const format::Header& db, const std::vector<int>& fields, const std::string& path) {
  Collation collation = CollationOf(db);
  if (collation.bytewise) return;
  for (int p : fields) {
    if (db.fields()[static_cast<std::size_t>(p)].type == format::FieldType::kAlpha) {
      ThrowEngineError(texts::Format(texts::UnsupportedSortOrderFormat(),
                                     {collation.name, db.fields()[static_cast<std::size_t>(p)].name}),
                       path);
    }
  }
}

RowOrder PrimaryOrder(const MemberFile& db, int key_fields, const std::string& path) {
  std::vector<int> keys;
  for (int i = 0; i < key_fields; ++i) keys.push_back(i);
  RequireOrderable(db.header(), keys, path);
  const auto key_size = static_cast<std::size_t>(KeySize(db.header(), key_fields));
  auto key_at = [&](std::size_t i) { return db.record(i); };
  RowOrder order = SortByKey(db.size(), key_size, key_at);
  if (FirstDuplicate(order, key_size, key_at) < order.size()) {
    ThrowEngineError(texts::KeyViolation() + texts::TwoRowsOneKey(), path);
  }
  return order;
}

bool RewriteFamily(FamilyWrite& write, Rewrite& rewrite) { return Writer(write, rewrite).Run(); }

int NextSequence(const std::vector<format::Header>& members) {
  int highest = 0;
  for (const format::Header& h : members) highest = std::max<int>(highest, h.U16(off::kSequence));
  return highest + 1;
}

}  // namespace engine
