#include "engine/repair/family_repair.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "engine/check/record_check.h"
#include "engine/errors.h"
#include "engine/family.h"
#include "engine/format/blob.h"
#include "engine/format/bytes.h"
#include "engine/format/field_codec.h"
#include "engine/read/table_file.h"
#include "engine/repair/family_backup.h"
#include "engine/repair/header_borrow.h"
#include "engine/repair/repair_duplicates.h"
#include "engine/repair/repair_indexes.h"
#include "engine/repair/salvage_read.h"
#include "engine/write/family_rewrite.h"
#include "engine/write/family_write.h"
#include "engine/write/pending_changes.h"

namespace engine {
namespace {

using format::FileType;
using format::Header;
namespace off = format::off;

[[noreturn]] void Refuse(RefusalReason reason, const std::string& why, const std::string& path) {
  throw ERepairRefused(reason, EngineMessage(why, path));
}

// The table's own header, or nothing when it is damaged beyond reading.
std::optional<Header> OwnHeader(platform::File& file, const std::string& path) {
  try {
    Header h = ReadHeader(file, path);
    if (h.type() == FileType::kKeyedData || h.type() == FileType::kUnkeyedData) return h;
  } catch (const ECorruptFile&) {
  }
  return std::nullopt;
}

class Repair {
 public:
  Repair(platform::FileSystem& fs, const std::string& path, const RepairOptions& options, RepairResult& result)
      : fs_(fs), options_(options), result_(result), write_(fs), family_(FindFamily(fs, path)) {}

  void Run() {
    for (const std::string& member : family_.Members()) write_.Hold(member);
    platform::File& db_file = write_.Hold(family_.db);
    Header header = TableHeader(db_file);
    Salvage salvage = SalvageRecords(db_file, header, family_.db);
    if (!result_.borrowed_from.empty() && salvage.count == 0 && salvage.written_blocks > 0) {
      Refuse(RefusalReason::kBorrowDoesNotFit, "The table's blocks do not fit the structure of this table.",
             result_.borrowed_from);
    }
    IndexPlan plan = PlanIndexes(write_, family_, header);
    const bool keyed = header.type() == FileType::kKeyedData;

    std::vector<std::uint32_t> readable, unreadable;
    for (std::uint32_t i = 0; i < salvage.count; ++i) {
      (FirstUnreadableField(header, salvage.record(i, header.record_size())) < 0 ? readable : unreadable).push_back(i);
    }
    KeptRows rows_kept = KeepFirstOfEachKey(header, salvage.records, readable, plan.indexes);
    const std::vector<std::uint32_t>& kept = rows_kept.kept;
    const std::vector<std::uint32_t>& duplicates = rows_kept.duplicates;
    platform::File* mb = family_.mb.empty() ? nullptr : &write_.Hold(family_.mb);
    const std::string mb_path = family_.mb.empty() ? family_.Path("MB") : family_.mb;
    result_.blanked_blobs = BlankUnreadableBlobs(header, salvage.records, kept, mb, mb_path);
    std::optional<std::string> memo_header;
    if (mb) memo_header = MendedMemoHeader(*mb, mb_path, LatestBlobMod(header, salvage, kept));

    PrepareHeader(header, salvage, kept);
    MemberFile rows = MemberFile::Empty(header, family_.db);
    for (std::uint32_t k : kept) rows.AddRecord(salvage.record(k, header.record_size()));

    result_.backup_folder = BackupFamily(fs_, write_, family_, options_.backup_stamp);
    try {
      if (!duplicates.empty()) {
        result_.duplicates_table = WriteSetAsideTable(fs_, result_.backup_folder, family_.base + "-duplicates", header,
                                                      salvage.records, duplicates, mb);
      }
      if (!unreadable.empty()) {
        result_.unreadable_table = WriteSetAsideTable(fs_, result_.backup_folder, family_.base + "-unreadable", header,
                                                      salvage.records, unreadable, mb);
      }
      if (memo_header) WriteMendedMemo(*mb, mb_path, *memo_header);
      Rewrite r;
      r.family = &family_;
      r.rows = &rows;
      r.key_fields = keyed ? header.key_fields() : 0;
      r.indexes = plan.indexes;
      r.remove = plan.remove;
      if (!keyed && !family_.px.empty()) r.remove.push_back(family_.px);
      r.old_px = plan.old_px;
      plan.headers.push_back(header);
      r.next_sequence = NextSequence(plan.headers);
      RewriteFamily(write_, r);
    } catch (const platform::Exception& e) {
      throw ERepairStopped(e.Message(), result_.backup_folder);
    }

    result_.repaired = true;
    result_.rows_kept = kept.size();
    result_.recovered_from_cut_off = salvage.from_cut_off;
    result_.lost_blocks = salvage.garbage_blocks;
    result_.free_blocks = salvage.free_blocks;
    result_.cut_short = salvage.cut_short;
    result_.duplicate_rows = duplicates.size();
    result_.unreadable_rows = unreadable.size();
    result_.memo_header_mended = memo_header.has_value();
    for (const BlankedBlob& b : result_.blanked_blobs) {
      result_.key_of_blanked.emplace_back(rows.record(b.row), static_cast<std::size_t>(header.record_size()));
    }
    NameIndexFiles(plan, keyed);
    result_.indexes_rebuilt = plan.indexes.size() + (keyed ? 1 : 0);
    result_.header = rows.header();
    result_.leftover_primary_removed = !keyed && !family_.px.empty();
  }

