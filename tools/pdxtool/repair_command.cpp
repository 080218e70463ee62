#include "tools/pdxtool/repair_command.h"

#include <ctime>

#include "engine/family.h"
#include "engine/format/field_codec.h"
#include "engine/index/collation.h"
#include "engine/repair/family_repair.h"
#include "tools/pdxtool/report_texts.h"
#include "tools/pdxtool/value_text.h"

namespace pdxtool {
namespace {

// "FIELD=value" of the key fields of a keyed table's record; empty for an unkeyed one.
std::string KeyText(const engine::format::Header& h, const std::string& record) {
  const bool cp932 = engine::CollationOf(h).dbcs;
  std::string text;
  for (int i = 0; i < h.key_fields() && h.type() == engine::format::FileType::kKeyedData; ++i) {
    const engine::format::FieldDescriptor& f = h.fields()[static_cast<std::size_t>(i)];
    engine::FieldValue value = engine::format::DecodeField(f, record.data() + f.offset);
    text += (text.empty() ? "" : ", ") + DisplayText(f.name, cp932) + "=" + DisplayValue(f, value, cp932);
  }
  return text;
}

void ReportWhatWasDone(const engine::RepairResult& r, const engine::format::Header& h, std::ostream& out) {
  if (!r.borrowed_from.empty()) out << texts::BorrowedHeader(Utf8(r.borrowed_from));
  out << texts::BackupMade(Utf8(r.backup_folder));
  if (r.recovered_from_cut_off > 0) out << texts::RecoveredFromCutOff(r.recovered_from_cut_off);
  for (int block : r.lost_blocks) out << texts::LostBlock(block);
  if (r.cut_short > 0) out << texts::CutShort(r.cut_short);
  if (r.free_blocks > 0) out << texts::FreeBlocksSkipped(r.free_blocks);
  if (r.duplicate_rows > 0) out << texts::DuplicatesSetAside(r.duplicate_rows, Utf8(r.duplicates_table));
  if (r.unreadable_rows > 0) out << texts::UnreadableSetAside(r.unreadable_rows, Utf8(r.unreadable_table));
  const bool cp932 = engine::CollationOf(h).dbcs;
  for (std::size_t i = 0; i < r.blanked_blobs.size(); ++i) {
    const engine::BlankedBlob& b = r.blanked_blobs[i];
    out << texts::BlobBlanked(b.row + 1, KeyText(h, r.key_of_blanked[i]),
                              DisplayText(h.fields()[static_cast<std::size_t>(b.field)].name, cp932));
  }
  if (r.memo_header_mended) out << texts::MemoHeaderMended();
  std::string files;
  for (const std::string& f : r.rebuilt) files += (files.empty() ? "" : ", ") + Utf8(f);
  if (!files.empty()) out << texts::IndexesRebuilt(files);
  for (const std::string& f : r.from_name) out << texts::DefinedByName(Utf8(f));
  for (const std::string& f : r.lost_indexes) out << texts::IndexLost(Utf8(f));
  if (r.leftover_primary_removed) out << texts::LeftoverPrimaryRemoved();
}

}  // namespace

std::string BackupStamp() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &now);
#else
  localtime_r(&now, &local);
#endif
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
  return stamp;
}

int RepairTable(platform::FileSystem& fs, const std::string& table, const std::string& borrow, const std::string& stamp,
                std::ostream& out) {
  const std::string path = engine::TablePath(table);
  const std::string shown = Utf8(path);
  engine::RepairResult r = engine::RepairFamily(fs, path, engine::RepairOptions{borrow, stamp});
  if (!r.repaired) {
    out << texts::NothingToRepair(shown);
    return 0;
  }
  out << texts::ProblemsFound(shown, r.before.problems.size());
  for (const std::string& problem : r.before.problems) out << "  " << texts::ProblemLine(Utf8(problem));
  ReportWhatWasDone(r, r.header, out);
  if (!r.after.ok()) {
    for (const std::string& problem : r.after.problems) out << texts::ProblemLine(Utf8(problem));
    out << texts::StillFails();
    return 1;
  }
  out << texts::RepairSummary(r.rows_kept, r.recovered_from_cut_off, r.duplicate_rows + r.unreadable_rows,
                              r.blanked_blobs.size(), r.indexes_rebuilt);
  return 0;
}

}  // namespace pdxtool
