#include "engine/table_operations.h"

#include <memory>
#include <optional>

#include "engine/errors.h"
#include "engine/family.h"
#include "engine/family_rewrite.h"
#include "engine/family_write.h"
#include "engine/field_lookup.h"
#include "engine/format/blob.h"
#include "engine/format/bytes.h"
#include "engine/format/field_codec.h"
#include "engine/memo_file.h"
#include "engine/pending_changes.h"
#include "engine/row_rules.h"
#include "engine/secondary_index.h"
#include "engine/table_file.h"
#include "engine/engine_texts.h"

namespace engine {
namespace {

using format::FieldType;
using format::FileType;
using format::Header;
namespace off = format::off;

constexpr int kMaxCompositeIndexes = 16;

// A family held for a change, with what its files declare. The DB's rows are read only
// where the change needs them all at once (Rows); otherwise the rewrite reads them from
// the held file as it goes.
struct Change {
  Change(platform::FileSystem& fs, const std::string& db_path, TableFiles files = TableFiles::kInUse)
      : write(fs, files) {
    family = OpenFamily(fs, db_path);
    if (!family.exists()) ThrowNoSuchTable(TablePath(db_path));
    for (const std::string& member : family.Members()) write.Hold(member);
    db_file = &write.Hold(family.db);
    db = ReadHeader(*db_file, family.db);
    if (db.type() != FileType::kKeyedData && db.type() != FileType::kUnkeyedData) {
      ThrowEngineError(texts::NotATable(), family.db);
    }
    std::vector<Header> headers{db};
    if (!family.px.empty()) {
      px = ReadHeader(write.Hold(family.px), family.px);
      headers.push_back(*px);
    }
    for (const SecondaryFiles& files : family.secondaries) {
      if (files.x.empty()) {
        orphans.push_back(files.y);
        continue;
      }
      Header x = ReadHeader(write.Hold(files.x), files.x);
      headers.push_back(x);
      SecondaryIndex index = IndexOfHeader(x, db, files);
      index.old_x = x;
      if (!files.y.empty()) {
        try {
          index.old_y = ReadHeader(write.Hold(files.y), files.y);
          headers.push_back(*index.old_y);
        } catch (const ECorruptFile&) {
          // A damaged tree is written anew from its X file.
        }
      }
      indexes.push_back(std::move(index));
    }
    next_sequence = NextSequence(headers);
  }

  // Every row of the DB, read once; a rewrite with `repack` writes them anew.
  MemberFile& Rows() {
    if (!rows) rows = MemberFile::Load(*db_file, family.db);
    return *rows;
  }

  bool Rewrite(int key_fields, bool repack, bool only_in_key_order = false) {
    engine::Rewrite r;
    r.family = &family;
    if (repack) {
      r.rows = &Rows();
    } else {
      r.db_file = db_file;
      r.db = &db;
    }
    r.only_in_key_order = only_in_key_order;
    r.key_fields = key_fields;
    r.keep_current_px = keep_current_px;
    r.indexes = indexes;
    r.remove = orphans;
    r.remove.insert(r.remove.end(), removals.begin(), removals.end());
    r.old_px = px;
    r.next_sequence = next_sequence;
    if (key_fields == 0 && !family.px.empty()) r.remove.push_back(family.px);
    return RewriteFamily(write, r);
  }

