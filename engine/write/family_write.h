// One change of a table family, all or nothing, whatever stops the process and when.
//
// First every file involved is held with an exclusive share mode: a file that another
// program holds makes the change an "in use" engine error before anything is written.
// New contents are written to files under temporary names that no family lists
// (temporary_names.h), in the family's folder. Commit then
//   1. flushes every new and moved file: no file takes a family name before its data is
//      on disk;
//   2. when the change takes more than one step, writes its intent record (every rename
//      and removal, in order; intent_record.h) under a new name and flushes it;
//   3. renames each new file over the member it replaces, each in one atomic step (no
//      live member is ever moved aside), the DB last, then removes what goes;
//   4. flushes the folder, so that a change reported done stays done;
//   5. removes the record.
// A process that stops after 2 leaves the record, and whoever next opens a table of that
// folder takes the steps that are left (pending_changes.h); one that stops before leaves
// the family as it was. A rename that fails before any step was taken undoes the change;
// one that fails later leaves the record for the next open to finish.
//
// A change of a scratch table's own family (TableFiles::kScratch) skips the flushes of
// 1, 2 and 4: no program opens those names, and the move of the scratch table into place
// flushes every member first.
//
// With its first new file the change makes its claim, a file it holds open until it ends:
// while it is held, no sweep takes the change's files for leftovers.
//
// On Windows a file that is open cannot be replaced, so the hold on a member goes just
// before the rename that replaces it. A new file takes the read-only, hidden and system
// marks of the member it replaces; a file moved over a member keeps its own. A read-only
// member loses that mark just before it is replaced or removed, which Windows refuses
// otherwise.
#ifndef HINMEI_ENGINE_WRITE_FAMILY_WRITE_H_
#define HINMEI_ENGINE_WRITE_FAMILY_WRITE_H_

#include <memory>
#include <string>
#include <vector>

#include "engine/table_files.h"
#include "engine/write/intent_record.h"
#include "platform/file_system.h"

namespace engine {

// Throws the "in use" engine error, naming the file, when another program holds a file
// of the table's family open; a table that does not exist passes. Lets a caller refuse a
// whole run of changes before the first of them.
void RequireFamilyFree(platform::FileSystem& fs, const std::string& db_path);

class FamilyWrite {
 public:
  explicit FamilyWrite(platform::FileSystem& fs, TableFiles files = TableFiles::kInUse);
  ~FamilyWrite();  // a change not committed: its new files and its record go
  FamilyWrite(const FamilyWrite&) = delete;
  FamilyWrite& operator=(const FamilyWrite&) = delete;

  // Holds an existing file for the change (readable through the returned handle). A file
  // that is to be moved is held with write access: flushing it needs that on Windows.
  platform::File& Hold(const std::string& path, platform::Access access = platform::Access::kRead);
  // A new file that Commit puts at `final_path` (replacing a file there, which must be
  // held). Written through the returned handle.
  platform::File& Create(const std::string& final_path);
  // A new file that Commit puts at `final_path`: a copy of `source` as the system copies
  // files (its attributes and times come along). False, with nothing added, when there
  // is no such source; a copy that fails otherwise throws the file failure
  // (platform::EInOutError) naming `final_path`.
  bool CreateCopy(const std::string& source, const std::string& final_path);
  // A held file (held with write access) that Commit moves to `final_path`.
  void Move(const std::string& held_path, const std::string& final_path);
  // A held file that Commit removes.
  void Remove(const std::string& held_path);

  // Puts everything in place as described above.
  void Commit();

 private:
  struct Held;
  struct Created;
  struct Rename {
    std::string from;
    std::string to;
  };

  void RequireFolder(const std::string& path);
  void ClaimFolder(const std::string& path);
  std::string NewTemporary(const std::string& final_path);
  platform::File* FindHeld(const std::string& path) const;
  void Release(const std::string& path);
  std::vector<IntentStep> Steps() const;
  void FlushNewFiles();
  void TakeStep(const IntentStep& step);
  void DiscardCreated();
  void EndClaim();

  platform::FileSystem& fs_;
  const TableFiles files_;
  std::vector<Held> held_;
  std::vector<Created> created_;
  std::vector<Rename> moves_;
  std::vector<std::string> removals_;
  std::string folder_;  // every file of the change is in it
  std::string token_;
  std::unique_ptr<platform::File> claim_;
  std::unique_ptr<platform::File> record_;  // the intent record, once written
  int serial_ = 0;
  bool ended_ = false;  // committed, or left to the next open to finish
};

}  // namespace engine

#endif  // HINMEI_ENGINE_WRITE_FAMILY_WRITE_H_
