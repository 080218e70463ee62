#include "install/type_table.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "catalogue/data_layout.h"
#include "engine/table.h"
#include "engine/table_operations.h"
#include "install/checked_copy.h"
#include "install/install_texts.h"
#include "install/table_indexes.h"
#include "platform/exceptions.h"

namespace install {
namespace {

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
  return text.size() >= prefix.size() &&
         std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
           return std::toupper(static_cast<unsigned char>(a)) == std::toupper(static_cast<unsigned char>(b));
         });
}

// A table name beside the type table that no file of the folder uses yet, so that the
// copy's family cannot mix with leftovers of an interrupted run.
std::string FreshTemporaryTable(platform::FileSystem& fs, const std::string& folder) {
  std::vector<std::string> names = fs.ListFolder(folder);
  for (int n = 0;; ++n) {
    std::string base = n == 0 ? "~M7HINCD" : "~M7HIN" + std::to_string(n);
    bool used = std::any_of(names.begin(), names.end(),
                            [&](const std::string& name) { return StartsWithNoCase(name, base + "."); });
    if (!used) return catalogue::JoinPath(folder, base + ".DB");
  }
}

// Removes the temporary copy's family on every way out that did not swap it in.
class TemporaryTableGuard {
 public:
  TemporaryTableGuard(engine::TTable& table, std::string path) : table_(table), path_(std::move(path)) {}
  ~TemporaryTableGuard() {
    if (dismissed_) return;
    try {
      table_.Close();
      table_.SetTableName(path_);
      table_.DropTable();
    } catch (...) {
      // The copy never became a table: nothing of it is left to remove.
    }
  }
  void Dismiss() { dismissed_ = true; }

 private:
  engine::TTable& table_;
  std::string path_;
  bool dismissed_ = false;
};

}  // namespace

void ReplaceTypeTable(InstallContext& context) {
  std::string folder = context.window.TypeFolder();
  std::string target = catalogue::JoinPath(folder, catalogue::kTypeTable);
  std::string source = catalogue::TypeTableSourcePath(context.window.ExeDir());
  if (!context.fs.FileExists(source)) {
    context.log.AppendLine(texts::TypeSourceMissing());
    context.log.AppendLine(source);
    return;
  }
  engine::TTable& tbl_hsy = context.components.TblHsy;
  tbl_hsy.SetTableName(target);
  if (!context.fs.FileExists(target)) {
    engine::ThrowNoSuchTable(target);
  }

  std::string temporary = FreshTemporaryTable(context.fs, folder);
  TemporaryTableGuard guard(tbl_hsy, temporary);
  CopyFileTold(context.fs, source, temporary);
  context.fs.SetAttributes(temporary, platform::kAttributeArchive);
  tbl_hsy.SetTableName(temporary);
  BuildIndexes(tbl_hsy, catalogue::TypeTableIndexes());
  engine::ReplaceTableFamily(context.components.engine, temporary, target);
  guard.Dismiss();

  tbl_hsy.SetTableName(target);
  tbl_hsy.RefreshIndexDefs();
}

}  // namespace install
