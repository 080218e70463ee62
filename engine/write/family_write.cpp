#include "engine/write/family_write.h"

#include <algorithm>
#include <stdexcept>

#include "engine/errors.h"
#include "engine/family.h"
#include "engine/write/file_copy.h"
#include "engine/write/pending_changes.h"
#include "engine/write/temporary_names.h"
#include "platform/os_error.h"

namespace engine {

struct FamilyWrite::Held {
  std::string path;
  std::unique_ptr<platform::File> file;
};

struct FamilyWrite::Created {
  std::string temp;
  std::string final_path;
  std::unique_ptr<platform::File> file;
};

namespace {

constexpr std::uint32_t kCarriedMarks =
    platform::kAttributeReadOnly | platform::kAttributeHidden | platform::kAttributeSystem;

// A new file under its temporary name whose failures name the file it is to become: that
// is the name the user knows.
class NamedAfterTarget final : public platform::File {
 public:
  NamedAfterTarget(std::unique_ptr<platform::File> file, std::string target)
      : file_(std::move(file)), target_(std::move(target)) {}

  std::uint64_t Size() override {
    return Named([&] { return file_->Size(); });
  }
  std::size_t ReadAt(std::uint64_t offset, void* buffer, std::size_t length) override {
    return Named([&] { return file_->ReadAt(offset, buffer, length); });
  }
  void WriteAt(std::uint64_t offset, const void* data, std::size_t length) override {
    Named([&] { file_->WriteAt(offset, data, length); });
  }
  void Truncate(std::uint64_t size) override {
    Named([&] { file_->Truncate(size); });
  }
  void BeginFlush() override {
    Named([&] { file_->BeginFlush(); });
  }
  void Flush() override {
    Named([&] { file_->Flush(); });
  }
  void Close() override {
    Named([&] { file_->Close(); });
  }

 private:
  template <typename Action>
  auto Named(Action&& action) -> decltype(action()) {
    try {
      return action();
    } catch (const platform::EInOutError& e) {
      throw platform::EInOutError(e.ErrorCode(), target_);
    }
  }

