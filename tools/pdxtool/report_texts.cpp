#include "tools/pdxtool/report_texts.h"

namespace pdxtool::texts {
namespace {

using K = engine::FindingKind;

constexpr char kDetailIndent[] = "      ";

std::string Plural(std::size_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

}  // namespace

std::string ProblemLine(const std::string& finding) { return "FAIL: " + finding + "\n"; }
std::string NoteLine(const std::string& finding) { return "note: " + finding + "\n"; }

std::string ConsequenceLine(K kind) {
  const char* what = "";
  switch (kind) {
    case K::kTableUnreadable:
      what = "reports the table as damaged and does not open it";
      break;
    case K::kHeaderUnreadable:
      what = "does not open the table: the header that describes its fields is damaged";
      break;
    case K::kRowsOutOfOrder:
      what = "misses rows when it looks them up by key, and may report the table as damaged";
      break;
    case K::kRecordValues:
      what = "shows wrong values in that row, or fails on it";
      break;
    case K::kPrimaryIndex:
      what = "reports \"Index is out of date\" and does not open the table";
      break;
    case K::kSecondaryIndex:
      what = "reports \"Index is out of date\" when it uses this index";
      break;
    case K::kIndexZeroed:
      what = "reports the index as damaged: its data never reached the disk (as after a power cut)";
      break;
    case K::kTreeWithoutData:
      what = "reports the index as damaged when it opens the table's indexes";
      break;
    case K::kBlobs:
      what = "reports \"Blob has been modified\" when it reads that memo";
      break;
    case K::kMemoFileMissing:
      what = "cannot read the memos and blobs that rows keep in the missing .MB";
      break;
    case K::kRebuildFlag:
      what = "demands that the table be rebuilt before it uses it";
      break;
    default:
      what = "accepts it";
      break;
  }
  return std::string(kDetailIndent) + "the application " + what + "\n";
}

std::string Remedy(K kind, const std::string& table) {
  switch (kind) {
    case K::kHeaderUnreadable:
      return "pdxtool repair " + Quoted(table) + " --borrow OTHER.DB  (OTHER.DB: a table of the same structure, such as "
             "the install medium's copy)";
    case K::kMemoFileMissing:
      return "put the table's .MB back from where the table came from; or pdxtool repair " + Quoted(table) +
             ", which blanks those fields";
    default:
      return "pdxtool repair " + Quoted(table);
  }
}

std::string RemedyLine(K kind, const std::string& table) {
  return std::string(kDetailIndent) + "run: " + Remedy(kind, table) + "\n";
}

std::string CheckSummary(const std::string& table, bool ok, std::size_t problems, std::size_t notes) {
  return table + ": " + (ok ? "OK" : "FAILED") + " (" + std::to_string(problems) + " problems, " +
         std::to_string(notes) + " notes)\n";
}

std::string FamilyOk(const std::string& table) { return "OK      " + table + "\n"; }

std::string FamilyWithNotes(const std::string& table, std::size_t notes) {
  return "NOTES   " + table + " (" + Plural(notes, "note", "notes") + ")\n";
}

std::string FamilyFailed(const std::string& table, const std::string& first_problem, std::size_t more,
                         const std::string& remedy) {
  std::string line = "FAILED  " + table + ": " + first_problem;
  if (more > 0) line += " (and " + Plural(more, "more problem", "more problems") + ")";
  return line + "\n" + kDetailIndent + "run: " + remedy + "\n";
}

std::string SkippedBackup(const std::string& folder) {
  return "skipped " + folder + ": a repair's backup of damaged tables\n";
}

std::string FolderSummary(std::size_t ok, std::size_t with_notes, std::size_t failed) {
  return "families: " + std::to_string(ok) + " OK, " + std::to_string(with_notes) + " with notes, " +
         std::to_string(failed) + " failed\n";
}

std::string SortOrderHeading() { return "sort orders and code pages:\n"; }

std::string SortOrderLine(const std::string& sort_order, unsigned code_page, std::size_t families) {
  return "  '" + sort_order + "', code page " + std::to_string(code_page) + ": " +
         Plural(families, "family", "families") + "\n";
}

std::string CollationHeading(std::size_t files) {
  if (files == 0) return "collation: every index checked is in the order of this engine's collation\n";
  return "collation: " + Plural(files, "file is", "files are") +
         " not in the order of this engine's collation (CP932 text ordered otherwise by the engine that wrote it):\n";
}

std::string CollationLine(const std::string& table, const std::string& finding) {
  return "  " + table + ": " + finding + "\n";
}

std::string NoTables(const std::string& folder) { return folder + ": no table (.DB) found\n"; }

std::string NothingToRepair(const std::string& table) {
  return table + ": the family passes the check; nothing to repair\n";
}

std::string ProblemsFound(const std::string& table, std::size_t problems) {
  return table + ": the check finds " + Plural(problems, "problem", "problems") + ":\n";
}

std::string BorrowedHeader(const std::string& other) {
  return "header: rebuilt from the structure of " + other + "\n";
}

std::string BackupMade(const std::string& folder) { return "backup of the family as found: " + folder + "\n"; }

std::string RecoveredFromCutOff(std::size_t rows) {
  return "recovered " + Plural(rows, "row", "rows") + " from blocks cut off from the block chain\n";
}

std::string LostBlock(int block) {
  return "lost: the rows of block " + std::to_string(block) + ", whose bytes are garbage or zeros\n";
}

std::string CutShort(std::size_t records) {
  return "lost: " + Plural(records, "row", "rows") + " past the end of the file, which was cut short\n";
}

std::string FreeBlocksSkipped(int blocks) {
  return "not read: " + Plural(static_cast<std::size_t>(blocks), "block", "blocks") +
         " on the free list (rows deleted before)\n";
}

std::string DuplicatesSetAside(std::size_t rows, const std::string& table) {
  return "set aside: " + Plural(rows, "row", "rows") + " whose key an earlier row has, into " + table + "\n";
}

std::string UnreadableSetAside(std::size_t rows, const std::string& table) {
  return "set aside: " + Plural(rows, "record", "records") + " whose fields hold no value of their type, into " +
         table + "\n";
}

std::string BlobBlanked(std::size_t row, const std::string& key, const std::string& field) {
  return "blanked: field '" + field + "' of row " + std::to_string(row) + (key.empty() ? "" : " (" + key + ")") +
         ": its data in the .MB cannot be read\n";
}

std::string MemoHeaderMended() { return "mended: the header of the .MB file\n"; }

std::string IndexesRebuilt(const std::string& files) { return "rebuilt: " + files + "\n"; }

std::string DefinedByName(const std::string& file) {
  return "rebuilt " + file + " from its name alone: its header was damaged\n";
}

std::string IndexLost(const std::string& file) {
  return "removed: " + file + ", whose index cannot be rebuilt (its definition is lost): build it again with "
         "pdxtool index\n";
}

std::string LeftoverPrimaryRemoved() { return "removed: the .PX of the table without a key\n"; }

std::string StillFails() { return "the repaired family still fails the check\n"; }

std::string RepairRefused(engine::RefusalReason reason, const std::string& table) {
  std::string what;
  switch (reason) {
    case engine::RefusalReason::kNoSuchTable:
      what = "there is no such table";
      break;
    case engine::RefusalReason::kHeaderUnreadable:
      what = "the header that describes the table's fields is damaged beyond reading: run pdxtool repair " +
             Quoted(table) + " --borrow OTHER.DB, OTHER.DB a table of the same structure, such as the install "
             "medium's copy of this table";
      break;
    case engine::RefusalReason::kBorrowDoesNotFit:
      what = "the table to borrow from is of another structure: borrow from a copy of this same table, such as the "
             "install medium's";
      break;
    case engine::RefusalReason::kSortOrder:
      what = "this engine cannot order the table's key or index in the table's sort order";
      break;
  }
  return "cannot repair " + table + ": " + what + "\nnothing was changed\n";
}

std::string RepairStopped(const std::string& backup_folder) {
  return "the repair stopped: the family is as it was, or as the next opening of a table in its folder completes "
         "the repair; the copy of the family as found stays in " +
         backup_folder + "\n";
}

std::string RepairSummary(std::size_t kept, std::size_t recovered, std::size_t set_aside, std::size_t blanked,
                          std::size_t indexes) {
  return "repaired: " + Plural(kept, "record", "records") + " kept, " + std::to_string(recovered) +
         " recovered from cut-off blocks, " + std::to_string(set_aside) + " set aside, " +
         Plural(blanked, "blob", "blobs") + " blanked, " + Plural(indexes, "index", "indexes") + " rebuilt\n";
}

}  // namespace pdxtool::texts