  FamilyWrite write;
  Family family;
  platform::File* db_file = nullptr;
  Header db;  // as the file declares it
  std::optional<MemberFile> rows;
  std::optional<Header> px;
  std::vector<SecondaryIndex> indexes;
  std::vector<std::string> orphans;
  std::vector<std::string> removals;
  int next_sequence = 1;
  bool keep_current_px = false;  // for a change of secondary indexes alone
};

std::string Trimmed(const std::string& s) {
  std::size_t b = s.find_first_not_of(' ');
  std::size_t e = s.find_last_not_of(' ');
  return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

std::vector<int> FieldPositions(const Header& db, const std::string& list, const std::string& path) {
  std::vector<int> positions;
  std::size_t start = 0;
  while (start <= list.size()) {
    std::size_t end = list.find(';', start);
    if (end == std::string::npos) end = list.size();
    std::string name = Trimmed(list.substr(start, end - start));
    start = end + 1;
    if (name.empty()) continue;
    int found = FindField(db, name);
    if (found < 0) ThrowEngineError(texts::Format(texts::FieldNotFoundFormat(), name), "");
    for (int p : positions) {
      if (p == found) ThrowEngineError(texts::Format(texts::FieldTwiceInIndexFormat(), name), path);
    }
    if (format::IsBlob(db.fields()[static_cast<std::size_t>(found)].type)) {
      ThrowEngineError(texts::Format(texts::BlobFieldInIndexFormat(), name), path);
    }
    positions.push_back(found);
  }
  if (positions.empty()) ThrowEngineError(texts::IndexWithoutFields(), path);
  return positions;
}

bool IsIdentity(const RowOrder& order) {
  for (std::size_t i = 0; i < order.size(); ++i) {
    if (order[i] != i) return false;
  }
  return true;
}

// Whether the fields are the table's first ones, in their order: a primary key's.
bool LeadingFields(const std::vector<int>& positions) {
  for (std::size_t i = 0; i < positions.size(); ++i) {
    if (positions[i] != static_cast<int>(i)) return false;
  }
  return true;
}

void BuildPrimary(Change& c, const std::vector<int>& positions) {
  const std::string& path = c.family.db;
  if (!LeadingFields(positions)) {
    ThrowEngineError(texts::PrimaryIndexNotLeading(), path);
  }
  const int k = static_cast<int>(positions.size());
  // A table keyed so already, in key order in full blocks, keeps its DB: only its
  // indexes are written, from one read of its rows.
  bool same_key = c.db.type() == FileType::kKeyedData && c.db.key_fields() == k;
  if (same_key && c.Rewrite(k, false, true)) return;
  MemberFile& rows = c.Rows();
  RowOrder order = PrimaryOrder(rows, k, path);
  if (!IsIdentity(order)) rows.Reorder(order);
  c.Rewrite(k, true);
}

int FreeCompositeNumber(const std::vector<SecondaryIndex>& indexes, const std::string& path) {
  for (int n = 0; n < kMaxCompositeIndexes; ++n) {
    bool used = false;
    for (const SecondaryIndex& i : indexes) used = used || (i.composite && i.number == n);
    if (!used) return n;
  }
  ThrowEngineError(texts::TooManySecondaryIndexes(), path);
}

// Adds the secondary index to those the change's rewrite writes.
void AddSecondary(Change& c, const std::string& name, const std::vector<int>& positions, IndexOptions options) {
  const Header& db = c.db;
  if (Trimmed(name).empty()) ThrowEngineError(texts::SecondaryIndexWithoutName(), c.family.db);
  SecondaryIndex index;
  index.name = name;
  index.fields = positions;
  index.descending.assign(positions.size(), (options & ixDescending) != 0);
  index.case_insensitive = (options & ixCaseInsensitive) != 0;
  index.unique = (options & ixUnique) != 0;
  index.maintained = db.type() == FileType::kKeyedData;
  index.composite = !TakesFieldNumberName(name, positions, db, index.case_insensitive, (options & ixDescending) != 0);

  // An index of the same name is replaced; its files are reused when the name of the
  // files stays, removed otherwise.
  std::optional<SecondaryIndex> replaced;
  for (auto it = c.indexes.begin(); it != c.indexes.end(); ++it) {
    bool same_file = !index.composite && !it->composite && it->number == positions[0] + 1;
    if (FoldName(it->name) == FoldName(name) || same_file) {
      replaced = *it;
      c.indexes.erase(it);
      break;
    }
  }
  index.number = index.composite ? FreeCompositeNumber(c.indexes, c.family.db) : positions[0] + 1;
  if (replaced && replaced->composite == index.composite && replaced->number == index.number) {
    index.files = replaced->files;
    index.old_x = replaced->old_x;
    index.old_y = replaced->old_y;
  } else if (replaced) {
    for (const std::string* p : {&replaced->files.x, &replaced->files.y}) {
      if (!p->empty()) c.removals.push_back(*p);
    }
  }
  c.indexes.push_back(std::move(index));
}

void BuildSecondary(Change& c, const std::string& name, const std::vector<int>& positions, IndexOptions options) {
  AddSecondary(c, name, positions, options);
  c.keep_current_px = true;
  c.Rewrite(c.db.key_fields(), false);
}

// The primary index of `requests[0]` and the secondary indexes after it, from one read
// of the rows: what building them one by one writes, for a table keyed so already
// whose rows are in key order in full blocks. False, with nothing written (the family
// write is all or nothing), for any other table or list, for a definition that is not
// right and for a failure on the way: one by one, each index then fails or succeeds in
// its turn, and leaves what it leaves.
bool BuildPrimaryWithSecondaries(platform::FileSystem& fs, const std::string& db_path,
                                 const std::vector<IndexRequest>& requests, TableFiles files) {
  if (requests.size() < 2 || !(requests[0].options & ixPrimary)) return false;
  for (std::size_t i = 1; i < requests.size(); ++i) {
    if (requests[i].options & ixPrimary) return false;
  }
  try {
    Change c(fs, db_path, files);
    std::vector<int> key = FieldPositions(c.db, requests[0].fields, c.family.db);
    const int k = static_cast<int>(key.size());
    if (!LeadingFields(key) || c.db.type() != FileType::kKeyedData || c.db.key_fields() != k) return false;
    for (std::size_t i = 1; i < requests.size(); ++i) {
      const IndexRequest& r = requests[i];
      AddSecondary(c, r.name, FieldPositions(c.db, r.fields, c.family.db), r.options);
    }
    return c.Rewrite(k, false, true);
  } catch (const platform::EDBEngineError&) {
    return false;  // met again, in its turn, one by one
  }
}

void StoreBlobs(Change& c, NewRow& row) {
  const Header& db = c.Rows().header();
  bool needs_mb = false;
  for (const auto& [position, data] : row.blobs) {
    const format::FieldDescriptor& f = db.fields()[static_cast<std::size_t>(position)];
    if (NeedsMemoFile(f, data.size())) {
      needs_mb = true;
    } else {
      StoreInLeader(f, data, row.record.data() + f.offset);
    }
  }
  if (!needs_mb) return;
  const std::string mb_path = c.family.mb.empty() ? c.family.Path("MB") : c.family.mb;
  platform::File& out = c.write.Create(mb_path);
  std::uint64_t end = format::kMbUnit;
  std::uint16_t mod = 1;
  if (c.family.mb.empty()) {
    std::string header = format::NewMbHeader();
    TranslateFileErrors(mb_path, [&] { out.WriteAt(0, header.data(), header.size()); });
  } else {
    platform::File& old = c.write.Hold(c.family.mb);
    mod = MemoModCount(old, mb_path);
    end = TranslateFileErrors(mb_path, [&] {
      std::uint64_t size = old.Size();
      std::vector<char> buffer(1 << 20);
      for (std::uint64_t at = 0; at < size;) {
        std::size_t n = old.ReadAt(at, buffer.data(), buffer.size());
        if (n == 0) break;
        out.WriteAt(at, buffer.data(), n);
        at += n;
      }
      return (size + format::kMbUnit - 1) / format::kMbUnit * format::kMbUnit;
    });
  }
  MemoAppender appender(out, mb_path, end, mod);
  for (const auto& [position, data] : row.blobs) {
    const format::FieldDescriptor& f = db.fields()[static_cast<std::size_t>(position)];
    if (NeedsMemoFile(f, data.size())) appender.Store(f, data, row.record.data() + f.offset);
  }
  appender.Finish();
}

}  // namespace

void ThrowNoSuchTable(const std::string& db_path) { ThrowEngineError(texts::TableNotFound(), db_path); }

void BuildIndex(platform::FileSystem& fs, const std::string& db_path, const std::string& name,
                const std::string& fields, IndexOptions options, TableFiles files) {
  Change c(fs, db_path, files);
  std::vector<int> positions = FieldPositions(c.db, fields, c.family.db);
  if (options & ixPrimary) {
    BuildPrimary(c, positions);
  } else {
    BuildSecondary(c, name, positions, options);
  }
}

void BuildIndexes(platform::FileSystem& fs, const std::string& db_path, const std::vector<IndexRequest>& requests,
                  TableFiles files) {
  if (BuildPrimaryWithSecondaries(fs, db_path, requests, files)) return;
  for (const IndexRequest& r : requests) BuildIndex(fs, db_path, r.name, r.fields, r.options, files);
}

void AppendRow(platform::FileSystem& fs, const std::string& db_path, NewRow row) {
  Change c(fs, db_path);
  MemberFile& rows = c.Rows();
  Header& db = rows.header();
  if (row.record.size() != static_cast<std::size_t>(db.record_size())) {
    ThrowEngineError(texts::RowSizeMismatch(), c.family.db);
  }
  if (rows.size() >= 0xFFFFFFF0u) ThrowEngineError(texts::TableFull(), c.family.db);
  NumberAutoIncrement(db, row.record.data());
  StoreBlobs(c, row);
  rows.AddRecord(row.record.data());
  const int k = db.type() == FileType::kKeyedData ? db.key_fields() : 0;
  if (k > 0) rows.Reorder(PrimaryOrder(rows, k, c.family.db));
  std::size_t blocks = (rows.size() + static_cast<std::size_t>(db.records_per_block()) - 1) /
                       static_cast<std::size_t>(db.records_per_block());
  if (blocks > 0xFFFF) ThrowEngineError(texts::TableFull(), c.family.db);
  c.Rewrite(k, true);
}

void DropTableFamily(platform::FileSystem& fs, const std::string& db_path) {
  Family family = OpenFamily(fs, db_path);
  if (!family.exists()) ThrowNoSuchTable(TablePath(db_path));
  FamilyWrite write(fs);
  for (const std::string& member : family.Members()) write.Hold(member);
  for (const std::string& member : family.Members()) write.Remove(member);
  write.Commit();
}

void MoveTableFamily(platform::FileSystem& fs, const std::string& source, const std::string& target,
                     TableFiles files) {
  Family from = OpenFamily(fs, source);
  if (!from.exists()) ThrowNoSuchTable(TablePath(source));
  Family to = OpenFamily(fs, target);
  if (FoldName(FolderOf(from.db)) != FoldName(FolderOf(TablePath(target)))) {
    ThrowEngineError(texts::ReplacementInOtherFolder(), TablePath(target));
  }
  FamilyWrite write(fs, files);
  for (const std::string& member : from.Members()) write.Hold(member, platform::Access::kReadWrite);
  for (const std::string& member : to.Members()) write.Hold(member);
  std::vector<std::string> kept;
  for (const std::string& member : from.Members()) {
    std::string name = NameOf(member);
    std::string extension = name.substr(name.rfind('.') + 1);
    std::string final_path = to.Path(extension);
    for (const std::string& existing : to.Members()) {
      if (FoldName(existing) == FoldName(final_path)) final_path = existing;
    }
    kept.push_back(FoldName(final_path));
    write.Move(member, final_path);
  }
  for (const std::string& existing : to.Members()) {
    bool replaced = false;
    for (const std::string& k : kept) replaced = replaced || k == FoldName(existing);
    if (!replaced) write.Remove(existing);
  }
  write.Commit();
}

bool CopyIntoPlace(platform::FileSystem& fs, const std::string& from, const std::string& to, TableFiles files) {
  FamilyWrite write(fs, files);
  if (!write.CreateCopy(from, to)) return false;
  write.Commit();
  return true;
}

std::vector<IndexDef> ReadIndexDefs(platform::FileSystem& fs, const std::string& db_path) {
  Family family = OpenFamily(fs, db_path);
  if (!family.exists()) ThrowNoSuchTable(TablePath(db_path));
  auto read = [&](const std::string& path) {
    auto file = TranslateFileErrors(path, [&] {
      return fs.Open(path, platform::Access::kRead, platform::Share::kReadWrite, platform::Disposition::kOpenExisting);
    });
    return ReadHeader(*file, path);
  };
  Header db = read(family.db);
  auto joined = [&](const std::vector<int>& positions) {
    std::string s;
    for (int p : positions) s += (s.empty() ? "" : ";") + db.fields()[static_cast<std::size_t>(p)].name;
    return s;
  };
  std::vector<IndexDef> defs;
  if (db.type() == FileType::kKeyedData) {
    std::vector<int> keys;
    for (int i = 0; i < db.key_fields(); ++i) keys.push_back(i);
    defs.push_back(IndexDef{"", joined(keys), ixPrimary | ixUnique});
  }
  for (const SecondaryFiles& files : family.secondaries) {
    if (files.x.empty()) continue;
    SecondaryIndex index = IndexOfHeader(read(files.x), db, files);
    IndexOptions options = 0;
    if (index.case_insensitive) options |= ixCaseInsensitive;
    if (index.unique) options |= ixUnique;
    if (!index.descending.empty() && index.descending[0]) options |= ixDescending;
    defs.push_back(IndexDef{index.name, joined(index.fields), options});
  }
  return defs;
}

}  // namespace engine
