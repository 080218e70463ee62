#include "install/type_table.h"

#include <string>

#include "catalogue/data_layout.h"
#include "engine/scratch_table.h"
#include "engine/table.h"
#include "install/checked_copy.h"
#include "install/table_indexes.h"
#include "platform/exceptions.h"
#include "platform/system_texts.h"

namespace install {

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
    throw platform::EDBEngineError(texts::Format(texts::TableNotFoundFormat(), target));
  }

  // The new table is copied and indexed under a scratch name and then moved over the old
  // one in a single change: the folder never lacks a type table.
  {
    engine::ScratchTable scratch(context.fs, folder);
    CopyFileChecked(context.fs, source, scratch.db_path());
    context.fs.SetAttributes(scratch.db_path(), platform::kAttributeArchive);
    tbl_hsy.SetTableName(scratch.db_path());
    BuildIndexes(tbl_hsy, catalogue::TypeTableIndexes());
    tbl_hsy.SetTableName(target);
    engine::ReplaceTableFamily(context.components.engine, scratch.db_path(), target);
  }

  tbl_hsy.RefreshIndexDefs();
}

}  // namespace install
