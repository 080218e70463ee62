#include "engine/family_rewrite.h"

#include <cstring>
#include <functional>

#include "engine/block_sink.h"
#include "engine/collation.h"
#include "engine/errors.h"
#include "engine/format/bytes.h"
#include "engine/format/header_builder.h"
#include "engine/key_sort.h"
#include "engine/tree_builder.h"
#include "engine/x_records.h"

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

// Writes `n` records of `record_size` bytes into full blocks; returns the block count.
template <typename RecordAt>
int WritePacked(BlockSink& sink, std::size_t n, int record_size, int capacity, RecordAt record_at) {
  std::size_t blocks = (n + static_cast<std::size_t>(capacity) - 1) / static_cast<std::size_t>(capacity);
  for (std::size_t b = 0; b < blocks; ++b) {
    std::size_t first = b * static_cast<std::size_t>(capacity);
    int count = static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(capacity), n - first));
    char* block = sink.NextBlock();
    PutBlockHead(block, b + 1 == blocks ? 0 : static_cast<int>(b) + 2, static_cast<int>(b), count, record_size);
    char* out = block + format::kBlockHeaderSize;
    for (int i = 0; i < count; ++i, out += record_size) {
      std::memcpy(out, record_at(first + static_cast<std::size_t>(i)), static_cast<std::size_t>(record_size));
    }
  }
  return static_cast<int>(blocks);
}

int KeySize(const Header& db, int key_fields) {
  int size = 0;
  for (int i = 0; i < key_fields; ++i) size += db.fields()[static_cast<std::size_t>(i)].size;
  return size;
}


class Writer {
 public:
  Writer(FamilyWrite& write, Rewrite& r)
      : write_(write), r_(r), db_(r.db->header()), key_size_(KeySize(r.db->header(), r.key_fields)),
        sequence_(r.next_sequence) {}

  void Run() {
    const std::string& path = r_.family->db;
    if (r_.key_fields > 0) RequireOrderable(db_, KeyPositions(), path);
    for (const SecondaryIndex& index : r_.indexes) RequireOrderable(db_, index.fields, path);
    if (r_.repack) WriteDb();
    Placement placement(*r_.db, r_.repack);
    std::uint8_t px_stamp = 0;
    if (r_.key_fields > 0) px_stamp = WritePrimary(placement);
    for (const SecondaryIndex& index : r_.indexes) WriteSecondary(index, placement, px_stamp);
    for (const std::string& gone : r_.remove) write_.Remove(gone);
    write_.Commit();
  }

 private:
  std::vector<int> KeyPositions() const {
    std::vector<int> keys;
    for (int i = 0; i < r_.key_fields; ++i) keys.push_back(i);
    return keys;
  }

  std::uint16_t NextSequence() { return static_cast<std::uint16_t>(sequence_++); }

  // What every new member takes from the DB: version, sort order, header name, a
  // sequence number of its own.
  format::HeaderSpec NewMemberSpec(FileType type, std::vector<NewField> fields, const std::string& extension) {
    format::HeaderSpec spec;
    spec.type = type;
    spec.version = db_.version();
    spec.fields = std::move(fields);
    spec.sort_order = db_.sort_order();
    spec.table_name = MemberTableName(db_.table_name(), extension);
    spec.sequence = NextSequence();
    return spec;
  }

  // The header of a PX or Y over keys `fields`: the old one where it fits, else a new
  // one with blocks of the usual size. Its stamp 0x2C is its parent's counter.
  Header TreeHeader(const std::optional<Header>& old, FileType type, const std::vector<NewField>& fields,
                    const std::string& extension, int key_size, std::uint8_t parent_counter) {
    Header h;
    if (old && old->type() == type && SameFields(*old, fields)) {
      h = *old;
    } else {
      format::HeaderSpec spec = NewMemberSpec(type, fields, extension);
      spec.block_size_code = NewTreeBlockCode(key_size);
      spec.auto_increment = 1;
      h = format::NewHeader(spec);
    }
    h.SetU8(off::kStamp2C, parent_counter);
    return h;
  }

  void WriteTree(const std::string& path, Header& header, int key_size, const std::function<void(TreeBuilder&)>& leaves) {
    TreeBuilder tree(key_size, header.block_size(), header.version() >= format::kVersion7);
    leaves(tree);
    platform::File& out = write_.Create(path);
    BlockSink sink(out, path, header.header_size(), header.block_size());
    tree.Write(sink, header);
    sink.Finish(header.bytes());
  }

