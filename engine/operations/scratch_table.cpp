#include "engine/operations/scratch_table.h"

#include <set>

#include "engine/errors.h"
#include "engine/family.h"
#include "engine/operations/table_operations.h"
#include "engine/write/file_copy.h"
#include "engine/write/pending_changes.h"
#include "engine/write/temporary_names.h"

namespace engine {

ScratchTable::ScratchTable(platform::FileSystem& fs, const std::string& target)
    : fs_(fs),
      target_(TablePath(target)),
      folder_(FolderOf(target_)),
      token_(NewToken()),
      db_path_(JoinFolder(folder_, ScratchTableName(token_))) {
  FinishPendingChanges(fs_, folder_);
  const std::string claim = JoinFolder(folder_, ClaimName(token_));
  claim_ = TranslateFileErrors(target_, [&] {
    try {
      return fs_.Open(claim, platform::Access::kReadWrite, platform::Share::kExclusive,
                      platform::Disposition::kCreateNew);
    } catch (const platform::EInOutError& e) {
      throw platform::EInOutError(e.ErrorCode(), target_);
    }
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

bool ScratchTable::CopyIn(const std::string& source, const std::string& extension) {
  const std::string member = db_path_.substr(0, db_path_.rfind('.') + 1) + extension;
  bool copied = false;
  AsTarget([&] { copied = TranslateFileErrors(member, [&] { return CopyStartingFlush(fs_, source, member); }); });
  return copied;
}

void ScratchTable::MoveIntoPlace(TableFiles files) {
  AsTarget([&] { MoveTableFamily(fs_, db_path_, target_, files); });
}

// The scratch table's members are "~hm<token>.<extension>": each becomes the target's
// member of that extension.
std::string ScratchTable::TargetNamed(const std::string& text) const {
  const std::string scratch_stem = NameOf(db_path_.substr(0, db_path_.rfind('.') + 1));
  const std::string target_stem = NameOf(target_.substr(0, target_.rfind('.') + 1));
  std::string named = text;
  for (std::size_t at = 0; (at = FoldName(named).find(FoldName(scratch_stem), at)) != std::string::npos;) {
    named.replace(at, scratch_stem.size(), target_stem);
    at += target_stem.size();
  }
  return named;
}

void ScratchTable::ThrowAsTarget(const platform::Exception& e) const {
  if (auto* io = dynamic_cast<const platform::EInOutError*>(&e)) {
    throw platform::EInOutError(io->ErrorCode(), TargetNamed(io->Path()));
  }
  const std::string message = TargetNamed(e.Message());
  if (dynamic_cast<const ECorruptFile*>(&e)) throw ECorruptFile(message);
  if (dynamic_cast<const ETableInUse*>(&e)) throw ETableInUse(message);
  if (dynamic_cast<const platform::EDBEngineError*>(&e)) throw platform::EDBEngineError(message);
  throw platform::Exception(message);
}

}  // namespace engine
