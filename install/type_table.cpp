#include "install/type_table.h"

#include <string>

#include "catalogue/data_layout.h"
#include "engine/errors.h"
#include "engine/operations/table.h"
#include "engine/operations/scratch_table.h"
#include "install/install_texts.h"
#include "install/table_indexes.h"

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
    engine::ThrowNoSuchTable(target);
  }

  // The new table is copied and indexed under a scratch name and then moved over the old
  // one in a single change: the folder never lacks a type table.
  {
    engine::ScratchTable scratch(context.fs, target);
    scratch.CopyIn(source, "DB");
    tbl_hsy.SetTableName(scratch.db_path());
    try {
      scratch.AsTarget([&] { BuildIndexes(tbl_hsy, catalogue::TypeTableIndexes(), engine::TableFiles::kScratch); });
    } catch (...) {
      tbl_hsy.SetTableName(target);
      throw;
    }
    tbl_hsy.SetTableName(target);
    scratch.MoveIntoPlace();
  }

  tbl_hsy.RefreshIndexDefs();
}

}  // namespace install
