// The files of one table family in its folder, found by listing the folder (the original
// engine finds secondary indexes that way too) whatever the case of their names.
#ifndef HINMEI_ENGINE_FAMILY_H_
#define HINMEI_ENGINE_FAMILY_H_

#include <optional>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace engine {

// A secondary index: its data file (.Xnn or .XGn) and its tree (.Ynn or .YGn).
struct SecondaryFiles {
  std::string x;  // path; empty for a tree without its data file
  std::string y;  // path; empty when the tree is missing
  bool composite = false;  // XGn rather than Xnn
  int number = 0;          // nn (the DB field number) or n
};

struct Family {
  std::string folder;  // with no trailing delimiter
  std::string base;    // the table's name without extension, as given
  std::string db, px, mb, val;  // paths of the files present; empty when absent
  std::vector<SecondaryFiles> secondaries;

  bool exists() const { return !db.empty(); }
  // Every member present, DB first.
  std::vector<std::string> Members() const;
  // The path a member of this family has under the base name: Path("PX").
  std::string Path(const std::string& extension) const;
};

// The .DB path of a table: `table` with ".DB" added when it has no extension.
std::string TablePath(const std::string& table);

// The folder part of a path and its last component (CP932-aware; '\' or '/').
std::string FolderOf(const std::string& path);
std::string NameOf(const std::string& path);
// A folder and a name joined with one '\'.
std::string JoinFolder(const std::string& folder, const std::string& name);

// Finds the family of the table `db_path` names.
Family FindFamily(platform::FileSystem& fs, const std::string& db_path);

// Extensions of secondary-index files: "X0A"/"Y0A" for field 10, "XG1"/"YG1" for the
// second composite index. Numbers are written in hexadecimal.
std::string SecondaryExtension(bool composite, int number, bool tree);
// The secondary index an extension names, if any.
std::optional<SecondaryFiles> ParseSecondaryExtension(const std::string& extension, bool* tree);

// Upper-cases single-byte ASCII letters, leaving CP932 trail bytes alone.
std::string FoldName(const std::string& name);

}  // namespace engine

#endif  // HINMEI_ENGINE_FAMILY_H_
