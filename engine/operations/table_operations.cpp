#include "engine/operations/table_operations.h"

#include "engine/engine_texts.h"
#include "engine/errors.h"
#include "engine/family.h"
#include "engine/index/secondary_index.h"
#include "engine/operations/table_change.h"
#include "engine/read/table_file.h"
#include "engine/write/family_rewrite.h"
#include "engine/write/family_write.h"
#include "engine/write/memo_append.h"
#include "engine/write/pending_changes.h"
#include "engine/write/row_rules.h"

namespace engine {

using format::FileType;
using format::Header;

void AppendRow(platform::FileSystem& fs, const std::string& db_path, NewRow row) {
  TableChange c(fs, db_path);
  MemberFile& rows = c.Rows();
  Header& db = rows.header();
  if (row.record.size() != static_cast<std::size_t>(db.record_size())) {
    ThrowEngineError(texts::RowSizeMismatch(), c.family.db);
  }
  if (rows.size() >= 0xFFFFFFF0u) ThrowEngineError(texts::TableFull(), c.family.db);
  NumberAutoIncrement(db, row.record.data());
  StoreBlobs(c.write, c.family, db, row.blobs, row.record);
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
