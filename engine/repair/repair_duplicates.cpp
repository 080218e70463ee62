#include "engine/repair/repair_duplicates.h"

#include <algorithm>
#include <cstring>
#include <set>
#include <string>

#include "engine/index/x_records.h"

namespace engine {

KeptRows KeepFirstOfEachKey(const format::Header& db, const std::vector<char>& records,
                            const std::vector<std::uint32_t>& rows, const std::vector<SecondaryIndex>& indexes) {
  const auto rs = static_cast<std::size_t>(db.record_size());
  auto record = [&](std::uint32_t i) { return records.data() + i * rs; };
  const bool keyed = db.type() == format::FileType::kKeyedData;
  const int key_fields = keyed ? db.key_fields() : 0;
  KeptRows out;
  if (keyed) {
    const auto ks = static_cast<std::size_t>(db.key_size());
    std::vector<std::uint32_t> order = rows;
    std::stable_sort(order.begin(), order.end(),
                     [&](std::uint32_t a, std::uint32_t b) { return std::memcmp(record(a), record(b), ks) < 0; });
    for (std::uint32_t i : order) {
      if (!out.kept.empty() && std::memcmp(record(out.kept.back()), record(i), ks) == 0) {
        out.duplicates.push_back(i);
      } else {
        out.kept.push_back(i);
      }
    }
  } else {
    out.kept = rows;
  }
  // A unique index holds each value of its fields (as the index stores them: folded,
  // where it ignores case) once.
  for (const SecondaryIndex& index : indexes) {
    if (!index.unique) continue;
    const XLayout layout = LayoutOf(index, db, key_fields);
    const XRecordMaker maker(index, layout, db, key_fields);
    std::string x(static_cast<std::size_t>(layout.record_size), '\0');
    std::set<std::string> seen;
    std::vector<std::uint32_t> still;
    for (std::uint32_t i : out.kept) {
      maker.Make(record(i), 1, 0, 0, x.data());
      if (seen.insert(x.substr(0, static_cast<std::size_t>(layout.indexed_size))).second) {
        still.push_back(i);
      } else {
        out.duplicates.push_back(i);
      }
    }
    out.kept = std::move(still);
  }
  std::sort(out.duplicates.begin(), out.duplicates.end());
  return out;
}

}  // namespace engine
