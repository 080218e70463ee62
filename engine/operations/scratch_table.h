// A table under a temporary name in the folder of the table it is to replace, so that
// the replacement is built whole (copied, indexed) before one change moves it into
// place: the table being replaced is never missing, never without its indexes, and the
// disk writes the copy while its indexes are built.
//
// While the object lives, its claim keeps sweeps off the scratch table's files. A process
// that stops leaves that claim behind, and the next open of a table in the folder removes
// the scratch table with it (pending_changes.h).
#ifndef HINMEI_ENGINE_OPERATIONS_SCRATCH_TABLE_H_
#define HINMEI_ENGINE_OPERATIONS_SCRATCH_TABLE_H_

#include <memory>
#include <string>

#include "engine/table_files.h"
#include "platform/exceptions.h"
#include "platform/file_system.h"

namespace engine {

class ScratchTable {
 public:
  // A scratch table beside `target`, the .DB path of the table it is to replace.
  ScratchTable(platform::FileSystem& fs, const std::string& target);
  ~ScratchTable();  // removes whatever of the scratch table is still there, and the claim
  ScratchTable(const ScratchTable&) = delete;
  ScratchTable& operator=(const ScratchTable&) = delete;

  // The .DB path of the scratch table, which does not exist until something is copied in.
  const std::string& db_path() const { return db_path_; }

  // Copies `source` in as the scratch table's member with `extension` ("DB", "MB"), with
  // archive marks only. False, with nothing copied, when there is no source.
  bool CopyIn(const std::string& source, const std::string& extension);

  // Moves the scratch table's family over the target's in one change (MoveTableFamily).
  void MoveIntoPlace(TableFiles files = TableFiles::kInUse);

  // Runs `action` on the scratch table; a failure it raises names the target's files, the
  // names the user knows, instead of the scratch table's.
  template <typename Action>
  void AsTarget(Action&& action) {
    try {
      action();
    } catch (const platform::Exception& e) {
      ThrowAsTarget(e);
    }
  }

 private:
  [[noreturn]] void ThrowAsTarget(const platform::Exception& e) const;
  std::string TargetNamed(const std::string& text) const;

  platform::FileSystem& fs_;
  std::string target_;
  std::string folder_;
  std::string token_;
  std::string db_path_;
  std::unique_ptr<platform::File> claim_;
};

}  // namespace engine

#endif  // HINMEI_ENGINE_OPERATIONS_SCRATCH_TABLE_H_
