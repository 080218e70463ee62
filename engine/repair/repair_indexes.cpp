#include "engine/repair/repair_indexes.h"

#include "engine/errors.h"
#include "engine/read/field_lookup.h"
#include "engine/read/table_file.h"
#include "engine/repair/repair_refusal.h"
#include "engine/write/family_rewrite.h"

namespace engine {
namespace {

using format::FileType;

std::optional<format::Header> ReadableHeader(FamilyWrite& write, const std::string& path) {
  try {
    return ReadHeader(write.Hold(path), path);
  } catch (const ECorruptFile&) {
    return std::nullopt;
  }
}

// The header to keep for an index file written anew (the rewrite keeps it where its
// layout allows): only one of the table's sort order, its rebuild flags cleared.
std::optional<format::Header> Keepable(std::optional<format::Header> h, const format::Header& db) {
  if (!h || h->sort_order() != db.sort_order()) return std::nullopt;
  h->ClearRebuildFlags();
  return h;
}

bool FitsName(const format::Header& x, const SecondaryFiles& files) {
  const bool composite = x.type() == FileType::kCompositeData || x.type() == FileType::kMaintainedCompositeData;
  return format::IsSecondaryData(x.type()) && composite == files.composite;
}

// The index an .Xnn file's name defines.
std::optional<SecondaryIndex> IndexOfName(const SecondaryFiles& files, const format::Header& db) {
  const int position = files.number - 1;
  if (files.composite || position < 0 || position >= static_cast<int>(db.fields().size()) ||
      format::IsBlob(db.fields()[static_cast<std::size_t>(position)].type)) {
    return std::nullopt;
  }
  SecondaryIndex index;
  index.name = db.fields()[static_cast<std::size_t>(position)].name;
  index.fields = {position};
  index.descending = {false};
  index.maintained = db.type() == FileType::kKeyedData;
  index.number = files.number;
  index.files = files;
  return index;
}

// A key or index whose alpha fields this engine cannot order stops the repair.
void RequireOrderableForRepair(const format::Header& db, const std::vector<int>& fields, const std::string& path) {
  try {
    RequireOrderable(db, fields, path);
  } catch (const platform::EDBEngineError& e) {
    throw ERepairRefused(RefusalReason::kSortOrder, e.Message());
  }
}

// Whether the X file written for `index` names its fields so that they are found again:
// by number from level 5 on, by name before (where a damaged header may have lost them).
bool FoundAgain(const SecondaryIndex& index, const format::Header& db) {
  if (db.has_data_header()) return true;
  for (int p : index.fields) {
    if (FindField(db, db.fields()[static_cast<std::size_t>(p)].name) != p) return false;
  }
  return true;
}

}  // namespace

IndexPlan PlanIndexes(FamilyWrite& write, const Family& family, const format::Header& db) {
  IndexPlan plan;
  const bool keyed = db.type() == FileType::kKeyedData;
  if (keyed) {
    std::vector<int> key;
    for (int i = 0; i < db.key_fields(); ++i) key.push_back(i);
    RequireOrderableForRepair(db, key, family.db);
  }
  if (!family.px.empty()) {
    std::optional<format::Header> px = ReadableHeader(write, family.px);
    if (px) plan.headers.push_back(*px);
    plan.old_px = Keepable(px, db);
  }
  for (const SecondaryFiles& files : family.secondaries) {
    auto lose = [&] {
      for (const std::string* p : {&files.x, &files.y}) {
        if (p->empty()) continue;
        write.Hold(*p);
        plan.remove.push_back(*p);
      }
      plan.lost.push_back(files.x.empty() ? files.y : files.x);
    };
    if (files.x.empty()) {
      lose();
      continue;
    }
    std::optional<format::Header> x = ReadableHeader(write, files.x);
    std::optional<SecondaryIndex> index;
    if (x && FitsName(*x, files)) {
      try {
        index = IndexOfHeader(*x, db, files);
        index->old_x = Keepable(x, db);
        plan.headers.push_back(*x);
      } catch (const ECorruptFile&) {
        index.reset();
      }
    }
    if (!index && (index = IndexOfName(files, db))) plan.from_name.push_back(files.x);
    if (index && !FoundAgain(*index, db)) {
      if (!plan.from_name.empty() && plan.from_name.back() == files.x) plan.from_name.pop_back();
      index.reset();
    }
    if (!index) {
      lose();
      continue;
    }
    if (!files.y.empty()) {
      std::optional<format::Header> y = ReadableHeader(write, files.y);
      if (y) plan.headers.push_back(*y);
      index->old_y = Keepable(y, db);
    }
    RequireOrderableForRepair(db, index->fields, family.db);
    plan.indexes.push_back(std::move(*index));
  }
  return plan;
}

}  // namespace engine
