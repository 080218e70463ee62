// A whole install setting in a temporary folder: an install medium with masters, the
// management folder, the type-settings folder, and the engine and window of a run.
#ifndef HINMEI_INSTALL_TESTS_INSTALL_FIXTURE_H_
#define HINMEI_INSTALL_TESTS_INSTALL_FIXTURE_H_

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/field_value.h"
#include "engine/operations/engine.h"
#include "install/engine_components.h"
#include "install/tests/fake_install_window.h"
#include "platform/testing/fault_injecting_file_system.h"
#include "platform/testing/temp_folder.h"

namespace install::testing {

using Rows = std::vector<std::vector<engine::FieldValue>>;

// Item codes of the masters the fixture writes: master n holds items n*1000+1 ... n*1000+k.
class InstallFixture : public ::testing::Test {
 protected:
  InstallFixture();

  // Folders (CP932 paths).
  std::string Medium() const { return temp_ / "medium"; }
  std::string ManagementFolder() const { return temp_ / "data0"; }
  std::string TypeFolder() const { return temp_ / "data1"; }
  std::string Destination(const std::string& name) const { return temp_ / ("dest\\" + name); }

  // Writes master `number` into the medium's subfolder `subfolder`: the item table with
  // memo texts (keyed, its .PX left out as on a medium), the classification table
  // (unkeyed, rows out of order), the set item-number table and both load definitions.
  void WriteMaster(const std::string& subfolder, int number, int items = 5);
  // The management table with rows of codes 1.. `last_code` (none when 0).
  void WriteManagementTable(int last_code);
  void WriteUnitTable();
  // A type table of `rows` rows; with `secondary`, also a secondary index on its name.
  void WriteTypeTable(const std::string& path, int rows, bool secondary = false);

  // Runs the Install button's handler.
  void Run();
  // Runs it and answers the message of the failure that propagated (empty: none).
  std::string RunExpectingFailure();

  // The rows of a table, decoded; the engine's family check of a table.
  Rows ReadRows(const std::string& db_path);
  void ExpectFamilyOk(const std::string& db_path);
  // The file names in a folder, sorted; empty when the folder is missing.
  std::vector<std::string> FilesIn(const std::string& folder);
  // Whether the persistent store defines the alias.
  bool AliasDefined(const std::string& alias);
  // The renames traced by fs_ that gave a file a name other programs open (no temporary
  // name) while its data was not flushed, under that name or one it had before.
  std::vector<std::string> NamedBeforeOnDisk() const;

  platform::testing::TempFolder temp_;
  platform::FileSystem& os_fs_ = platform::OsFileSystem();
  platform::testing::FaultInjectingFileSystem fs_{os_fs_};  // every file operation of the run
  std::string alias_store_;
  std::unique_ptr<engine::Engine> engine_;
  std::unique_ptr<EngineComponents> components_;
  FakeInstallWindow window_;
};

}  // namespace install::testing

#endif  // HINMEI_INSTALL_TESTS_INSTALL_FIXTURE_H_
