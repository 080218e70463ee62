#include "engine/write/pending_changes.h"

#include <algorithm>
#include <chrono>
#include <map>
#include <memory>
#include <set>
#include <thread>

#include "engine/errors.h"
#include "engine/family.h"
#include "engine/write/temporary_names.h"
#include "platform/exceptions.h"
#include "platform/os_error.h"

namespace engine {
namespace {

constexpr int kRenameTries = 20;
constexpr auto kRenamePause = std::chrono::milliseconds(25);

std::vector<std::string> NamesIn(platform::FileSystem& fs, const std::string& folder) {
  if (!fs.DirectoryExists(folder)) return {};
  try {
    return fs.ListFolder(folder);
  } catch (const platform::EInOutError&) {
    return {};  // a folder that cannot be listed holds no table the engine could open either
  }
}

// The file held for the caller alone; nothing when another handle has it (or it is gone).
std::unique_ptr<platform::File> HoldIfFree(platform::FileSystem& fs, const std::string& path) {
  try {
    return fs.Open(path, platform::Access::kReadWrite, platform::Share::kExclusive,
                   platform::Disposition::kOpenExisting);
  } catch (const platform::EInOutError&) {
    return nullptr;
  }
}

std::string ReadAll(platform::File& file) {
  std::string bytes(static_cast<std::size_t>(file.Size()), '\0');
  bytes.resize(file.ReadAt(0, bytes.data(), bytes.size()));
  return bytes;
}

void RemoveIfThere(platform::FileSystem& fs, const std::string& path) {
  try {
    fs.RemoveFile(path);
  } catch (const platform::EInOutError& e) {
    if (e.ErrorCode() != platform::kErrorFileNotFound) throw;
  }
}

bool IsBusy(int code) {
  return code == platform::kErrorSharingViolation || code == platform::kErrorLockViolation ||
         code == platform::kErrorAccessDenied;
}

// The changes of a folder that stopped: by token, the claim and the record, held now by
// the caller while it deals with them. A change whose claim or record another handle
// holds is under way and not among them.
struct StoppedChange {
  std::unique_ptr<platform::File> claim;
  std::unique_ptr<platform::File> record;
  std::string record_path;
  std::optional<std::vector<IntentStep>> steps;  // of a complete record
};

std::map<std::string, StoppedChange> HoldStoppedChanges(platform::FileSystem& fs, const std::string& folder,
                                                        const std::vector<std::string>& names) {
  std::map<std::string, StoppedChange> stopped;
  std::set<std::string> live;
  for (const std::string& name : names) {
    const bool claim = IsClaimName(name);
    if (!claim && !IsIntentRecordName(name)) continue;
    const std::string token = TokenOf(name);
    if (live.count(token) != 0) continue;
    std::unique_ptr<platform::File> held = HoldIfFree(fs, JoinFolder(folder, name));
    if (!held) {
      live.insert(token);
      stopped.erase(token);
      continue;
    }
    StoppedChange& change = stopped[token];
    if (claim) {
      change.claim = std::move(held);
      continue;
    }
    change.record_path = JoinFolder(folder, name);
    try {
      change.steps = DecodeIntent(ReadAll(*held));
    } catch (const platform::EInOutError&) {
      live.insert(token);  // unreadable now: left for a later try
      stopped.erase(token);
      continue;
    }
    change.record = std::move(held);
  }
  return stopped;
}

void TakeSteps(platform::FileSystem& fs, const std::string& folder, const std::vector<IntentStep>& steps) {
  for (const IntentStep& step : steps) {
    const std::string from = JoinFolder(folder, step.from);
    TranslateFileErrors(from, [&] {
      if (step.kind == IntentStep::Kind::kRemove) {
        RemoveIfThere(fs, from);
      } else if (fs.FileExists(from)) {
        RenameOverWhenFree(fs, from, JoinFolder(folder, step.to));
      }
    });
  }
}

// Removes every file of `token` but those `kept`; the claim and the record last.
void Discard(platform::FileSystem& fs, const std::string& folder, const std::vector<std::string>& names,
             const std::string& token, StoppedChange& change, const std::set<std::string>& kept) {
  std::vector<std::string> last;
  for (const std::string& name : names) {
    if (TokenOf(name) != token || kept.count(FoldName(name)) != 0) continue;
    const std::string path = JoinFolder(folder, name);
    if (IsClaimName(name) || IsIntentRecordName(name)) {
      last.push_back(path);
    } else if (HoldIfFree(fs, path)) {
      TranslateFileErrors(path, [&] { RemoveIfThere(fs, path); });
    }
  }
  change.claim.reset();
  change.record.reset();
  for (const std::string& path : last) TranslateFileErrors(path, [&] { RemoveIfThere(fs, path); });
}

}  // namespace

void RenameOverWhenFree(platform::FileSystem& fs, const std::string& from, const std::string& to) {
  for (int attempt = 1;; ++attempt) {
    try {
      fs.RenameOver(from, to);
      return;
    } catch (const platform::EInOutError& e) {
      if (!IsBusy(e.ErrorCode()) || !fs.FileExists(to)) throw;
      if (attempt == kRenameTries) {
        // Windows refuses to replace an open file as "access denied": when another
        // program has it open, say so.
        try {
          fs.Open(to, platform::Access::kRead, platform::Share::kExclusive, platform::Disposition::kOpenExisting);
        } catch (const platform::EInOutError& held) {
          if (held.ErrorCode() == platform::kErrorSharingViolation) throw held;
        }
        throw;
      }
    }
    std::this_thread::sleep_for(kRenamePause);
  }
}

std::vector<PendingChange> FindPendingChanges(platform::FileSystem& fs, const std::string& folder) {
  std::vector<PendingChange> pending;
  for (auto& [token, change] : HoldStoppedChanges(fs, folder, NamesIn(fs, folder))) {
    if (change.record_path.empty()) continue;
    pending.push_back(
        PendingChange{change.record_path, change.steps.has_value(), change.steps.value_or(std::vector<IntentStep>{})});
  }
  return pending;
}

void FinishPendingChanges(platform::FileSystem& fs, const std::string& folder) {
  std::vector<std::string> names = NamesIn(fs, folder);
  if (std::any_of(names.begin(), names.end(), [](const std::string& n) { return IsClaimName(n) || IsIntentRecordName(n); })) {
    std::map<std::string, StoppedChange> stopped = HoldStoppedChanges(fs, folder, names);
    // Complete changes first: a change that took no step may have a file that a complete
    // one still has to rename (a scratch table moved into place).
    for (auto& stopped_change : stopped) {
      StoppedChange& change = stopped_change.second;  // named: a lambda below takes it
      if (!change.steps) continue;
      TakeSteps(fs, folder, *change.steps);
      TranslateFileErrors(folder, [&] { fs.FlushFolder(folder); });
      change.record.reset();
      const std::string& record_path = change.record_path;  // clang 14, the fuzzers' compiler, cannot capture a structured binding
      TranslateFileErrors(record_path, [&] { RemoveIfThere(fs, record_path); });
      change.steps.reset();
      change.record_path.clear();
    }
    names = NamesIn(fs, folder);
    for (auto& [token, change] : stopped) Discard(fs, folder, names, token, change, {});
  }
  SweepLeftovers(fs, folder);
}

Family OpenFamily(platform::FileSystem& fs, const std::string& db_path) {
  FinishPendingChanges(fs, FolderOf(TablePath(db_path)));
  return FindFamily(fs, db_path);
}

void SweepLeftovers(platform::FileSystem& fs, const std::string& folder) {
  std::vector<std::string> names = NamesIn(fs, folder);
  if (std::none_of(names.begin(), names.end(), IsTemporaryName)) return;
  std::set<std::string> covered;
  for (const std::string& name : names) {
    if (IsClaimName(name) || IsIntentRecordName(name)) covered.insert(TokenOf(name));
  }
  // A pending change may name files of another token (a scratch table it moves).
  std::set<std::string> named;
  if (!covered.empty()) {
    for (const PendingChange& change : FindPendingChanges(fs, folder)) {
      for (const IntentStep& step : change.steps) named.insert(FoldName(step.from));
    }
  }
  for (const std::string& name : names) {
    const std::string token = TokenOf(name);
    if (token.empty() || covered.count(token) != 0 || named.count(FoldName(name)) != 0) continue;
    std::string path = JoinFolder(folder, name);
    // Only a file nobody holds is a leftover: a change holds its new files until they
    // are in place.
    if (!HoldIfFree(fs, path)) continue;
    try {
      fs.RemoveFile(path);
    } catch (const platform::EInOutError&) {
      // Held meanwhile, or gone: not ours to remove now.
    }
  }
}

}  // namespace engine
