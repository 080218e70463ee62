#include "install/master_copy.h"

#include <string_view>

#include "catalogue/data_layout.h"
#include "engine/session.h"
#include "install/checked_copy.h"
#include "install/table_indexes.h"
#include "platform/system_texts.h"

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

// Copies a medium file over the destination's file and clears its read-only, hidden and
// system marks. A copy that fails is a file failure at once; the attributes are set as
// well as they can be.
void CopyArchiveOnly(platform::FileSystem& fs, const std::string& from, const std::string& to) {
  CopyFileChecked(fs, from, to);
  fs.SetAttributes(to, platform::kAttributeArchive);
}

void CopyMasterTable(InstallContext& context, const MasterTable& table,
                     const std::string& destination, const std::string& source_subfolder) {
  const std::string exe_dir = context.window.ExeDir();
  std::string target = JoinPath(destination, table.indexes.table);
  std::string source = MasterSourcePath(exe_dir, source_subfolder, table.indexes.table);
  if (!context.fs.FileExists(source)) {
    LogMissing(context.log, table.missing_message, source);
    return;
  }
  CopyArchiveOnly(context.fs, source, target);
  engine::TTable& tbl_new = context.components.TblNew;
  tbl_new.SetTableName(target);
  if (table.has_memo) {
    CopyArchiveOnly(context.fs, MasterSourcePath(exe_dir, source_subfolder, catalogue::kItemMemo),
                    JoinPath(destination, catalogue::kItemMemo));
  }
  BuildIndexes(tbl_new, table.indexes);
}

}  // namespace

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

  const MasterTable tables[] = {
      {catalogue::ItemTableIndexes(), texts::ItemMasterSourceMissing(), true},
      {catalogue::ClassificationTableIndexes(), texts::ClassificationSourceMissing(), false},
      {catalogue::SetItemTableIndexes(), texts::SetItemSourceMissing(), false},
  };
  for (const MasterTable& table : tables) {
    CopyMasterTable(context, table, destination, source_subfolder);
  }

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
  CopyFileChecked(context.fs, unit_source, unit_target);
  components.TblNew.SetTableName(unit_target);
  BuildIndexes(components.TblNew, catalogue::UnitTableIndexes());

  const std::string exe_dir = context.window.ExeDir();
  for (std::string_view name : {catalogue::kLoadDefinitionKb, catalogue::kLoadDefinitionSk}) {
    CopyFileChecked(context.fs, MasterSourcePath(exe_dir, source_subfolder, name), JoinPath(destination, name));
  }
  // Every file is on disk already; with the folder's entries it is a master that a power
  // cut cannot take back once it is registered.
  context.fs.FlushFolder(destination);
  return true;
}

}  // namespace install