  void WriteDb() {
    MemberFile& db = *r_.db;
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

  // Adds one leaf per DB block: its first row's key, its number and its row count.
  void AddDbLeaves(TreeBuilder& tree, const Placement& placement) {
    const MemberFile& db = *r_.db;
    if (!r_.repack) {
      for (const ChainBlock& b : db.chain()) {
        if (b.count > 0) tree.AddLeaf(db.record(b.first_record), b.number, static_cast<std::uint32_t>(b.count));
      }
      return;
    }
    const std::size_t cap = static_cast<std::size_t>(db_.records_per_block());
    for (std::size_t first = 0; first < db.size(); first += cap) {
      std::size_t count = std::min(cap, db.size() - first);
      tree.AddLeaf(db.record(first), placement.block(first), static_cast<std::uint32_t>(count));
    }
  }

  std::uint8_t WritePrimary(const Placement& placement) {
    Header px = TreeHeader(r_.old_px, FileType::kPrimaryIndex, FieldsOf(db_, r_.key_fields), "PX", key_size_,
                           db_.U8(off::kStamp2D));
    std::string path = r_.family->px.empty() ? r_.family->Path("PX") : r_.family->px;
    WriteTree(path, px, key_size_, [&](TreeBuilder& tree) { AddDbLeaves(tree, placement); });
    return px.U8(off::kStamp2C);
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
      format::HeaderSpec spec =
          NewMemberSpec(type, layout.fields, SecondaryExtension(index.composite, index.number, false));
      spec.block_size_code = db_.block_size() / 1024;
      spec.key_fields = layout.key_fields;
      spec.code_page = db_.code_page();
      spec.sort_id = db_.sort_id();
      if (index.composite) spec.index_name = index.name;
      spec.index_field = static_cast<std::uint8_t>(index.fields[0] + 1);
      spec.options = options;
      spec.update_time = db_.has_data_header() ? db_.U32(off::kUpdateTime) : 0;
      // The index's own counter: any value; the old one where there was one.
      std::uint8_t own = index.old_x ? index.old_x->U8(off::kStamp2D)
                                     : static_cast<std::uint8_t>(db_.U8(off::kStamp2D) + 0x35 + index.number * 7);
      spec.stamps = {0xFF, own, 0, 0};
      x = format::NewHeader(spec);
    }
    x.SetU8(off::kStamp2C, 0xFF);
    x.SetU8(off::kStamp2E, db_.U8(off::kStamp2E));
    if (r_.key_fields > 0) x.SetU8(off::kStamp2F, px_stamp);
    return x;
  }

  void WriteSecondary(const SecondaryIndex& index, const Placement& placement, std::uint8_t px_stamp) {
    const MemberFile& db = *r_.db;
    const XLayout layout = LayoutOf(index, db_, r_.key_fields);
    const std::size_t n = db.size();
    const std::size_t rs = static_cast<std::size_t>(layout.record_size);
    std::vector<char> records = MakeXRecords(index, layout, db, r_.key_fields, placement);
    std::vector<std::uint32_t> order = SortXRecords(index, layout, records);
    if (index.unique) {
      auto indexed = [&](std::size_t i) { return records.data() + i * rs; };
      if (FirstDuplicate(order, static_cast<std::size_t>(layout.indexed_size), indexed) < order.size()) {
        ThrowEngineError(std::string(kKeyViolation) + " The unique index '" + index.name + "' would hold a key twice.",
                         r_.family->db);
      }
    }

    Header x = SecondaryHeader(index, layout, px_stamp);
    std::string x_path = index.files.x.empty()
                             ? r_.family->Path(SecondaryExtension(index.composite, index.number, false))
                             : index.files.x;
    platform::File& x_out = write_.Create(x_path);
    BlockSink x_sink(x_out, x_path, x.header_size(), x.block_size());
    const int capacity = x.records_per_block();
    int blocks = WritePacked(x_sink, n, layout.record_size, capacity,
                             [&](std::size_t i) { return records.data() + order[i] * rs; });
    x.SetPackedBlocks(blocks, static_cast<std::uint32_t>(n));
    x_sink.Finish(x.bytes());

    const std::string y_extension = SecondaryExtension(index.composite, index.number, true);
    Header y = TreeHeader(index.old_y, index.composite ? FileType::kCompositeTree : FileType::kSecondaryTree,
                          std::vector<NewField>(layout.fields.begin(), layout.fields.begin() + layout.key_fields),
                          y_extension, layout.key_size, x.U8(off::kStamp2D));
    std::string y_path = index.files.y.empty() ? r_.family->Path(y_extension) : index.files.y;
    WriteTree(y_path, y, layout.key_size, [&](TreeBuilder& tree) {
      const auto per_block = static_cast<std::size_t>(capacity);
      for (std::size_t first = 0; first < n; first += per_block) {
        std::size_t count = std::min(per_block, n - first);
        tree.AddLeaf(records.data() + order[first] * rs, static_cast<int>(first / per_block) + 1,
                     static_cast<std::uint32_t>(count));
      }
    });
  }

  FamilyWrite& write_;
  Rewrite& r_;
  const Header& db_;
  const int key_size_;  // bytes of the primary key afterwards
  int sequence_;
};

}  // namespace

void RequireOrderable(const format::Header& db, const std::vector<int>& fields, const std::string& path) {
  Collation collation = CollationOf(db);
  if (collation.bytewise) return;
  for (int p : fields) {
    if (db.fields()[static_cast<std::size_t>(p)].type == format::FieldType::kAlpha) {
      ThrowEngineError("The sort order '" + collation.name + "' of this table is not supported for an index on the "
                       "alpha field '" + db.fields()[static_cast<std::size_t>(p)].name + "'.",
                       path);
    }
  }
}

std::vector<std::uint32_t> PrimaryOrder(const MemberFile& db, int key_fields, const std::string& path) {
  std::vector<int> keys;
  for (int i = 0; i < key_fields; ++i) keys.push_back(i);
  RequireOrderable(db.header(), keys, path);
  const auto key_size = static_cast<std::size_t>(KeySize(db.header(), key_fields));
  auto key_at = [&](std::size_t i) { return db.record(i); };
  std::vector<std::uint32_t> order = SortByKey(db.size(), key_size, key_at);
  if (FirstDuplicate(order, key_size, key_at) < order.size()) {
    ThrowEngineError(std::string(kKeyViolation) + " Two rows have the same key.", path);
  }
  return order;
}

void RewriteFamily(FamilyWrite& write, Rewrite& rewrite) { Writer(write, rewrite).Run(); }

int NextSequence(const std::vector<format::Header>& members) {
  int highest = 0;
  for (const format::Header& h : members) highest = std::max<int>(highest, h.U16(off::kSequence));
  return highest + 1;
}

}  // namespace engine
