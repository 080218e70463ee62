// What a change puts on disk before its renames: every new and moved file when the
// change takes an existing file away, nothing when it only adds files or changes a table
// that is a fresh copy. And a secondary build leaves the PX alone only when the PX is the
// DB's own.
#include <gtest/gtest.h>

#include <functional>

#include "engine/family_check.h"
#include "engine/format/layout.h"
#include "engine/table_rows.h"
#include "engine/table_operations.h"
#include "engine/tests/test_support.h"
#include "platform/fault_injecting_file_system.h"
#include "platform/testing/temp_folder.h"

namespace engine {
namespace {

namespace off = format::off;
using Trace = std::vector<std::string>;

class CommitFlush : public ::testing::Test {
 protected:
  // A keyed table of 300 rows in key order, without its PX.
  void CreateTable(const std::string& path) {
    TableCreator creator(platform::OsFileSystem(), path, testing::SmallSpec(1));
    for (int i = 0; i < 300; ++i) {
      creator.AddRow({FieldValue::Integer(i), FieldValue::Text(testing::Numbered(i % 2 ? "name" : "NAME", i % 37)),
                      FieldValue()});
    }
    creator.Finish();
    platform::OsFileSystem().RemoveFile(path.substr(0, path.size() - 2) + "PX");
  }

  // The file operations of `action`, none of them failing.
  static Trace Traced(const std::function<void(platform::FileSystem&)>& action) {
    platform::FaultInjectingFileSystem fs(platform::OsFileSystem());
    action(fs);
    return fs.Trace();
  }

  static std::vector<std::size_t> Lines(const Trace& trace, const std::string& operation) {
    std::vector<std::size_t> lines;
    for (std::size_t i = 0; i < trace.size(); ++i) {
      if (trace[i].rfind(operation + " ", 0) == 0) lines.push_back(i);
    }
    return lines;
  }

  // Expects `flushed` flushes, all of them before the change's first rename.
  static void ExpectFlushedBeforeRenames(const Trace& trace, std::size_t flushed) {
    std::vector<std::size_t> flushes = Lines(trace, "Flush");
    std::vector<std::size_t> renames = Lines(trace, "RenameOver");
    ASSERT_EQ(flushes.size(), flushed);
    ASSERT_FALSE(renames.empty());
    EXPECT_LT(flushes.back(), renames.front()) << trace[flushes.back()];
  }

