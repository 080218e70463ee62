#include "engine/operations/table_operations.h"

#include <new>
#include <optional>

#include "engine/errors.h"
#include "engine/operations/index_fields.h"
#include "engine/operations/table_change.h"
#include "engine/write/family_rewrite.h"

namespace engine {
namespace {

using format::FileType;
using format::Header;

constexpr int kMaxCompositeIndexes = 16;

bool IsIdentity(const RowOrder& order) {
  for (std::size_t i = 0; i < order.size(); ++i) {
    if (order[i] != i) return false;
  }
  return true;
}

void BuildPrimary(TableChange& c, const std::vector<int>& positions) {
  const std::string& path = c.family.db;
  if (!LeadingFields(positions)) {
    ThrowEngineError(texts::PrimaryIndexNotLeading(), path);
  }
  const int k = static_cast<int>(positions.size());
  // A table keyed so already, in key order in full blocks, keeps its DB: only its
  // indexes are written, from one read of its rows. One marked for a rebuild is written
  // anew.
  bool same_key = c.db.type() == FileType::kKeyedData && c.db.key_fields() == k && c.db.rebuild_flags_clear();
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

// Adds the secondary index to those the change's rewrite writes; it is maintained when
// the table is keyed once the change is made.
void AddSecondary(TableChange& c, const std::string& name, const std::vector<int>& positions, IndexOptions options,
                  bool keyed_afterwards) {
  const Header& db = c.db;
  if (Trimmed(name).empty()) ThrowEngineError(texts::SecondaryIndexWithoutName(), c.family.db);
  SecondaryIndex index;
  index.name = name;
  index.fields = positions;
  index.descending.assign(positions.size(), (options & ixDescending) != 0);
  index.case_insensitive = (options & ixCaseInsensitive) != 0;
  index.unique = (options & ixUnique) != 0;
  index.maintained = keyed_afterwards;
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

void BuildSecondary(TableChange& c, const std::string& name, const std::vector<int>& positions, IndexOptions options) {
  AddSecondary(c, name, positions, options, c.db.type() == FileType::kKeyedData);
  c.keep_current_px = true;
  c.Rewrite(c.db.key_fields(), false);
}

// The primary index of `requests[0]` and the secondary indexes after it as one change,
// writing what building them one by one writes. A table keyed so already whose rows are
// in key order in full blocks keeps its DB and is read once; any other is read into
// memory, sorted and written anew with all its indexes, having been read at most twice
// (a keyed one is read until its rows are found out of order); its rows and every
// index's records are then held at once. False, with nothing written (the family write
// is all or nothing), for a list of another shape, for a definition that is not right,
// for a failure on the way and for want of memory: one by one, each index then fails or
// succeeds in its turn, and leaves what it leaves.
bool BuildPrimaryWithSecondaries(platform::FileSystem& fs, const std::string& db_path,
                                 const std::vector<IndexRequest>& requests, TableFiles files) {
  if (requests.size() < 2 || !(requests[0].options & ixPrimary)) return false;
  for (std::size_t i = 1; i < requests.size(); ++i) {
    if (requests[i].options & ixPrimary) return false;
  }
  try {
    TableChange c(fs, db_path, files);
    std::vector<int> key = FieldPositions(c.db, requests[0].fields, c.family.db);
    if (!LeadingFields(key)) return false;
    for (std::size_t i = 1; i < requests.size(); ++i) {
      const IndexRequest& r = requests[i];
      AddSecondary(c, r.name, FieldPositions(c.db, r.fields, c.family.db), r.options, true);
    }
    BuildPrimary(c, key);
    return true;
  } catch (const platform::EDBEngineError&) {
    return false;  // met again, in its turn, one by one
  } catch (const std::bad_alloc&) {
    return false;  // one by one holds less at once
  }
}

}  // namespace

void BuildIndex(platform::FileSystem& fs, const std::string& db_path, const std::string& name,
                const std::string& fields, IndexOptions options, TableFiles files) {
  TableChange c(fs, db_path, files);
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

}  // namespace engine
