// The backup folder of a repair: a new folder beside the table, named after the time of
// the repair, that receives a byte copy of every member of the family as it was found,
// and the tables of the rows the repair set aside.
#ifndef HINMEI_ENGINE_REPAIR_FAMILY_BACKUP_H_
#define HINMEI_ENGINE_REPAIR_FAMILY_BACKUP_H_

#include <cstdint>
#include <string>
#include <vector>

#include "engine/family.h"
#include "engine/format/header.h"
#include "engine/write/family_write.h"
#include "platform/file_system.h"

namespace engine {

// The folder's name: "pdxtool-backup-" and `stamp` ("20260312-142501").
inline constexpr char kBackupPrefix[] = "pdxtool-backup-";

// Creates the folder (a name already taken gets "-2", "-3", ...) and copies into it,
// through the handles `write` holds, every member of `family`, flushing each copy and
// then the folder.
// Answers the folder's path; a copy that fails takes the folder away again.
std::string BackupFamily(platform::FileSystem& fs, FamilyWrite& write, const Family& family, const std::string& stamp);

// Writes the records `rows` (positions into `records`) as an unkeyed table `base`.DB of
// the structure `like` in `folder`; with blob fields, beside a byte copy of `mb` (when
// there is one) so that their descriptors still point at their data. Answers its path.
std::string WriteSetAsideTable(platform::FileSystem& fs, const std::string& folder, const std::string& base,
                               const format::Header& like, const std::vector<char>& records,
                               const std::vector<std::uint32_t>& rows, platform::File* mb);

}  // namespace engine

#endif  // HINMEI_ENGINE_REPAIR_FAMILY_BACKUP_H_
