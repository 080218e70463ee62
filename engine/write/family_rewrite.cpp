#include "engine/write/family_rewrite.h"

#include <algorithm>
#include <memory>
#include <optional>

#include "engine/errors.h"
#include "engine/index/collation.h"
#include "engine/index/key_sort.h"
#include "engine/read/chain_stream.h"
#include "engine/read/row_pass.h"
#include "engine/read/split_row_pass.h"
#include "engine/threads/helper_thread.h"
#include "engine/write/block_sink.h"
#include "engine/write/member_headers.h"
#include "engine/write/packed_blocks.h"
#include "engine/write/row_collectors.h"

namespace engine {
namespace {

using format::FileType;
using format::Header;
using format::NewField;
namespace off = format::off;

int KeySize(const Header& db, int key_fields) {
  int size = 0;
  for (int i = 0; i < key_fields; ++i) size += db.fields()[static_cast<std::size_t>(i)].size;
  return size;
}

class Writer {
 public:
  Writer(FamilyWrite& write, Rewrite& r)
      : write_(write), r_(r), db_(r.rows ? r.rows->header() : *r.db), key_size_(KeySize(db_, r.key_fields)),
        headers_(db_, r.next_sequence) {}

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
      px = headers_.Tree(r_.old_px, FileType::kPrimaryIndex, FieldsOf(db_, r_.key_fields), "PX", key_size_,
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
    ChainStream stream(*r_.db_file, db_, r_.family->db);
    VisitStoredRows(stream, db_.record_size(), c->visitors);
    return c;
  }

  bool PxIsCurrent() const {
    const std::optional<Header>& px = r_.old_px;
    return px && r_.key_fields > 0 && px->type() == FileType::kPrimaryIndex &&
           px->U8(off::kStamp2C) == db_.U8(off::kStamp2D) && px->sort_order() == db_.sort_order() &&
           px->rebuild_flags_clear() && SameFields(*px, FieldsOf(db_, r_.key_fields));
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
    h.ClearRebuildFlags();  // written whole with every index: nothing is left to rebuild
    platform::File& out = write_.Create(r_.family->db);
    BlockSink sink(out, r_.family->db, h.header_size(), h.block_size());
    int blocks = WritePacked(sink, db.size(), h.record_size(), h.records_per_block(),
                             [&](std::size_t i) { return db.record(i); });
    h.SetPackedBlocks(blocks, static_cast<std::uint32_t>(db.size()));
    sink.Finish(h.bytes());
  }

  void WriteSecondary(const SecondaryIndex& index, XCollector& collected, std::uint8_t px_stamp) {
    const XLayout& layout = collected.layout;
    const char* records = collected.records();
    const std::size_t rs = static_cast<std::size_t>(layout.record_size);
    const std::size_t n = collected.count();
    Header x = headers_.Secondary(index, layout,
                                  r_.key_fields > 0 ? std::optional<std::uint8_t>(px_stamp) : std::nullopt);
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
      blocks.WriteUpTo(known, record);
    };
    // A pass that required strict key order has seen it: records alike in their indexed
    // fields are then in key order already.
    RowOrder order = SortXRecords(index, layout, records, n, r_.only_in_key_order, write_known, helper_.get());
    if (!blocks.complete()) ThrowEngineError(texts::IndexOrderIncomplete(), r_.family->db);
    x.SetPackedBlocks(blocks.count(), static_cast<std::uint32_t>(n));
    x_sink.Finish(x.bytes());

    const std::string y_extension = SecondaryExtension(index.composite, index.number, true);
    Header y = headers_.Tree(index.old_y, index.composite ? FileType::kCompositeTree : FileType::kSecondaryTree,
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
  MemberHeaders headers_;
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
