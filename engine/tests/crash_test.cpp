// A process that stops dead, or a power cut, at any moment of a change: after the next
// open has finished what was pending, the folder is at the commit point before the
// moment or the one after it (a power cut may also take back changes since the last
// folder flush, never one before it), byte for byte, with no file of the change left.
// The stops are real: a child process ends itself before its nth change to the disk.
// The power cuts are modelled by the file system in memory, which keeps what would
// survive one.
#include <gtest/gtest.h>

#include "engine/engine.h"
#include "engine/pending_changes.h"
#include "engine/table.h"
#include "engine/table_operations.h"
#include "engine/temporary_names.h"
#include "engine/tests/test_support.h"
#include "platform/exceptions.h"
#include "platform/testing/commit_points.h"
#include "platform/testing/fault_injecting_file_system.h"
#include "platform/testing/kill_points.h"
#include "platform/testing/memory_file_system.h"
#include "platform/testing/temp_folder.h"

namespace engine {
namespace {

using platform::FileSystem;
using platform::testing::CommitPoints;
using platform::testing::FolderState;

// A keyed table of 40 rows in 1 KiB blocks (three of them), in key order or not.
void WriteTable(FileSystem& fs, const std::string& path, int key_fields, bool shuffled) {
  TableCreator creator(fs, path, testing::SmallSpec(key_fields));
  for (int i = 0; i < 40; ++i) {
    const int code = shuffled ? (i * 17) % 40 : i;
    creator.AddRow({FieldValue::Integer(code * 2), FieldValue::Text(testing::Numbered("n", code % 7)),
                    FieldValue::Text(code % 2 ? "kana" : "KANA")});
  }
  creator.Finish();
}

std::string TableIn(const std::string& folder) { return folder + "\\T.DB"; }

struct Scenario {
  const char* name;
  void (*seed)(FileSystem& fs, const std::string& folder);
  void (*action)(FileSystem& fs, const std::string& folder);
};

void Append(FileSystem& fs, const std::string& folder) {
  Engine engine(fs, folder + ".aliases");
  TTable table(engine);
  table.SetTableName(TableIn(folder));
  table.Open();
  table.BeginAppend();
  table.WriteField("Code", 41);
  table.WriteField("Name", "appended");
  table.PostRecord();
}

const Scenario kScenarios[] = {
    {"append to a keyed table with a maintained secondary index",
     [](FileSystem& fs, const std::string& folder) {
       WriteTable(fs, TableIn(folder), 1, false);
       BuildIndex(fs, TableIn(folder), "Name", "Name", 0);
     },
     Append},
    {"append to a keyed table with its primary index alone",
     [](FileSystem& fs, const std::string& folder) { WriteTable(fs, TableIn(folder), 1, false); }, Append},
    {"primary index on an unkeyed table",
     [](FileSystem& fs, const std::string& folder) { WriteTable(fs, TableIn(folder), 0, true); },
     [](FileSystem& fs, const std::string& folder) { BuildIndex(fs, TableIn(folder), "", "Code", ixPrimary); }},
    {"indexes over existing ones, from one read",
     [](FileSystem& fs, const std::string& folder) {
       WriteTable(fs, TableIn(folder), 1, false);
       BuildIndex(fs, TableIn(folder), "ByKana", "Kana;Name", ixCaseInsensitive);
     },
     [](FileSystem& fs, const std::string& folder) {
       BuildIndexes(fs, TableIn(folder), {{"", "Code", ixPrimary}, {"ByKana", "Kana;Name", ixCaseInsensitive}});
     }},
    {"secondary index on a fresh copy",
     [](FileSystem& fs, const std::string& folder) { WriteTable(fs, TableIn(folder), 1, false); },
     [](FileSystem& fs, const std::string& folder) {
       BuildIndexes(fs, TableIn(folder), {{"ix2", "Name", ixCaseInsensitive}}, TableFiles::kFreshCopy);
     }},
    {"table dropped",
     [](FileSystem& fs, const std::string& folder) {
       WriteTable(fs, TableIn(folder), 1, false);
       BuildIndex(fs, TableIn(folder), "Name", "Name", 0);
     },
     [](FileSystem& fs, const std::string& folder) { DropTableFamily(fs, TableIn(folder)); }},
};

const bool kRegistered = [] {
  for (const Scenario& s : kScenarios) {
    platform::testing::RegisterKillPointAction(s.name, [&s](FileSystem& fs, const std::vector<std::string>& args) {
      s.action(fs, args.at(0));
    });
  }
  return true;
}();

std::optional<FolderState> Settled(FileSystem& fs, const std::string& folder,
                                   const std::function<std::string(const std::string&)>& read) {
  return platform::testing::SettledState(fs, {folder}, read, IsTemporaryName, {"HINMEI.NET"});
}

class CrashTest : public ::testing::TestWithParam<Scenario> {};

TEST_P(CrashTest, AProcessKilledBeforeAnyChangeLeavesTheOldOrTheNewState) {
  ASSERT_TRUE(kRegistered);
  platform::FileSystem& fs = platform::OsFileSystem();
  platform::testing::TempFolder temp;
  const std::string seed = temp / "seed", work = temp / "work";
  fs.ForceDirectories(seed);
  GetParam().seed(fs, seed);
  auto restore = [&] {
    platform::testing::RemoveTree(work);
    fs.ForceDirectories(work);
    for (const std::string& name : testing::FilesIn(seed)) testing::CopyFile(seed + "\\" + name, work + "\\" + name);
  };
  auto read = platform::testing::ReadIgnoringShares;
  restore();
  const CommitPoints points = CommitPoints::Record(
      fs, [&] { return Settled(fs, work, read); }, [&](FileSystem& counted) { GetParam().action(counted, work); });
  ASSERT_GT(points.changes(), 3);

  for (long n = 1; n <= points.changes() + 1; ++n) {
    SCOPED_TRACE(testing::Numbered("stopped before change ", static_cast<int>(n)));
    restore();
    platform::testing::ChildEnd end = platform::testing::RunKillPointChild(GetParam().name, n, {work});
    ASSERT_EQ(end, n <= points.changes() ? platform::testing::ChildEnd::kStopped
                                         : platform::testing::ChildEnd::kCompleted);
    OpenFamily(fs, TableIn(work));  // the next open
    std::optional<FolderState> left = Settled(fs, work, read);
    ASSERT_TRUE(left) << "a file of the change is left";
    std::string why;
    EXPECT_TRUE(CommitPoints::Among(*left, points.AfterKill(n), &why)) << why;
  }
}

TEST_P(CrashTest, APowerCutBeforeAnyChangeLeavesWhatWasFlushedOrMore) {
  platform::testing::MemoryFileSystem seed;
  const std::string work = "C:\\data";
  seed.ForceDirectories(work);
  GetParam().seed(seed, work);
  auto fresh = [&] {
    auto disk = std::make_unique<platform::testing::MemoryFileSystem>();
    for (const auto& [path, bytes] : seed.Files()) disk->Put(path, bytes);
    return disk;
  };
  auto disk = fresh();
  auto read = [&](platform::testing::MemoryFileSystem& m) {
    return [&m](const std::string& path) { return m.Files().at(path); };
  };
  const CommitPoints points = CommitPoints::Record(
      *disk, [&] { return Settled(*disk, work, read(*disk)); },
      [&](FileSystem& counted) { GetParam().action(counted, work); });

  std::size_t states = 0;
  for (long n = 1; n <= points.changes(); ++n) {
    SCOPED_TRACE(testing::Numbered("power cut before change ", static_cast<int>(n)));
    auto running = fresh();
    std::vector<std::unique_ptr<platform::testing::MemoryFileSystem>> after_cut;
    platform::testing::FaultInjectingFileSystem cut(*running);
    cut.StopBeforeChange(n, [&] {
      for (std::size_t kept = 0; kept <= running->UnflushedEntryChanges(); ++kept) {
        after_cut.push_back(running->AfterPowerCut(kept));
      }
    });
    try {
      GetParam().action(cut, work);
    } catch (const platform::Exception&) {
      // Nothing reaches the disk after the cut.
    }
    ASSERT_FALSE(after_cut.empty());
    for (auto& state : after_cut) {
      OpenFamily(*state, TableIn(work));
      std::optional<FolderState> left = Settled(*state, work, read(*state));
      ASSERT_TRUE(left) << "a file of the change is left";
      std::string why;
      EXPECT_TRUE(CommitPoints::Among(*left, points.AfterPowerCut(n), &why)) << why;
      ++states;
    }
  }
  EXPECT_GT(states, static_cast<std::size_t>(points.changes()));
}

std::string ScenarioName(const ::testing::TestParamInfo<Scenario>& info) {
  std::string name;
  for (const char* c = info.param.name; *c; ++c) name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
  return name;
}

INSTANTIATE_TEST_SUITE_P(Changes, CrashTest, ::testing::ValuesIn(kScenarios), ScenarioName);

}  // namespace
}  // namespace engine
