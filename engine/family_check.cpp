#include "engine/family_check.h"

#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <set>

#include "engine/collation.h"
#include "engine/errors.h"
#include "engine/family.h"
#include "engine/pending_changes.h"
#include "engine/format/blob.h"
#include "engine/format/bytes.h"
#include "engine/memo_file.h"
#include "engine/secondary_index.h"
#include "engine/table_file.h"
#include "engine/x_records.h"

namespace engine {
namespace {

using format::FileType;
using format::Header;
namespace off = format::off;

struct Leaf {
  const char* key;
  int child;
  std::uint32_t count;
};

std::string Hex(int v) {
  char s[8];
  std::snprintf(s, sizeof s, "0x%02X", v);
  return s;
}

class Checker {
 public:
  Checker(platform::FileSystem& fs, CheckReport& report) : fs_(fs), report_(report) {}

  void Run(const std::string& db_path) {
    Family family = FindFamily(fs_, db_path);
    if (!family.exists()) {
      Problem(db_path, "the table does not exist");
      return;
    }
    std::optional<MemberFile> db = Load(family.db);
    if (!db) return;
    const Header& h = db->header();
    if (h.type() != FileType::kKeyedData && h.type() != FileType::kUnkeyedData) {
      Problem(family.db, "the file is not a table (.DB) file");
      return;
    }
    CheckFlags(*db);
    CheckBlobs(family, *db);
    const bool keyed = h.type() == FileType::kKeyedData;
    std::optional<MemberFile> px;
    if (keyed) {
      CheckOrder(*db, h.key_size(), KeyFields(h), "the table's rows");
      if (family.px.empty()) {
        Problem(family.db, "the keyed table has no .PX");
      } else if ((px = Load(family.px))) {
        CheckPrimary(*db, *px);
      }
    } else if (!family.px.empty()) {
      Problem(family.px, "an unkeyed table has a primary index");
    }
    for (const SecondaryFiles& files : family.secondaries) CheckSecondary(*db, px ? &*px : nullptr, files);
    if (!family.val.empty()) CheckVal(family.val, h);
  }

 private:
  void Problem(const std::string& path, const std::string& what) { report_.problems.push_back(NameOf(path) + ": " + what); }
  void Note(const std::string& path, const std::string& what) { report_.notes.push_back(NameOf(path) + ": " + what); }

  std::optional<MemberFile> Load(const std::string& path) {
    try {
      auto file = TranslateFileErrors(path, [&] {
        return fs_.Open(path, platform::Access::kRead, platform::Share::kReadWrite, platform::Disposition::kOpenExisting);
      });
      return MemberFile::Load(*file, path);
    } catch (const platform::EDBEngineError& e) {
      std::string message = e.what();
      report_.problems.push_back(NameOf(path) + ": " + message.substr(0, message.find("\r\n")));
      return std::nullopt;
    }
  }

  static std::vector<int> KeyFields(const Header& h) {
    std::vector<int> keys;
    for (int i = 0; i < h.key_fields(); ++i) keys.push_back(i);
    return keys;
  }

  void CheckFlags(const MemberFile& m) {
    if (!m.header().rebuild_flags_clear()) Problem(m.path(), "a \"rebuild required\" flag is set");
  }

  // Keys must rise strictly along the chain, where the sort order is one we know.
  void CheckOrder(const MemberFile& m, int key_size, const std::vector<int>& fields, const char* what) {
    const Header& h = m.header();
    bool alpha = false;
    for (int f : fields) alpha = alpha || h.fields()[static_cast<std::size_t>(f)].type == format::FieldType::kAlpha;
    if (alpha && !CollationOf(h).bytewise) {
      Note(m.path(), std::string("order of ") + what + " not checked: sort order '" + CollationOf(h).name +
                         "' is not implemented");
      return;
    }
    for (std::size_t i = 1; i < m.size(); ++i) {
      if (std::memcmp(m.record(i - 1), m.record(i), static_cast<std::size_t>(key_size)) >= 0) {
        Problem(m.path(), std::string(what) + " are not in key order (row " + std::to_string(i + 1) + ")");
        return;
      }
    }
  }

