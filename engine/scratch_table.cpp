#include "engine/scratch_table.h"

#include <set>

#include "engine/errors.h"
#include "engine/family.h"
#include "engine/pending_changes.h"
#include "engine/temporary_names.h"

namespace engine {

ScratchTable::ScratchTable(platform::FileSystem& fs, const std::string& folder)
    : fs_(fs), folder_(folder), token_(NewToken()), db_path_(JoinFolder(folder, ScratchTableName(token_))) {
  FinishPendingChanges(fs_, folder_);
  const std::string claim = JoinFolder(folder_, ClaimName(token_));
  claim_ = TranslateFileErrors(claim, [&] {
    return fs_.Open(claim, platform::Access::kReadWrite, platform::Share::kExclusive,
                    platform::Disposition::kCreateNew);
  });
}

ScratchTable::~ScratchTable() {
  try {
    // A move of the scratch table over its target that stopped half-way still needs the
    // files it has not moved yet: they stay, claimed, for the next open to move.
    std::set<std::string> needed;
    for (const PendingChange& change : FindPendingChanges(fs_, folder_)) {
      for (const IntentStep& step : change.steps) needed.insert(FoldName(step.from));
    }
    for (const std::string& name : fs_.ListFolder(folder_)) {
      if (TokenOf(name) != TokenOf(ScratchTableName(token_)) || IsClaimName(name)) continue;
      if (needed.count(FoldName(name)) == 0) fs_.RemoveFile(JoinFolder(folder_, name));
    }
    claim_.reset();
    for (const std::string& name : fs_.ListFolder(folder_)) {
      if (TokenOf(name) == TokenOf(ScratchTableName(token_)) && !IsClaimName(name)) return;
    }
    fs_.RemoveFile(JoinFolder(folder_, ClaimName(token_)));
  } catch (const platform::EInOutError&) {
    // What stays is claimed by a record nobody holds any more: the next open in the
    // folder removes it.
  }
}

}  // namespace engine
