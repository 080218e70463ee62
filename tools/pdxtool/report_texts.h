// Every text `pdxtool check` and `pdxtool repair` write, in one place, so that they can be
// put into another language at once. Texts are UTF-8; the names and paths they take are
// UTF-8 already. The details of findings are the engine's own sentences.
#ifndef HINMEI_TOOLS_PDXTOOL_REPORT_TEXTS_H_
#define HINMEI_TOOLS_PDXTOOL_REPORT_TEXTS_H_

#include <cstddef>
#include <string>

#include "engine/check/family_check.h"
#include "engine/repair/repair_refusal.h"

namespace pdxtool::texts {

// One table's check.
std::string ProblemLine(const std::string& finding);
std::string NoteLine(const std::string& finding);
// What the application does with a problem of this kind, and what mends it, as the two
// lines that follow its FAIL line.
std::string ConsequenceLine(engine::FindingKind kind);
std::string RemedyLine(engine::FindingKind kind, const std::string& table);
std::string Remedy(engine::FindingKind kind, const std::string& table);
std::string CheckSummary(const std::string& table, bool ok, std::size_t problems, std::size_t notes);

// A folder's check: one line a family, then the summary.
std::string FamilyOk(const std::string& table);
std::string FamilyWithNotes(const std::string& table, std::size_t notes);
std::string FamilyFailed(const std::string& table, const std::string& first_problem, std::size_t more,
                         const std::string& remedy);
std::string SkippedBackup(const std::string& folder);
std::string FolderSummary(std::size_t ok, std::size_t with_notes, std::size_t failed);
std::string SortOrderHeading();
std::string SortOrderLine(const std::string& sort_order, unsigned code_page, std::size_t families);
std::string CollationHeading(std::size_t files);
std::string CollationLine(const std::string& table, const std::string& finding);
std::string NoTables(const std::string& folder);

// A repair.
std::string NothingToRepair(const std::string& table);
std::string ProblemsFound(const std::string& table, std::size_t problems);
std::string BorrowedHeader(const std::string& other);
std::string BackupMade(const std::string& folder);
std::string RecoveredFromCutOff(std::size_t rows);
std::string LostBlock(int block);
std::string CutShort(std::size_t records);
std::string FreeBlocksSkipped(int blocks);
std::string DuplicatesSetAside(std::size_t rows, const std::string& table);
std::string UnreadableSetAside(std::size_t rows, const std::string& table);
std::string BlobBlanked(std::size_t row, const std::string& key, const std::string& field);
std::string MemoHeaderMended();
std::string IndexesRebuilt(const std::string& files);
std::string DefinedByName(const std::string& file);
std::string IndexLost(const std::string& file);
std::string LeftoverPrimaryRemoved();
std::string StillFails();
// Why the repair could not be done, what mends that, and that nothing was changed.
std::string RepairRefused(engine::RefusalReason reason, const std::string& table);
// The repair stopped on a failure once the family was copied into its backup folder.
std::string RepairStopped(const std::string& backup_folder);
std::string RepairSummary(std::size_t kept, std::size_t recovered, std::size_t set_aside, std::size_t blanked,
                          std::size_t indexes);

}  // namespace pdxtool::texts

#endif  // HINMEI_TOOLS_PDXTOOL_REPORT_TEXTS_H_
