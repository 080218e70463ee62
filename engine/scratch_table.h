// A table under a temporary name in the folder of the table it is to replace, so that
// the replacement is built whole (copied, indexed) before one change moves it into
// place (ReplaceTableFamily): the table being replaced is never missing.
//
// While the object lives, its claim keeps sweeps off the scratch table's files. A process
// that stops leaves that claim behind, and the next open of a table in the folder removes
// the scratch table with it (pending_changes.h).
#ifndef HINMEI_ENGINE_SCRATCH_TABLE_H_
#define HINMEI_ENGINE_SCRATCH_TABLE_H_

#include <memory>
#include <string>

#include "platform/file_system.h"

namespace engine {

class ScratchTable {
 public:
  ScratchTable(platform::FileSystem& fs, const std::string& folder);
  ~ScratchTable();  // removes whatever of the scratch table is still there, and the claim
  ScratchTable(const ScratchTable&) = delete;
  ScratchTable& operator=(const ScratchTable&) = delete;

  // The .DB path of the scratch table, which does not exist yet.
  const std::string& db_path() const { return db_path_; }

 private:
  platform::FileSystem& fs_;
  std::string folder_;
  std::string token_;
  std::string db_path_;
  std::unique_ptr<platform::File> claim_;
};

}  // namespace engine

#endif  // HINMEI_ENGINE_SCRATCH_TABLE_H_
