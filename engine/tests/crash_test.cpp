// A process that stops dead, or a power cut, before any change to the disk that an
// append, an index build, a drop or a repair makes: after the next open has finished what was
// pending, the table's folder is as it was before the change or as the change leaves it
// (a power cut may also take back a change whose folder was not flushed yet, never one
// that reported itself done), byte for byte, with no file of the change left. The kills
// are real: a child process ends itself before its nth change. The power cuts are
// modelled by the file system in memory, which keeps what would survive one.
#include <gtest/gtest.h>

#include "engine/operations/engine.h"
#include "engine/operations/table.h"
#include "engine/operations/table_operations.h"
#include "engine/repair/family_repair.h"
#include "engine/tests/test_support.h"
#include "engine/write/pending_changes.h"
#include "engine/write/temporary_names.h"
#include "platform/testing/crash_runs.h"

namespace engine {
namespace {

using platform::FileSystem;

std::string TableIn(const std::string& root) { return root + "\\data\\T.DB"; }

// A keyed table of 40 rows in 1 KiB blocks (three of them), in key order or not.
void WriteTable(FileSystem& fs, const std::string& root, int key_fields, bool shuffled) {
  fs.ForceDirectories(root + "\\data");
  TableCreator creator(fs, TableIn(root), testing::SmallSpec(key_fields));
  for (int i = 0; i < 40; ++i) {
    const int code = shuffled ? (i * 17) % 40 : i;
    creator.AddRow({FieldValue::Integer(code * 2), FieldValue::Text(testing::Numbered("n", code % 7)),
                    FieldValue::Text(code % 2 ? "kana" : "KANA")});
  }
  creator.Finish();
}

void WriteIndexedTable(FileSystem& fs, const std::string& root) {
  WriteTable(fs, root, 1, false);
  BuildIndex(fs, TableIn(root), "Name", "Name", 0);
}

// The indexed table with its header counting one record too many: the check fails, and
// a repair writes the family anew, keeping the old one in a backup folder.
void WriteMiscountedTable(FileSystem& fs, const std::string& root) {
  WriteIndexedTable(fs, root);
  std::string bytes = platform::ReadWholeFile(fs, TableIn(root));
  constexpr std::size_t kRecordCount = 6;
  bytes[kRecordCount] = static_cast<char>(bytes[kRecordCount] + 1);
  platform::WriteWholeFile(fs, TableIn(root), bytes);
}

void Append(FileSystem& fs, const std::string& root) {
  Engine engine(fs, root + "\\aliases.cfg");
  TTable table(engine);
  table.SetTableName(TableIn(root));
  table.Open();
  table.BeginAppend();
  table.WriteField("Code", 41);
  table.WriteField("Name", "appended");
  table.PostRecord();
}

platform::testing::CrashRun Run(const std::string& name, std::function<void(FileSystem&, const std::string&)> seed,
                                std::function<void(FileSystem&, const std::string&)> action) {
  return {name,
          {"data"},
          std::move(seed),
          std::move(action),
          [](FileSystem& fs, const std::string& root) { OpenFamily(fs, TableIn(root)); },
          IsTemporaryName,
          IsIntentRecordName,
          {"HINMEI.NET"}};
}

const std::vector<platform::testing::CrashRun>& Runs() {
  static const std::vector<platform::testing::CrashRun> runs = {
      Run("append_with_a_secondary_index", WriteIndexedTable, Append),
      Run("append_with_the_primary_index_alone",
          [](FileSystem& fs, const std::string& root) { WriteTable(fs, root, 1, false); }, Append),
      Run("primary_index_on_an_unkeyed_table",
          [](FileSystem& fs, const std::string& root) { WriteTable(fs, root, 0, true); },
          [](FileSystem& fs, const std::string& root) { BuildIndex(fs, TableIn(root), "", "Code", ixPrimary); }),
      Run("indexes_over_existing_ones_from_one_read",
          [](FileSystem& fs, const std::string& root) {
            WriteTable(fs, root, 1, false);
            BuildIndex(fs, TableIn(root), "ByKana", "Kana;Name", ixCaseInsensitive);
          },
          [](FileSystem& fs, const std::string& root) {
            BuildIndexes(fs, TableIn(root), {{"", "Code", ixPrimary}, {"ByKana", "Kana;Name", ixCaseInsensitive}});
          }),
      Run("secondary_index_on_a_fresh_copy",
          [](FileSystem& fs, const std::string& root) { WriteTable(fs, root, 1, false); },
          [](FileSystem& fs, const std::string& root) {
            // As the install does: one flush of the folder after its fresh copies.
            BuildIndexes(fs, TableIn(root), {{"ix2", "Name", ixCaseInsensitive}}, TableFiles::kFreshCopy);
            fs.FlushFolder(root + "\\data");
          }),
      Run("table_dropped", WriteIndexedTable,
          [](FileSystem& fs, const std::string& root) { DropTableFamily(fs, TableIn(root)); }),
      Run("table_repaired", WriteMiscountedTable,
          [](FileSystem& fs, const std::string& root) {
            RepairFamily(fs, TableIn(root), RepairOptions{"", "20261210-000000"});
          }),
  };
  return runs;
}

const bool kRegistered = [] {
  for (const platform::testing::CrashRun& run : Runs()) platform::testing::RegisterCrashRun(run);
  return true;
}();

std::string Joined(const std::vector<std::string>& problems) {
  std::string text;
  for (std::size_t i = 0; i < problems.size() && i < 5; ++i) text += problems[i] + "\n";
  return text;
}

class CrashTest : public ::testing::TestWithParam<std::size_t> {
 protected:
  const platform::testing::CrashRun& run() const { return Runs()[GetParam()]; }
};

TEST_P(CrashTest, AKilledProcessLeavesTheStateBeforeOrAfterItsChange) {
  ASSERT_TRUE(kRegistered);
  platform::testing::CrashFindings found = platform::testing::KillBeforeEachChange(run());
  EXPECT_GT(found.changes, 5);
  EXPECT_TRUE(found.problems.empty()) << found.problems.size() << " problems:\n" << Joined(found.problems);
}

TEST_P(CrashTest, APowerCutLeavesWhatWasFlushedOrMore) {
  platform::testing::CrashFindings found = platform::testing::CutPowerBeforeEachChange(run());
  EXPECT_GT(found.stops, static_cast<std::size_t>(found.changes));
  EXPECT_TRUE(found.problems.empty()) << found.problems.size() << " problems:\n" << Joined(found.problems);
}

INSTANTIATE_TEST_SUITE_P(Changes, CrashTest, ::testing::Range<std::size_t>(0, 7),
                         [](const ::testing::TestParamInfo<std::size_t>& info) { return Runs()[info.param].name; });

}  // namespace
}  // namespace engine