  std::unique_ptr<platform::File> file_;
  std::string target_;
};

void RemoveQuietly(platform::FileSystem& fs, const std::string& path) {
  try {
    fs.RemoveFile(path);
  } catch (const platform::EInOutError&) {
    // A temporary name is no family member: a leftover harms no table, and the next
    // sweep of the folder takes it.
  }
}

}  // namespace

void RequireFamilyFree(platform::FileSystem& fs, const std::string& db_path) {
  if (!fs.DirectoryExists(FolderOf(TablePath(db_path)))) return;
  Family family = FindFamily(fs, db_path);
  for (const std::string& member : family.Members()) {
    TranslateFileErrors(member, [&] {
      fs.Open(member, platform::Access::kRead, platform::Share::kExclusive, platform::Disposition::kOpenExisting);
    });
  }
}

FamilyWrite::FamilyWrite(platform::FileSystem& fs, TableFiles files) : fs_(fs), files_(files), token_(NewToken()) {}

FamilyWrite::~FamilyWrite() {
  if (ended_) return;
  DiscardCreated();
  EndClaim();
}

void FamilyWrite::RequireFolder(const std::string& path) {
  const std::string folder = FolderOf(path);
  if (folder_.empty()) {
    // A change left pending in the folder is finished before this one touches anything:
    // finished later, it would put its files over this change's.
    FinishPendingChanges(fs_, folder);
    folder_ = folder;
  } else if (FoldName(folder) != FoldName(folder_)) {
    throw std::logic_error("a change of a table family stays in the family's folder");
  }
}

void FamilyWrite::ClaimFolder(const std::string& path) {
  RequireFolder(path);
  if (!claim_) {
    // A folder the claim cannot be written to is one the change cannot be written to:
    // the failure names the file the user knows.
    try {
      claim_ = fs_.Open(JoinFolder(folder_, ClaimName(token_)), platform::Access::kReadWrite,
                        platform::Share::kExclusive, platform::Disposition::kCreateNew);
    } catch (const platform::EInOutError& e) {
      throw platform::EInOutError(e.ErrorCode(), path);
    }
  }
}

std::string FamilyWrite::NewTemporary(const std::string& final_path) {
  ClaimFolder(final_path);
  if (!FindHeld(final_path) && fs_.FileExists(final_path)) Hold(final_path);
  return JoinFolder(folder_, NewFileName(token_, ++serial_));
}

platform::File* FamilyWrite::FindHeld(const std::string& path) const {
  const std::string folded = FoldName(path);
  for (const Held& h : held_) {
    if (FoldName(h.path) == folded) return h.file.get();
  }
  return nullptr;
}

void FamilyWrite::Release(const std::string& path) {
  const std::string folded = FoldName(path);
  for (auto it = held_.begin(); it != held_.end(); ++it) {
    if (FoldName(it->path) == folded) {
      held_.erase(it);
      return;
    }
  }
}

platform::File& FamilyWrite::Hold(const std::string& path, platform::Access access) {
  RequireFolder(path);
  if (platform::File* held = FindHeld(path)) return *held;
  auto file = TranslateFileErrors(path, [&] {
    return fs_.Open(path, access, platform::Share::kExclusive, platform::Disposition::kOpenExisting);
  });
  held_.push_back(Held{path, std::move(file)});
  return *held_.back().file;
}

platform::File& FamilyWrite::Create(const std::string& final_path) {
  std::string temp = TranslateFileErrors(final_path, [&] { return NewTemporary(final_path); });
  auto file = TranslateFileErrors(final_path, [&]() -> std::unique_ptr<platform::File> {
    try {
      return std::make_unique<NamedAfterTarget>(
          fs_.Open(temp, platform::Access::kReadWrite, platform::Share::kExclusive, platform::Disposition::kCreateNew),
          final_path);
    } catch (const platform::EInOutError& e) {
      throw platform::EInOutError(e.ErrorCode(), final_path);
    }
  });
  created_.push_back(Created{temp, final_path, std::move(file)});
  return *created_.back().file;
}

bool FamilyWrite::CreateCopy(const std::string& source, const std::string& final_path) {
  std::string temp = NewTemporary(final_path);
  std::unique_ptr<platform::File> copy;
  try {
    copy = CopyAndOpen(fs_, source, temp, false);
  } catch (const platform::EInOutError& e) {
    RemoveQuietly(fs_, temp);
    throw platform::EInOutError(e.ErrorCode(), final_path);
  }
  if (!copy) {
    RemoveQuietly(fs_, temp);
    return false;
  }
  auto file = std::make_unique<NamedAfterTarget>(std::move(copy), final_path);
  file->BeginFlush();
  created_.push_back(Created{temp, final_path, std::move(file)});
  return true;
}

void FamilyWrite::Move(const std::string& held_path, const std::string& final_path) {
  RequireFolder(final_path);
  if (!FindHeld(final_path) && fs_.FileExists(final_path)) Hold(final_path);
  moves_.push_back(Rename{held_path, final_path});
}

void FamilyWrite::Remove(const std::string& held_path) {
  RequireFolder(held_path);
  removals_.push_back(held_path);
}

// The renames first, so that no moment leaves a family without its DB that had one
// before and after; among them the DB's last, so that a family new to its folder appears
// whole to whoever opens it by its DB, even before a stopped change is finished; then the
// removals of members no rename replaces.
std::vector<IntentStep> FamilyWrite::Steps() const {
  std::vector<IntentStep> steps;
  auto renamed_to = [&](const std::string& path) {
    for (const IntentStep& s : steps) {
      if (s.kind == IntentStep::Kind::kRename && FoldName(s.to) == FoldName(NameOf(path))) return true;
    }
    return false;
  };
  for (const Created& c : created_) {
    steps.push_back({IntentStep::Kind::kRename, NameOf(c.temp), NameOf(c.final_path)});
  }
  for (const Rename& m : moves_) steps.push_back({IntentStep::Kind::kRename, NameOf(m.from), NameOf(m.to)});
  std::stable_partition(steps.begin(), steps.end(), [](const IntentStep& s) {
    const std::string to = FoldName(s.to);
    return to.size() < 3 || to.compare(to.size() - 3, 3, ".DB") != 0;
  });
  for (const std::string& r : removals_) {
    bool listed = renamed_to(r);
    for (const IntentStep& s : steps) listed = listed || (s.kind == IntentStep::Kind::kRemove && FoldName(s.from) == FoldName(NameOf(r)));
    if (!listed) steps.push_back({IntentStep::Kind::kRemove, NameOf(r), ""});
  }
  // Every step can be taken again only while no name the change renames from is one it
  // fills or empties.
  for (const Rename& m : moves_) {
    for (const IntentStep& s : steps) {
      if (FoldName(s.kind == IntentStep::Kind::kRename ? s.to : s.from) == FoldName(NameOf(m.from))) {
        throw std::logic_error("a change moves a file from a name it also fills or empties");
      }
    }
  }
  return steps;
}

void FamilyWrite::FlushNewFiles() {
  for (Created& c : created_) TranslateFileErrors(c.final_path, [&] { c.file->Flush(); });
  for (const Rename& m : moves_) {
    platform::File* moved = FindHeld(m.from);
    if (!moved) ThrowEngineError(texts::FileToMoveNotHeld(), m.from);
    TranslateFileErrors(m.from, [&] { moved->Flush(); });
  }
}

void FamilyWrite::TakeStep(const IntentStep& step) {
  const std::string from = JoinFolder(folder_, step.from);
  if (step.kind == IntentStep::Kind::kRemove) {
    Release(from);
    TranslateFileErrors(from, [&] { fs_.RemoveFile(from); });
    return;
  }
  const std::string to = JoinFolder(folder_, step.to);
  Release(to);
  TranslateFileErrors(to, [&] {
    try {
      RenameOverWhenFree(fs_, from, to);
    } catch (const platform::EInOutError& e) {
      throw platform::EInOutError(e.ErrorCode(), to);
    }
  });
}

void FamilyWrite::Commit() {
  const std::vector<IntentStep> steps = Steps();
  const bool durable = files_ != TableFiles::kScratch;
  if (durable) FlushNewFiles();
  if (steps.size() > 1) {
    // Made after every new file, so that a disk which keeps the order of its entries has
    // them all wherever it has the record.
    const IntentStep& first = steps.front();
    const std::string named = JoinFolder(folder_, first.to.empty() ? first.from : first.to);
    const std::string bytes = EncodeIntent(steps);
    TranslateFileErrors(named, [&] {
      record_ = fs_.Open(JoinFolder(folder_, IntentRecordName(token_)), platform::Access::kReadWrite,
                         platform::Share::kExclusive, platform::Disposition::kCreateNew);
      record_->WriteAt(0, bytes.data(), bytes.size());
      if (durable) record_->Flush();
    });
  }
  // A new file takes the marks of the member it replaces; a moved file keeps its own. A
  // read-only member could not be replaced or removed on Windows, so it loses that mark
  // just before.
  auto marks_of = [&](const std::string& path) {
    return TranslateFileErrors(path, [&] { return fs_.GetAttributes(path); }) & kCarriedMarks;
  };
  auto let_go_of_read_only = [&](const std::string& path, std::uint32_t marks) {
    if (marks & platform::kAttributeReadOnly) {
      fs_.SetAttributes(path, (marks & ~platform::kAttributeReadOnly) | platform::kAttributeArchive);
    }
  };
  for (Created& c : created_) {
    if (!FindHeld(c.final_path)) continue;
    const std::uint32_t marks = marks_of(c.final_path);
    if (marks == 0) continue;
    fs_.SetAttributes(c.temp, marks | platform::kAttributeArchive);
    let_go_of_read_only(c.final_path, marks);
  }
  for (const Rename& m : moves_) {
    if (FindHeld(m.to)) let_go_of_read_only(m.to, marks_of(m.to));
  }
  for (const std::string& gone : removals_) {
    if (fs_.FileExists(gone)) let_go_of_read_only(gone, marks_of(gone));
  }

  std::size_t taken = 0;
  try {
    for (const IntentStep& step : steps) {
      TakeStep(step);
      ++taken;
    }
    if (files_ == TableFiles::kInUse) TranslateFileErrors(folder_, [&] { fs_.FlushFolder(folder_); });
  } catch (...) {
    if (taken == 0) {
      DiscardCreated();
      EndClaim();
    }
    // Otherwise the record stays, complete, and the next open takes the steps left: the
    // change lets go of it and of its claim.
    record_.reset();
    claim_.reset();
    ended_ = true;
    throw;
  }
  ended_ = true;
  for (Created& c : created_) TranslateFileErrors(c.final_path, [&] { c.file->Close(); });
  created_.clear();
  held_.clear();
  EndClaim();
  if (!folder_.empty()) SweepLeftovers(fs_, folder_);
}

void FamilyWrite::DiscardCreated() {
  for (Created& c : created_) {
    c.file.reset();
    RemoveQuietly(fs_, c.temp);
  }
  created_.clear();
}

void FamilyWrite::EndClaim() {
  if (record_) {
    record_.reset();
    RemoveQuietly(fs_, JoinFolder(folder_, IntentRecordName(token_)));
  }
  if (claim_) {
    claim_.reset();
    RemoveQuietly(fs_, JoinFolder(folder_, ClaimName(token_)));
  }
}

}  // namespace engine
