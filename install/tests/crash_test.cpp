// A process that stops dead, or a power cut, before any change to the disk of a type-table
// replacement or of a whole install run: once the next run (or open) has finished what
// was pending, every folder the run writes to is at a commit point the stop allows, byte
// for byte, with no temporary file left: the type table is the old or the new one, never
// missing; each table of a master is absent, copied or indexed, never half of it; a
// master is registered only with all its files in place, and a registration that was
// made stays.
#include <gtest/gtest.h>

#include "engine/operations/engine.h"
#include "engine/write/pending_changes.h"
#include "engine/write/temporary_names.h"
#include "install/engine_components.h"
#include "install/install_run.h"
#include "install/tests/fake_install_window.h"
#include "install/type_table.h"
#include "platform/testing/crash_runs.h"
#include "tools/medium/medium_writer.h"

namespace install::testing {
namespace {

using platform::FileSystem;

const std::vector<std::string> kFolders = {"data0", "data1", "dest"};

void WriteSetting(FileSystem& fs, const std::string& root) {
  medium::MasterSpec master;
  master.items = 12;
  master.memo_every = 2;
  medium::WriteMasterFolder(fs, root + "\\medium\\m1", master);
  medium::WriteTypeTable(fs, root + "\\medium\\M7HINCD.DB", 6);
  fs.ForceDirectories(root + "\\data0");
  medium::WriteManagementTable(fs, root + "\\data0\\M6hink.DB", 4);
  medium::WriteUnitTable(fs, root + "\\data0\\TANITBL.DB");
  fs.ForceDirectories(root + "\\data1");
  medium::WriteTypeTable(fs, root + "\\data1\\M7HINCD.DB", 3);
}

FakeInstallWindow WindowOver(const std::string& root) {
  FakeInstallWindow window;
  window.exe_dir = root + "\\medium\\";
  window.management_folder = root + "\\data0";
  window.type_folder = root + "\\data1";
  window.AddRow("master", root + "\\dest", "m1");
  return window;
}

// The type table's replacement, the run's last step, has a run of its own below.
void RunInstall(FileSystem& fs, const std::string& root) {
  FakeInstallWindow window = WindowOver(root);
  engine::Engine engine(fs, root + "\\aliases.cfg");
  EngineComponents components(engine);
  Button1Click(window, components, fs);
}

void ReplaceTheTypeTable(FileSystem& fs, const std::string& root) {
  FakeInstallWindow window = WindowOver(root);
  engine::Engine engine(fs, root + "\\aliases.cfg");
  EngineComponents components(engine);
  std::unique_ptr<ErrorLog> log = window.CreateErrorLog();
  InstallContext context{window, components, fs, *log};
  ReplaceTypeTable(context);
}

// What the next run does first.
void FinishPending(FileSystem& fs, const std::string& root) {
  for (const std::string& folder : kFolders) engine::FinishPendingChanges(fs, root + "\\" + folder);
}

const platform::testing::CrashRun kTypeTable{
    "type_table_replaced", kFolders, WriteSetting, ReplaceTheTypeTable, FinishPending, engine::IsTemporaryName,
    engine::IsIntentRecordName, {"HINMEI.NET"}};
const platform::testing::CrashRun kInstall{
    "install_run", kFolders, WriteSetting, RunInstall, FinishPending, engine::IsTemporaryName,
    engine::IsIntentRecordName, {"HINMEI.NET"}};

const bool kRegistered = platform::testing::RegisterCrashRun(kTypeTable) && platform::testing::RegisterCrashRun(kInstall);

std::string Joined(const std::vector<std::string>& problems) {
  std::string text;
  for (std::size_t i = 0; i < problems.size() && i < 5; ++i) text += problems[i] + "\n";
  return text;
}

TEST(InstallCrash, AKilledTypeTableReplacementLeavesTheOldTableOrTheNew) {
  ASSERT_TRUE(kRegistered);
  platform::testing::CrashFindings found = platform::testing::KillBeforeEachChange(kTypeTable);
  EXPECT_GT(found.changes, 10);
  EXPECT_TRUE(found.problems.empty()) << found.problems.size() << " problems:\n" << Joined(found.problems);
}

TEST(InstallCrash, APowerCutDuringATypeTableReplacementLeavesTheOldTableOrTheNew) {
  platform::testing::CrashFindings found = platform::testing::CutPowerBeforeEachChange(kTypeTable);
  EXPECT_TRUE(found.problems.empty()) << found.problems.size() << " problems:\n" << Joined(found.problems);
}

TEST(InstallCrash, AKilledInstallLeavesEveryTableWholeAndRegistersOnlyWholeMasters) {
  ASSERT_TRUE(kRegistered);
  platform::testing::CrashFindings found = platform::testing::KillBeforeEachChange(kInstall);
  EXPECT_GT(found.changes, 50);
  EXPECT_TRUE(found.problems.empty()) << found.problems.size() << " problems:\n" << Joined(found.problems);
}

TEST(InstallCrash, APowerCutDuringAnInstallLosesNoRegisteredMaster) {
  platform::testing::CrashFindings found = platform::testing::CutPowerBeforeEachChange(kInstall);
  EXPECT_TRUE(found.problems.empty()) << found.problems.size() << " problems:\n" << Joined(found.problems);
}

}  // namespace
}  // namespace install::testing