  // The tree's leaf entries, checking its inner structure.
  std::vector<Leaf> Leaves(const MemberFile& tree) {
    std::vector<Leaf> leaves;
    const Header& h = tree.header();
    if (h.index_levels() == 0) {
      if (h.records() != 0) Problem(tree.path(), "the tree holds entries but has no levels");
      return leaves;
    }
    std::set<int> visited;
    const int key = h.key_size();
    std::function<std::uint32_t(int, int, const char*)> walk = [&](int block, int level, const char* first_key) {
      if (tree.block(block) == nullptr || !visited.insert(block).second) {
        Problem(tree.path(), "the tree reaches block " + std::to_string(block) + " twice or outside the file");
        return std::uint32_t{0};
      }
      int count = tree.records_in_block(block);
      const char* entries = tree.block(block) + format::kBlockHeaderSize;
      if (count <= 0) return std::uint32_t{0};
      if (first_key != nullptr && std::memcmp(first_key, entries, static_cast<std::size_t>(key)) != 0) {
        Problem(tree.path(), "an entry's key differs from the first key of block " + std::to_string(block));
      }
      std::uint32_t total = 0;
      for (int i = 0; i < count; ++i) {
        const char* e = entries + static_cast<std::size_t>(i) * static_cast<std::size_t>(h.record_size());
        int child = format::GetBe16(e + key) ^ 0x8000;
        std::uint32_t n = format::GetBe16(e + key + 2) ^ 0x8000u;
        if (level > 1) {
          std::uint32_t below = walk(child, level - 1, e);
          if (n != std::min<std::uint32_t>(below, 0xFFFF)) {
            Problem(tree.path(), "block " + std::to_string(block) + " counts " + std::to_string(n) + " rows under block " +
                                     std::to_string(child) + ", which holds " + std::to_string(below));
          }
        } else {
          leaves.push_back(Leaf{e, child, n});
        }
        total += n;
      }
      return total;
    };
    walk(h.index_root(), h.index_levels(), nullptr);
    if (visited.size() != tree.chain().size()) Problem(tree.path(), "some chained blocks are not part of the tree");
    return leaves;
  }

  // The leaves must name the blocks of `data` that hold rows, in chain order.
  void CheckTreeOver(const MemberFile& tree, const MemberFile& data, int key_size) {
    std::vector<Leaf> leaves = Leaves(tree);
    std::vector<ChainBlock> blocks;
    for (const ChainBlock& b : data.chain()) {
      if (b.count > 0) blocks.push_back(b);
    }
    if (leaves.size() != blocks.size()) {
      Problem(tree.path(), std::to_string(leaves.size()) + " leaf entries for " + std::to_string(blocks.size()) +
                               " blocks of " + NameOf(data.path()));
      return;
    }
    for (std::size_t i = 0; i < leaves.size(); ++i) {
      const ChainBlock& b = blocks[i];
      if (leaves[i].child != b.number || leaves[i].count != static_cast<std::uint32_t>(b.count) ||
          std::memcmp(leaves[i].key, data.record(b.first_record), static_cast<std::size_t>(key_size)) != 0) {
        Problem(tree.path(), "the entry for block " + std::to_string(b.number) + " of " + NameOf(data.path()) + " is wrong");
        return;
      }
    }
  }

  void CheckTreeHeader(const MemberFile& tree, const Header& parent, int key_fields) {
    const Header& t = tree.header();
    bool same = static_cast<int>(t.fields().size()) == key_fields;
    for (int i = 0; same && i < key_fields; ++i) {
      same = t.fields()[static_cast<std::size_t>(i)].type == parent.fields()[static_cast<std::size_t>(i)].type &&
             t.fields()[static_cast<std::size_t>(i)].size == parent.fields()[static_cast<std::size_t>(i)].size;
    }
    if (!same) Problem(tree.path(), "its fields do not match the key it indexes");
    if (t.sort_order() != parent.sort_order()) Problem(tree.path(), "its sort order differs from its table's");
  }

  void CheckPrimary(const MemberFile& db, const MemberFile& px) {
    CheckFlags(px);
    if (px.header().type() != FileType::kPrimaryIndex) {
      Problem(px.path(), "the file is not a primary index");
      return;
    }
    CheckTreeHeader(px, db.header(), db.header().key_fields());
    CheckTreeOver(px, db, db.header().key_size());
    if (px.header().U8(off::kStamp2C) != db.header().U8(off::kStamp2D)) {
      Note(px.path(), "stamp PX[2C]=" + Hex(px.header().U8(off::kStamp2C)) + " differs from DB[2D]=" +
                          Hex(db.header().U8(off::kStamp2D)));
    }
  }

