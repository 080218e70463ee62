// `pdxtool repair TABLE [--borrow OTHER]`: repairs a damaged table family (the engine's
// family_repair.h) and reports what it did, a line a finding, then a one-line summary.
//
// Answers 0 when the family was repaired or needed nothing (it then passes the check),
// 1 when it cannot be repaired (nothing was changed) or still fails the check, 2 when
// another program holds the table.
#ifndef HINMEI_TOOLS_PDXTOOL_REPAIR_COMMAND_H_
#define HINMEI_TOOLS_PDXTOOL_REPAIR_COMMAND_H_

#include <ostream>
#include <string>

#include "platform/file_system.h"

namespace pdxtool {

// `stamp` names the backup folder: the local date and time, "YYYYMMDD-HHMMSS".
int RepairTable(platform::FileSystem& fs, const std::string& table, const std::string& borrow, const std::string& stamp,
                std::ostream& out);

// The local date and time as a backup folder's name takes it.
std::string BackupStamp();

}  // namespace pdxtool

#endif  // HINMEI_TOOLS_PDXTOOL_REPAIR_COMMAND_H_