  platform::testing::TempFolder temp_;
  std::string path_ = temp_ / "T.DB";
};

TEST_F(CommitFlush, BuildsThatOnlyAddIndexFilesFlushNothingAndKeepTheirPx) {
  CreateTable(path_);
  Trace primary = Traced([&](platform::FileSystem& fs) { BuildIndex(fs, path_, "", "Code", ixPrimary); });
  EXPECT_TRUE(Lines(primary, "Flush").empty());
  const std::string px = testing::ReadBytes(temp_ / "T.PX");

  Trace secondary =
      Traced([&](platform::FileSystem& fs) { BuildIndex(fs, path_, "ByName", "Name", ixCaseInsensitive); });
  EXPECT_TRUE(Lines(secondary, "Flush").empty());
  EXPECT_EQ(testing::ReadBytes(temp_ / "T.PX"), px) << "the PX written for this DB stays";
  testing::ExpectSoundFamily(path_);
}

TEST_F(CommitFlush, ChangesThatReplaceFilesFlushEveryNewFileFirst) {
  CreateTable(path_);
  BuildIndex(platform::OsFileSystem(), path_, "", "Code", ixPrimary);
  BuildIndex(platform::OsFileSystem(), path_, "ByName", "Name", ixCaseInsensitive);

  // The index built again: its X and Y replace the old ones.
  Trace rebuilt =
      Traced([&](platform::FileSystem& fs) { BuildIndex(fs, path_, "ByName", "Name", ixCaseInsensitive); });
  ExpectFlushedBeforeRenames(rebuilt, 2);

  // A primary build over the indexed table writes its PX, X and Y anew.
  Trace primary = Traced([&](platform::FileSystem& fs) { BuildIndex(fs, path_, "", "Code", ixPrimary); });
  ExpectFlushedBeforeRenames(primary, 3);
  testing::ExpectSoundFamily(path_);
}

TEST_F(CommitFlush, AFreshCopyIsRebuiltWithoutFlushesAndStaysSound) {
  CreateTable(path_);
  BuildIndex(platform::OsFileSystem(), path_, "", "Code", ixPrimary);
  BuildIndex(platform::OsFileSystem(), path_, "ByName", "Name", ixCaseInsensitive);

  // The same rebuilds as above replace the PX, X and Y, but of a table just copied.
  Trace rebuilt = Traced([&](platform::FileSystem& fs) {
    BuildIndexes(fs, path_, {{"", "Code", ixPrimary}, {"ByName", "Name", ixCaseInsensitive}}, TableFiles::kFreshCopy);
  });
  EXPECT_TRUE(Lines(rebuilt, "Flush").empty());
  EXPECT_FALSE(Lines(rebuilt, "RenameOver").empty());
  testing::ExpectSoundFamily(path_);

  // An unkeyed copy is written anew, sorted, over its own DB.
  const std::string unkeyed = temp_ / "U.DB";
  TableCreator creator(platform::OsFileSystem(), unkeyed, testing::SmallSpec(0));
  for (int i = 40; i > 0; --i) creator.AddRow({FieldValue::Integer(i), FieldValue::Text("n"), FieldValue()});
  creator.Finish();
  Trace keyed = Traced([&](platform::FileSystem& fs) {
    BuildIndexes(fs, unkeyed, {{"", "Code", ixPrimary}}, TableFiles::kFreshCopy);
  });
  EXPECT_TRUE(Lines(keyed, "Flush").empty());
  testing::ExpectSoundFamily(unkeyed);
  EXPECT_EQ(ReadAllRows(platform::OsFileSystem(), unkeyed).front()[0].integer(), 1);
}

TEST_F(CommitFlush, AFamilyMovedOverAnotherIsOnDiskBeforeItsFirstRename) {
  CreateTable(path_);
  BuildIndex(platform::OsFileSystem(), path_, "", "Code", ixPrimary);
  const std::string moved = temp_ / "N.DB";
  CreateTable(moved);
  BuildIndex(platform::OsFileSystem(), moved, "", "Code", ixPrimary);

  Trace trace = Traced([&](platform::FileSystem& fs) { MoveTableFamily(fs, moved, path_); });
  ExpectFlushedBeforeRenames(trace, 2);
  for (std::size_t line : Lines(trace, "Flush")) {
    EXPECT_TRUE(trace[line] == "Flush " + moved || trace[line] == "Flush " + temp_ / "N.PX") << trace[line];
  }
  EXPECT_EQ(testing::FilesIn(temp_.Path()), (std::vector<std::string>{"T.DB", "T.PX"}));
  testing::ExpectSoundFamily(path_);
}

TEST_F(CommitFlush, ASecondaryBuildWritesAnewAPxThatIsNotTheDbs) {
  CreateTable(path_);
  BuildIndex(platform::OsFileSystem(), path_, "", "Code", ixPrimary);
  // A PX left by another DB of the same name: its stamp is not the DB's.
  std::string px = testing::ReadBytes(temp_ / "T.PX");
  const std::string db = testing::ReadBytes(path_);
  px[off::kStamp2C] = static_cast<char>(db[off::kStamp2D] + 1);
  testing::WriteBytes(temp_ / "T.PX", px);

  BuildIndex(platform::OsFileSystem(), path_, "ByName", "Name", ixCaseInsensitive);
  EXPECT_EQ(testing::ReadBytes(temp_ / "T.PX")[off::kStamp2C], db[off::kStamp2D]);
  testing::ExpectSoundFamily(path_);
}

}  // namespace
}  // namespace engine