 private:
  Header TableHeader(platform::File& db_file) {
    if (std::optional<Header> own = OwnHeader(db_file, family_.db)) return *own;
    if (options_.borrow.empty()) {
      Refuse(RefusalReason::kHeaderUnreadable, "The table's header is damaged beyond reading.", family_.db);
    }
    result_.borrowed_from = TablePath(options_.borrow);
    return BorrowHeader(fs_, options_.borrow, write_, family_);
  }

  // The highest modification number of the blobs the kept rows keep in the .MB.
  static std::uint16_t LatestBlobMod(const Header& h, const Salvage& salvage, const std::vector<std::uint32_t>& kept) {
    std::uint16_t mod = 1;
    for (std::uint32_t k : kept) {
      for (const format::FieldDescriptor& f : h.fields()) {
        if (!format::IsBlob(f.type)) continue;
        format::BlobRef ref = format::ReadBlobRef(f, salvage.record(k, h.record_size()) + f.offset);
        if (ref.length != 0 && !ref.in_leader()) mod = std::max(mod, ref.mod);
      }
    }
    return mod;
  }

  // Rebuild flags cleared; an autoincrement counter below a kept row's value raised, so
  // that the next row appended gets a number no row has.
  static void PrepareHeader(Header& h, const Salvage& salvage, const std::vector<std::uint32_t>& kept) {
    h.ClearRebuildFlags();
    for (const format::FieldDescriptor& f : h.fields()) {
      if (f.type != format::FieldType::kAutoIncrement) continue;
      for (std::uint32_t k : kept) {
        const char* data = salvage.record(k, h.record_size()) + f.offset;
        if (format::IsBlank(data, f.size)) continue;
        auto value = static_cast<std::int32_t>(format::GetBe32(data) ^ 0x80000000u);
        if (value > 0 && static_cast<std::uint32_t>(value) > h.U32(off::kAutoInc)) h.SetU32(off::kAutoInc, static_cast<std::uint32_t>(value));
      }
    }
  }

  void WriteMendedMemo(platform::File& mb, const std::string& mb_path, const std::string& header_unit) {
    platform::File& out = write_.Create(mb_path);
    TranslateFileErrors(mb_path, [&] {
      out.WriteAt(0, header_unit.data(), header_unit.size());
      std::vector<char> buffer(1 << 20);
      const std::uint64_t size = mb.Size();
      for (std::uint64_t at = header_unit.size(); at < size;) {
        std::size_t got = mb.ReadAt(at, buffer.data(), buffer.size());
        if (got == 0) break;
        out.WriteAt(at, buffer.data(), got);
        at += got;
      }
    });
  }

  void NameIndexFiles(const IndexPlan& plan, bool keyed) {
    if (keyed) result_.rebuilt.push_back(NameOf(family_.px.empty() ? family_.Path("PX") : family_.px));
    for (const SecondaryIndex& index : plan.indexes) {
      for (bool tree : {false, true}) {
        const std::string& existing = tree ? index.files.y : index.files.x;
        result_.rebuilt.push_back(existing.empty() ? family_.base + "." + SecondaryExtension(index.composite, index.number, tree)
                                                   : NameOf(existing));
      }
    }
    for (const std::string& x : plan.from_name) result_.from_name.push_back(NameOf(x));
    for (const std::string& lost : plan.lost) result_.lost_indexes.push_back(NameOf(lost));
  }

  platform::FileSystem& fs_;
  const RepairOptions& options_;
  RepairResult& result_;
  FamilyWrite write_;
  Family family_;
};

}  // namespace

RepairResult RepairFamily(platform::FileSystem& fs, const std::string& db_path, const RepairOptions& options) {
  const std::string path = TablePath(db_path);
  // A change a stopped process left unfinished in the folder is finished first.
  if (!OpenFamily(fs, path).exists()) Refuse(RefusalReason::kNoSuchTable, "Table does not exist.", path);
  RequireFamilyFree(fs, path);
  RepairResult result;
  result.before = CheckFamily(fs, path);
  if (result.before.ok()) return result;
  Repair(fs, path, options, result).Run();
  // The new family is in place: a check that cannot run says so, and changes nothing.
  try {
    result.after = CheckFamily(fs, path);
  } catch (const platform::EDBEngineError& e) {
    result.after.AddProblem(FindingKind::kTableUnreadable, path, e.Message().substr(0, e.Message().find("\r\n")));
  }
  return result;
}

}  // namespace engine
