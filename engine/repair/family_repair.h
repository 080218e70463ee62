// Repairing a damaged table family: every readable record is kept, the family is written
// anew through the engine's one commit path, and what it was is kept beside it.
//
// The family is held for the whole repair, so that a table another program holds is
// refused ("in use") before anything is read or written. A family that passes the check
// is left alone. Otherwise its records are salvaged (salvage_read.h); records whose
// fields hold no value of their type, and every row after the first of its key in table
// order (repair_duplicates.h), are set aside; blob fields whose data cannot be read are
// blanked (blob_salvage.h). A header damaged beyond reading is borrowed from a table of
// the same structure (header_borrow.h); without one, the repair stops. Every index the
// family declared is written anew as far as its definition survives (repair_indexes.h).
// Before the new family is swapped in, the old one is copied into a backup folder beside
// it, with the set-aside rows as tables of their own (family_backup.h). A repair refused
// changes nothing; one that fails on the way leaves the family as it was, or as the
// next open finishes it, and keeps the backup folder.
#ifndef HINMEI_ENGINE_REPAIR_FAMILY_REPAIR_H_
#define HINMEI_ENGINE_REPAIR_FAMILY_REPAIR_H_

#include <cstddef>
#include <string>
#include <vector>

#include "engine/check/family_check.h"
#include "engine/format/header.h"
#include "engine/repair/blob_salvage.h"
#include "engine/repair/repair_refusal.h"
#include "platform/file_system.h"

namespace engine {

struct RepairOptions {
  std::string borrow;        // .DB of a table of the same structure, or empty
  std::string backup_stamp;  // the date and time the backup folder is named after
};

struct RepairResult {
  bool repaired = false;  // false: the family passed the check and was left alone
  CheckReport before;     // what the check found
  std::string backup_folder;
  std::string borrowed_from;  // the .DB whose header was borrowed, if any

  std::size_t rows_kept = 0;
  std::size_t recovered_from_cut_off = 0;
  std::vector<int> lost_blocks;  // blocks whose head was garbage or only zeros
  int free_blocks = 0;           // blocks on the free list (deleted rows), not read
  std::size_t cut_short = 0;     // records past the end of a file cut short

  std::size_t duplicate_rows = 0;   // rows whose key (or unique index value) an earlier row has
  std::size_t unreadable_rows = 0;  // records whose fields hold no value of their type
  std::string duplicates_table;     // the tables they were set aside into
  std::string unreadable_table;

  std::vector<BlankedBlob> blanked_blobs;  // rows: positions in the repaired table
  std::vector<std::string> key_of_blanked;  // the record bytes of those rows, after blanking
  bool memo_header_mended = false;

  std::size_t indexes_rebuilt = 0;     // the .PX and every secondary index
  std::vector<std::string> rebuilt;    // names of the index files written
  std::vector<std::string> from_name;  // of them, .Xnn files defined by their name alone
  std::vector<std::string> lost_indexes;  // index files that could not be rebuilt, removed
  bool leftover_primary_removed = false;

  format::Header header;  // the repaired table's
  CheckReport after;      // the check of the repaired family
};

// Throws ETableInUse when another program holds a member and ERepairRefused when the
// family cannot be repaired, with nothing changed; ERepairStopped when a file operation
// fails once the backup folder is made; other engine errors when one fails before.
RepairResult RepairFamily(platform::FileSystem& fs, const std::string& db_path, const RepairOptions& options);

}  // namespace engine

#endif  // HINMEI_ENGINE_REPAIR_FAMILY_REPAIR_H_
