#include "install/tests/install_fixture.h"

#include <algorithm>
#include <set>

#include "engine/check/family_check.h"
#include "engine/family.h"
#include "engine/operations/alias_store.h"
#include "engine/read/table_rows.h"
#include "engine/write/temporary_names.h"
#include "install/install_run.h"
#include "platform/cp932.h"
#include "platform/exceptions.h"
#include "tools/medium/medium_writer.h"

namespace install::testing {

using engine::FieldValue;

InstallFixture::InstallFixture() {
  os_fs_.ForceDirectories(Medium());
  os_fs_.ForceDirectories(ManagementFolder());
  os_fs_.ForceDirectories(TypeFolder());
  alias_store_ = temp_ / "aliases.cfg";
  engine_ = std::make_unique<engine::Engine>(fs_, alias_store_);
  components_ = std::make_unique<EngineComponents>(*engine_);
  window_.exe_dir = Medium() + "\\";
  window_.management_folder = ManagementFolder();
  window_.type_folder = TypeFolder();
}

void InstallFixture::WriteMaster(const std::string& subfolder, int number, int items) {
  medium::MasterSpec master;
  master.number = number;
  master.items = items;
  master.memo_every = 2;
  master.seed = static_cast<std::uint32_t>(number);
  // The first master brings unkeyed tables, the others keyed ones without their .PX.
  master.keyed_tables = number != 1;
  medium::WriteMasterFolder(os_fs_, Medium() + "\\" + subfolder, master);
}

void InstallFixture::WriteManagementTable(int last_code) {
  medium::WriteManagementTable(os_fs_, ManagementFolder() + "\\M6hink.DB", last_code);
}

void InstallFixture::WriteUnitTable() { medium::WriteUnitTable(os_fs_, ManagementFolder() + "\\TANITBL.DB"); }

void InstallFixture::WriteTypeTable(const std::string& path, int rows, bool secondary) {
  medium::WriteTypeTable(os_fs_, path, rows);
  if (secondary) {
    engine::TTable table(*engine_);
    table.SetTableName(path);
    table.BuildIndex("fMei", "fMei", 0);
  }
}

void InstallFixture::Run() { Button1Click(window_, *components_, fs_); }

std::string InstallFixture::RunExpectingFailure() {
  try {
    Run();
  } catch (const platform::Exception& e) {
    return e.Message();
  }
  return {};
}

Rows InstallFixture::ReadRows(const std::string& db_path) { return engine::ReadAllRows(os_fs_, db_path); }

void InstallFixture::ExpectFamilyOk(const std::string& db_path) {
  engine::CheckReport report = engine::CheckFamily(os_fs_, db_path);
  std::string problems;
  for (const auto& p : report.problems) problems += p + "\n";
  EXPECT_TRUE(report.ok()) << db_path << ":\n" << problems;
}

std::vector<std::string> InstallFixture::NamedBeforeOnDisk() const {
  const std::vector<std::string>& trace = fs_.Trace();
  std::set<std::string> flushed;
  std::vector<std::string> early;
  for (std::size_t i = 0; i < trace.size(); ++i) {
    const std::string operation = trace[i].substr(0, trace[i].find(' '));
    const std::string path = trace[i].substr(operation.size() + 1);
    if (operation == "Flush") flushed.insert(path);
    if (operation == "WriteAt" || operation == "Truncate") flushed.erase(path);
    if (operation != "RenameOver") continue;
    const std::string to = fs_.RenamedTo(i);
    const bool on_disk = flushed.erase(path) > 0;
    if (on_disk) flushed.insert(to);
    if (!on_disk && !engine::IsTemporaryName(engine::NameOf(to))) early.push_back(path + " -> " + to);
  }
  return early;
}

std::vector<std::string> InstallFixture::FilesIn(const std::string& folder) {
  if (!os_fs_.DirectoryExists(folder)) return {};
  std::vector<std::string> names = os_fs_.ListFolder(folder);
  std::sort(names.begin(), names.end());
  return names;
}

bool InstallFixture::AliasDefined(const std::string& alias) {
  return engine::AliasStore(os_fs_, alias_store_).Params(alias).has_value();
}

}  // namespace install::testing
