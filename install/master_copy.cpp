#include "install/master_copy.h"

#include <memory>
#include <string_view>
#include <vector>

#include "catalogue/data_layout.h"
#include "engine/errors.h"
#include "engine/operations/session.h"
#include "engine/operations/scratch_table.h"
#include "install/checked_copy.h"
#include "install/install_texts.h"
#include "install/table_indexes.h"

namespace install {
namespace {

using catalogue::JoinPath;
using catalogue::MasterSourcePath;

// One of the three tables a master brings from the medium.
struct MasterTable {
  const catalogue::TableIndexes& indexes;
  const std::string& missing_message;
  bool has_memo;  // the item table brings its memo file along
};

void LogMissing(ErrorLog& log, const std::string& message, const std::string& path) {
  log.AppendLine(message);
  log.AppendLine(path);
}

// Copies a table of the master, with its memo file where it has one, and builds its
// indexes under a scratch name, which it adds to `built` once the copies are whole: the
// caller moves each scratch table over the destination's table in one change, so the
// destination has its old table or the new one with its indexes. Its files lose the
// medium's read-only, hidden and system marks.
void BuildMasterTable(InstallContext& context, const MasterTable& table, const std::string& destination,
                      const std::string& source_subfolder, std::vector<std::unique_ptr<engine::ScratchTable>>& built) {
  const std::string exe_dir = context.window.ExeDir();
  std::string target = JoinPath(destination, table.indexes.table);
  std::string source = MasterSourcePath(exe_dir, source_subfolder, table.indexes.table);
  if (!context.fs.FileExists(source)) {
    LogMissing(context.log, table.missing_message, source);
    return;
  }
  auto copied = std::make_unique<engine::ScratchTable>(context.fs, target);
  copied->CopyIn(source, "DB");
  if (table.has_memo) copied->CopyIn(MasterSourcePath(exe_dir, source_subfolder, catalogue::kItemMemo), "MB");
  // A table whose copy failed goes with its scratch table: the destination keeps its old
  // one. Once copied whole, it is moved into place whatever happens to its indexes.
  built.push_back(std::move(copied));
  engine::ScratchTable& scratch = *built.back();
  engine::TTable& tbl_new = context.components.TblNew;
  tbl_new.SetTableName(scratch.db_path());
  try {
    scratch.AsTarget([&] { BuildIndexes(tbl_new, table.indexes, engine::TableFiles::kScratch); });
  } catch (...) {
    tbl_new.SetTableName(target);
    throw;
  }
  tbl_new.SetTableName(target);
}

// Builds the master's tables, then moves each into place, in order. The disk writes each
// copy while the indexes of the later tables are built, and the moves wait for it once.
// When a build fails, what was copied stays, as far as its indexes were built: each build
// leaves a whole family, and moving it into place needs no room on the disk.
void CopyMasterTables(InstallContext& context, const std::vector<MasterTable>& tables,
                      const std::string& destination, const std::string& source_subfolder) {
  std::vector<std::unique_ptr<engine::ScratchTable>> built;
  try {
    for (const MasterTable& table : tables) BuildMasterTable(context, table, destination, source_subfolder, built);
  } catch (...) {
    for (auto& scratch : built) {
      try {
        scratch->MoveIntoPlace(engine::TableFiles::kFreshCopy);
      } catch (const platform::Exception&) {
        // The failure the user is told of is the build's.
      }
    }
    throw;
  }
  for (auto& scratch : built) scratch->MoveIntoPlace(engine::TableFiles::kFreshCopy);
}

}  // namespace

void CopyFileTold(platform::FileSystem& fs, const std::string& from, const std::string& to) {
  engine::TranslateFileErrors(to, [&] { CopyFileChecked(fs, from, to); });
}

bool MasterExists(platform::FileSystem& fs, const std::string& destination) {
  for (std::string_view marker : catalogue::MasterMarkerFiles()) {
    if (fs.FileExists(JoinPath(destination, marker))) return true;
  }
  return false;
}

bool InstallMaster(InstallContext& context, const std::string& destination,
                   const std::string& source_subfolder) {
  EngineComponents& components = context.components;
  components.Session2.SetNetFileDir(destination);
  engine::SetAliasPath(components.Session2, std::string(catalogue::kDestinationAlias), destination);

  const std::vector<MasterTable> tables = {
      {catalogue::ItemTableIndexes(), texts::ItemMasterSourceMissing(), true},
      {catalogue::ClassificationTableIndexes(), texts::ClassificationSourceMissing(), false},
      {catalogue::SetItemTableIndexes(), texts::SetItemSourceMissing(), false},
  };
  CopyMasterTables(context, tables, destination, source_subfolder);

  // The log of the whole run decides: once anything stands in it, no master gets its unit
  // table and none is registered.
  if (!context.log.Text().empty()) {
    context.log.AppendLine(texts::UnitCopyAbandoned());
    return false;
  }

  std::string unit_target = JoinPath(destination, catalogue::kUnitTable);
  std::string unit_source = JoinPath(context.window.ManagementFolder(), catalogue::kUnitTable);
  if (!context.fs.FileExists(unit_source)) {
    LogMissing(context.log, texts::UnitTableMissing(), unit_source);
    return false;
  }
  CopyFileTold(context.fs, unit_source, unit_target);
  components.TblNew.SetTableName(unit_target);
  BuildIndexes(components.TblNew, catalogue::UnitTableIndexes());

  const std::string exe_dir = context.window.ExeDir();
  for (std::string_view name : {catalogue::kLoadDefinitionKb, catalogue::kLoadDefinitionSk}) {
    CopyFileTold(context.fs, MasterSourcePath(exe_dir, source_subfolder, name), JoinPath(destination, name));
  }
  // Every file is on disk already; with the folder's entries it is a master that a power
  // cut cannot take back once it is registered.
  engine::TranslateFileErrors(destination, [&] { context.fs.FlushFolder(destination); });
  return true;
}

}  // namespace install
