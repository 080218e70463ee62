// What a program that stops at any moment may leave, for the crash tests: the states an
// action passes through at its commit points, the moments when no change is between its
// first and its last step (no intent record is there), as the recovery leaves them (the
// temporary files of changes not yet committed swept), numbered by the changes to the
// disk made before them. After a stop before change n and the next open's recovery, the
// folders must be at the commit point before n or the one after it; after a power cut,
// at one between the first commit point after the last folder flush and the one after n.
#ifndef HINMEI_PLATFORM_TESTING_COMMIT_POINTS_H_
#define HINMEI_PLATFORM_TESTING_COMMIT_POINTS_H_

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace platform::testing {

// The files of some folders: "folder number|name" -> bytes.
using FolderState = std::map<std::string, std::string>;

// The state of `folders`, each listed with `fs` and read with `read` (which need not
// heed the share modes of files held open); nothing while a file that `is_temporary`
// names is among them. Names in `skip` are left out.
std::optional<FolderState> SettledState(FileSystem& fs, const std::vector<std::string>& folders,
                                        const std::function<std::string(const std::string& path)>& read,
                                        const std::function<bool(const std::string& name)>& is_temporary,
                                        const std::vector<std::string>& skip = {});

// The state a stop at this moment leaves once the recovery has swept the temporary files
// of changes not yet committed: as SettledState, but with those files left out. Nothing
// while a file that `is_record` names is there: the recovery would take that change's
// steps, so the moment is between two commit points.
std::optional<FolderState> SweptState(FileSystem& fs, const std::vector<std::string>& folders,
                                      const std::function<std::string(const std::string& path)>& read,
                                      const std::function<bool(const std::string& name)>& is_temporary,
                                      const std::function<bool(const std::string& name)>& is_record,
                                      const std::vector<std::string>& skip = {});

// Reads a file of the real file system whatever holds it (for SettledState on POSIX).
std::string ReadIgnoringShares(const std::string& path);

class CommitPoints {
 public:
  // Runs `action` on `fs` through a wrapper that counts its changes, taking `settled`
  // before each change and at the end.
  static CommitPoints Record(FileSystem& fs, const std::function<std::optional<FolderState>()>& settled,
                             const std::function<void(FileSystem&)>& action);

  // Changes the action makes in all.
  long changes() const { return changes_; }
  const FolderState& first() const { return points_.front().state; }
  const FolderState& last() const { return points_.back().state; }

  // The states allowed after a stop before change `n` and the recovery that follows.
  std::vector<const FolderState*> AfterKill(long n) const;
  std::vector<const FolderState*> AfterPowerCut(long n) const;

  // Whether `state` is among `allowed`, with a description of the difference otherwise.
  static bool Among(const FolderState& state, const std::vector<const FolderState*>& allowed, std::string* why);

 private:
  struct Point {
    long before_change;  // 1-based; changes() + 1 for the end
    FolderState state;
  };
  std::vector<const FolderState*> Between(long from, long to) const;

  struct FolderFlush {
    long change;
    long point;  // index of the commit point the folders were at, or -1 between two
  };
  std::vector<Point> points_;
  std::vector<FolderFlush> folder_flushes_;
  long changes_ = 0;
};

}  // namespace platform::testing

#endif  // HINMEI_PLATFORM_TESTING_COMMIT_POINTS_H_