  void CheckSecondary(const MemberFile& db, const MemberFile* px, const SecondaryFiles& files) {
    if (files.x.empty()) {
      Problem(files.y, "an index tree without its data file");
      return;
    }
    if (files.y.empty()) Problem(files.x, "the index has no tree file");
    std::optional<MemberFile> x = Load(files.x);
    if (!x) return;
    CheckFlags(*x);
    const Header& xh = x->header();
    if (!format::IsSecondaryData(xh.type()) || (xh.type() == FileType::kCompositeData ||
                                               xh.type() == FileType::kMaintainedCompositeData) != files.composite) {
      Problem(files.x, "the file type does not fit its name");
      return;
    }
    SecondaryIndex index;
    try {
      index = IndexOfHeader(xh, db.header(), files);
    } catch (const platform::EDBEngineError&) {
      Problem(files.x, "the index does not fit the table");
      return;
    }
    const bool maintained = format::IsMaintained(xh.type());
    if (x->size() != db.size()) {
      std::string what = "holds " + std::to_string(x->size()) + " entries for " + std::to_string(db.size()) + " rows";
      if (maintained) {
        Problem(files.x, what + ": the maintained index is out of date");
      } else {
        Note(files.x, what + " (not maintained: out of date until rebuilt)");
      }
    }
    CheckOrderOfX(*x, index);
    if (maintained && x->size() == db.size()) CheckXContent(db, *x, index);
    if (xh.U8(off::kStamp2E) != db.header().U8(off::kStamp2E)) {
      Note(files.x, "stamp X[2E]=" + Hex(xh.U8(off::kStamp2E)) + " differs from DB[2E]=" + Hex(db.header().U8(off::kStamp2E)));
    }
    if (px != nullptr && xh.U8(off::kStamp2F) != px->header().U8(off::kStamp2C)) {
      Note(files.x, "stamp X[2F]=" + Hex(xh.U8(off::kStamp2F)) + " differs from PX[2C]=" + Hex(px->header().U8(off::kStamp2C)));
    }
    if (files.y.empty()) return;
    std::optional<MemberFile> y = Load(files.y);
    if (!y) return;
    CheckFlags(*y);
    CheckTreeHeader(*y, xh, xh.key_fields());
    CheckTreeOver(*y, *x, xh.key_size());
    if (y->header().U8(off::kStamp2C) != xh.U8(off::kStamp2D)) {
      Note(files.y, "stamp Y[2C]=" + Hex(y->header().U8(off::kStamp2C)) + " differs from X[2D]=" + Hex(xh.U8(off::kStamp2D)));
    }
  }

  void CheckOrderOfX(const MemberFile& x, const SecondaryIndex& index) {
    for (bool d : index.descending) {
      if (d) {
        Note(x.path(), "order of a descending index not checked");
        return;
      }
    }
    std::vector<int> indexed;
    for (std::size_t i = 0; i < index.fields.size(); ++i) indexed.push_back(static_cast<int>(i));
    CheckOrder(x, x.header().key_size(), indexed, "the index entries");
  }

  // A maintained X must hold exactly the entries the rows give, in order; row hints
  // (Blk Num) may be stale.
  void CheckXContent(const MemberFile& db, const MemberFile& x, const SecondaryIndex& index) {
    const int k = db.header().key_fields();
    XLayout layout = LayoutOf(index, db.header(), k);
    if (layout.record_size != x.header().record_size()) {
      Problem(x.path(), "the record layout does not fit the table");
      return;
    }
    Placement placement(db, false);
    std::vector<char> expected = MakeXRecords(index, layout, db, k, placement);
    RowOrder order = SortXRecords(index, layout, expected);
    const std::size_t rs = static_cast<std::size_t>(layout.record_size);
    const std::size_t ks = static_cast<std::size_t>(layout.key_size);
    std::size_t stale = 0;
    for (std::size_t i = 0; i < order.size(); ++i) {
      const char* want = expected.data() + order[i] * rs;
      if (std::memcmp(want, x.record(i), ks) != 0) {
        Problem(x.path(), "entry " + std::to_string(i + 1) + " does not match the table's rows");
        return;
      }
      if (std::memcmp(want + ks, x.record(i) + ks, rs - ks) != 0) ++stale;
    }
    if (stale > 0) {
      Note(x.path(), std::to_string(stale) + " of " + std::to_string(order.size()) +
                         " row hints point at another block (tolerated by the original engine)");
    }
  }

