// One change of a table family, all or nothing.
//
// First every file involved is held with an exclusive share mode: a file that another
// program holds makes the change an "in use" engine error before anything is written.
// New contents are written to files under temporary names that no family lists
// ("~hm<random>.<n>" in the same folder). Commit then renames each file being
// replaced or removed aside, renames the new files into place, and deletes what was set
// aside; when any rename fails, the renames done so far are undone in reverse order, so
// that a failure at any step leaves the family as it was, or complete.
//
// Before the first rename of a change that takes an existing file away (replaces, moves
// over or removes one), the change's new and moved files are flushed, so that a crash
// leaves the old family's files or the new ones' contents, never names without contents.
// A change that only adds files takes nothing away and leaves them to the system's cache,
// as a copy does; so does every change of a table that is a fresh copy (table_files.h).
//
// A set-aside file whose deletion failed stays under its temporary name: the family is
// complete without it. Every later commit in that folder deletes such leftovers, those of
// the temporary pattern that no program holds open.
#ifndef HINMEI_ENGINE_FAMILY_WRITE_H_
#define HINMEI_ENGINE_FAMILY_WRITE_H_

#include <memory>
#include <string>
#include <vector>

#include "engine/table_files.h"
#include "platform/file_system.h"

namespace engine {

// Throws the "in use" engine error, naming the file, when another program holds a file
// of the table's family open; a table that does not exist passes. Lets a caller refuse a
// whole run of changes before the first of them.
void RequireFamilyFree(platform::FileSystem& fs, const std::string& db_path);

// Whether a file name is one of the temporary names FamilyWrite gives ("~hm<8 hex>.<nnn>").
bool IsTemporaryName(const std::string& name);

class FamilyWrite {
 public:
  explicit FamilyWrite(platform::FileSystem& fs, TableFiles files = TableFiles::kInUse);
  ~FamilyWrite();  // removes the temporary files of a change that was not committed
  FamilyWrite(const FamilyWrite&) = delete;
  FamilyWrite& operator=(const FamilyWrite&) = delete;

  // Holds an existing file for the change (readable through the returned handle). A file
  // that is to be moved is held with write access: flushing it needs that on Windows.
  platform::File& Hold(const std::string& path, platform::Access access = platform::Access::kRead);
  // A new file that Commit puts at `final_path` (replacing a file there, which must be
  // held). Written through the returned handle.
  platform::File& Create(const std::string& final_path);
  // A held file (held with write access) that Commit moves to `final_path`.
  void Move(const std::string& held_path, const std::string& final_path);
  // A held file that Commit removes.
  void Remove(const std::string& held_path);

  // Closes the new files, flushed where the change takes a file away, then swaps
  // everything in.
  void Commit();

 private:
  struct Held;
  struct Created;
  struct Rename {
    std::string from;
    std::string to;
  };

  std::string TemporaryPath(const std::string& beside);
  std::vector<std::string> PlacesToVacate();
  void CloseCreated(bool flush);
  void SweepLeftovers(const std::vector<std::string>& folders);
  platform::File* FindHeld(const std::string& path) const;  // nullptr when not held
  void Undo(std::vector<Rename>& done);
  void DiscardCreated();

  platform::FileSystem& fs_;
  const TableFiles files_;
  std::vector<Held> held_;
  std::vector<Created> created_;
  std::vector<Rename> moves_;
  std::vector<std::string> removals_;
  std::string token_;
  int serial_ = 0;
  bool committed_ = false;
};

}  // namespace engine

#endif  // HINMEI_ENGINE_FAMILY_WRITE_H_
