#include "engine/operations/table_change.h"

#include "engine/errors.h"
#include "engine/write/family_rewrite.h"
#include "engine/write/pending_changes.h"

namespace engine {

using format::FileType;
using format::Header;

TableChange::TableChange(platform::FileSystem& fs, const std::string& db_path, TableFiles files)
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

MemberFile& TableChange::Rows() {
  if (!rows) rows = MemberFile::Load(*db_file, family.db);
  return *rows;
}

bool TableChange::Rewrite(int key_fields, bool repack, bool only_in_key_order) {
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

}  // namespace engine