  void CheckBlobs(const Family& family, const MemberFile& db) {
    const Header& h = db.header();
    std::unique_ptr<platform::File> mb;
    if (!family.mb.empty()) {
      try {
        mb = fs_.Open(family.mb, platform::Access::kRead, platform::Share::kReadWrite, platform::Disposition::kOpenExisting);
      } catch (const platform::EInOutError&) {
        Problem(family.mb, "the .MB file cannot be opened");
        return;
      }
    }
    for (const format::FieldDescriptor& f : h.fields()) {
      if (!format::IsBlob(f.type)) continue;
      for (std::size_t i = 0; i < db.size(); ++i) {
        try {
          ReadBlob(mb.get(), family.mb.empty() ? family.Path("MB") : family.mb, f, db.record(i) + f.offset);
        } catch (const platform::EDBEngineError&) {
          Problem(family.db, "row " + std::to_string(i + 1) + ": field '" + f.name +
                                 (mb ? "' does not match the .MB file" : "' keeps its data in a .MB file that is missing"));
          return;
        }
      }
    }
  }

  void CheckVal(const std::string& val, const Header& db) {
    std::string head;
    try {
      auto file = fs_.Open(val, platform::Access::kRead, platform::Share::kReadWrite, platform::Disposition::kOpenExisting);
      head.resize(8);
      head.resize(file->ReadAt(0, head.data(), head.size()));
    } catch (const platform::EInOutError&) {
      Problem(val, "the .VAL file cannot be read");
      return;
    }
    if (head.empty() || static_cast<std::uint8_t>(head[0]) != db.U8(off::kStamp2E)) {
      Note(val, "stamp VAL[0] differs from DB[2E]=" + Hex(db.U8(off::kStamp2E)));
    }
  }

  platform::FileSystem& fs_;
  CheckReport& report_;
};

}  // namespace

void RequireMemoFile(platform::FileSystem& fs, const std::string& db_path) {
  Family family = FindFamily(fs, db_path);
  if (!family.exists() || !family.mb.empty()) return;
  auto file = TranslateFileErrors(family.db, [&] {
    return fs.Open(family.db, platform::Access::kRead, platform::Share::kReadWrite, platform::Disposition::kOpenExisting);
  });
  const format::Header header = ReadHeader(*file, family.db);
  bool has_blobs = false;
  for (const format::FieldDescriptor& f : header.fields()) has_blobs = has_blobs || format::IsBlob(f.type);
  if (!has_blobs) return;
  MemberFile db = MemberFile::Load(*file, family.db);
  for (const format::FieldDescriptor& f : db.header().fields()) {
    if (!format::IsBlob(f.type)) continue;
    for (std::size_t i = 0; i < db.size(); ++i) {
      format::BlobRef ref = format::ReadBlobRef(f, db.record(i) + f.offset);
      if (ref.length != 0 && !ref.in_leader()) ThrowEngineError(texts::MemoFileMissing(), family.Path("MB"), texts::AskForNewMedium());
    }
  }
}

CheckReport CheckFamily(platform::FileSystem& fs, const std::string& db_path) {
  CheckReport report;
  Checker(fs, report).Run(db_path);
  // A change that a stopped process left half done: the files on disk may mix the old
  // family and the new one until it is finished.
  for (const PendingChange& change : FindPendingChanges(fs, FolderOf(TablePath(db_path)))) {
    report.notes.push_back(NameOf(change.record) + ": " +
                           (change.complete ? "a change of this folder was stopped half-way; the next open of a table "
                                              "here by the installer or pdxtool (pdxtool dump, say) finishes it"
                                            : "a change of this folder was stopped before its first step; the next "
                                              "open of a table here discards it"));
  }
  return report;
}

}  // namespace engine
