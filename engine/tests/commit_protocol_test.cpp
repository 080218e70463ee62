// The order of a change's file operations: every new and moved file is flushed before
// the first rename; a change of more than one step writes and flushes its intent record
// before it; each new file replaces the member it takes the place of in one rename, no
// member being moved aside; the folder is flushed after the last rename (a fresh copy
// leaves that to its caller) and the record goes after that. And a secondary build
// leaves the PX alone only when the PX is the DB's own; a replaced member's marks pass
// to its successor.
#include <gtest/gtest.h>

#include <functional>

#include "engine/check/family_check.h"
#include "engine/family.h"
#include "engine/format/layout.h"
#include "engine/operations/table_operations.h"
#include "engine/read/table_rows.h"
#include "engine/tests/test_support.h"
#include "engine/write/temporary_names.h"
#include "platform/testing/fault_injecting_file_system.h"
#include "platform/testing/temp_folder.h"

namespace engine {
namespace {

namespace off = format::off;
using Trace = std::vector<std::string>;

class CommitProtocol : public ::testing::Test {
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
    platform::testing::FaultInjectingFileSystem fs(platform::OsFileSystem());
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

  static std::string PathOf(const std::string& line) { return line.substr(line.find(' ') + 1); }

  struct Expected {
    std::size_t renames;
    bool record;
    bool folder_flush;
  };

  // Checks the protocol above on the trace of one change; `moved` names files the change
  // moves rather than writes.
  static void ExpectProtocol(const Trace& trace, Expected expected, const std::vector<std::string>& moved = {}) {
    std::vector<std::size_t> renames = Lines(trace, "RenameOver");
    ASSERT_EQ(renames.size(), expected.renames);
    std::vector<std::size_t> flushes = Lines(trace, "Flush");
    for (std::size_t r : renames) {
      const std::string from = PathOf(trace[r]);
      bool is_moved = std::find(moved.begin(), moved.end(), from) != moved.end();
      EXPECT_TRUE(is_moved || IsTemporaryName(NameOf(from))) << "a member moved aside: " << trace[r];
      bool flushed = false;
      for (std::size_t f : flushes) flushed = flushed || (f < renames.front() && PathOf(trace[f]) == from);
      EXPECT_TRUE(flushed) << "not on disk before the first rename: " << from;
    }
    std::size_t record_flush = trace.size();
    for (std::size_t f : flushes) {
      if (IsIntentRecordName(NameOf(PathOf(trace[f])))) record_flush = f;
    }
    if (expected.record) {
      ASSERT_LT(record_flush, renames.front()) << "no intent record on disk before the first rename";
    } else {
      EXPECT_EQ(record_flush, trace.size()) << "a change of one step needs no intent record";
    }
    std::vector<std::size_t> folder_flushes = Lines(trace, "FlushFolder");
    if (expected.folder_flush) {
      ASSERT_FALSE(folder_flushes.empty());
      EXPECT_GT(folder_flushes.back(), renames.back());
    } else {
      EXPECT_TRUE(folder_flushes.empty() || folder_flushes.back() < renames.front()) << "a fresh copy's folder is "
                                                                                         "its caller's to flush";
    }
    for (std::size_t line : Lines(trace, "RemoveFile")) {
      if (IsIntentRecordName(NameOf(PathOf(trace[line])))) {
        EXPECT_GT(line, folder_flushes.empty() ? renames.back() : folder_flushes.back());
      }
    }
  }

  platform::testing::TempFolder temp_;
  std::string path_ = temp_ / "T.DB";
};

TEST_F(CommitProtocol, BuildsThatAddIndexFiles) {
  CreateTable(path_);
  Trace primary = Traced([&](platform::FileSystem& fs) { BuildIndex(fs, path_, "", "Code", ixPrimary); });
  ExpectProtocol(primary, {1, false, true});
  const std::string px = testing::ReadBytes(temp_ / "T.PX");

  Trace secondary =
      Traced([&](platform::FileSystem& fs) { BuildIndex(fs, path_, "ByName", "Name", ixCaseInsensitive); });
  ExpectProtocol(secondary, {2, true, true});
  EXPECT_EQ(testing::ReadBytes(temp_ / "T.PX"), px) << "the PX written for this DB stays";
  EXPECT_EQ(testing::FilesIn(temp_.Path()), (std::vector<std::string>{"T.DB", "T.PX", "T.XG0", "T.YG0"}));
  testing::ExpectSoundFamily(path_);
}

TEST_F(CommitProtocol, ChangesThatReplaceMembers) {
  CreateTable(path_);
  BuildIndex(platform::OsFileSystem(), path_, "", "Code", ixPrimary);
  BuildIndex(platform::OsFileSystem(), path_, "ByName", "Name", ixCaseInsensitive);

  Trace rebuilt =
      Traced([&](platform::FileSystem& fs) { BuildIndex(fs, path_, "ByName", "Name", ixCaseInsensitive); });
  ExpectProtocol(rebuilt, {2, true, true});
  Trace primary = Traced([&](platform::FileSystem& fs) { BuildIndex(fs, path_, "", "Code", ixPrimary); });
  ExpectProtocol(primary, {3, true, true});
  Trace dropped = Traced([&](platform::FileSystem& fs) { DropTableFamily(fs, path_); });
  EXPECT_TRUE(Lines(dropped, "RenameOver").empty());
  EXPECT_EQ(Lines(dropped, "RemoveFile").size(), 4u + 1u) << "four members and the intent record";
  EXPECT_TRUE(testing::FilesIn(temp_.Path()).empty());
}

TEST_F(CommitProtocol, AFreshCopyIsFlushedButItsFolderIsLeftToTheCaller) {
  CreateTable(path_);
  BuildIndex(platform::OsFileSystem(), path_, "", "Code", ixPrimary);
  BuildIndex(platform::OsFileSystem(), path_, "ByName", "Name", ixCaseInsensitive);
  Trace rebuilt = Traced([&](platform::FileSystem& fs) {
    BuildIndexes(fs, path_, {{"", "Code", ixPrimary}, {"ByName", "Name", ixCaseInsensitive}}, TableFiles::kFreshCopy);
  });
  ExpectProtocol(rebuilt, {3, true, false});
  testing::ExpectSoundFamily(path_);

  // An unkeyed copy is written anew, sorted, over its own DB.
  const std::string unkeyed = temp_ / "U.DB";
  TableCreator creator(platform::OsFileSystem(), unkeyed, testing::SmallSpec(0));
  for (int i = 40; i > 0; --i) creator.AddRow({FieldValue::Integer(i), FieldValue::Text("n"), FieldValue()});
  creator.Finish();
  Trace keyed = Traced([&](platform::FileSystem& fs) {
    BuildIndexes(fs, unkeyed, {{"", "Code", ixPrimary}}, TableFiles::kFreshCopy);
  });
  ExpectProtocol(keyed, {2, true, false});
  testing::ExpectSoundFamily(unkeyed);
  EXPECT_EQ(ReadAllRows(platform::OsFileSystem(), unkeyed).front()[0].integer(), 1);

  Trace copied = Traced([&](platform::FileSystem& fs) {
    CopyIntoPlace(fs, unkeyed, temp_ / "C.DB", TableFiles::kFreshCopy);
  });
  ExpectProtocol(copied, {1, false, false});
  EXPECT_EQ(testing::ReadBytes(temp_ / "C.DB"), testing::ReadBytes(unkeyed));
}

TEST_F(CommitProtocol, AFamilyMovedOverAnother) {
  CreateTable(path_);
  BuildIndex(platform::OsFileSystem(), path_, "", "Code", ixPrimary);
  BuildIndex(platform::OsFileSystem(), path_, "ByName", "Name", ixCaseInsensitive);
  const std::string moved = temp_ / "N.DB";
  CreateTable(moved);
  BuildIndex(platform::OsFileSystem(), moved, "", "Code", ixPrimary);

  Trace trace = Traced([&](platform::FileSystem& fs) { MoveTableFamily(fs, moved, path_); });
  ExpectProtocol(trace, {2, true, true}, {moved, temp_ / "N.PX"});
  EXPECT_EQ(testing::FilesIn(temp_.Path()), (std::vector<std::string>{"T.DB", "T.PX"}));
  testing::ExpectSoundFamily(path_);
}

// A family new to its folder appears whole to whoever opens it by its DB, even while a
// change stopped half-way is not finished: its DB takes its name last.
TEST_F(CommitProtocol, ANewFamilyTakesItsDbNameLast) {
  const std::string source = temp_ / "~new.DB";
  CreateTable(source);
  BuildIndex(platform::OsFileSystem(), source, "", "Code", ixPrimary);
  BuildIndex(platform::OsFileSystem(), source, "ByName", "Name", ixCaseInsensitive);
  platform::testing::FaultInjectingFileSystem fs(platform::OsFileSystem());
  auto expect_whole_once_there = [&] {
    if (!platform::OsFileSystem().FileExists(path_)) return;
    for (const char* member : {"T.PX", "T.XG0", "T.YG0"}) {
      EXPECT_TRUE(platform::OsFileSystem().FileExists(temp_ / member)) << member << " after T.DB";
    }
  };
  fs.ObserveChanges(expect_whole_once_there);
  MoveTableFamily(fs, source, path_);
  expect_whole_once_there();
  EXPECT_EQ(testing::FilesIn(temp_.Path()), (std::vector<std::string>{"T.DB", "T.PX", "T.XG0", "T.YG0"}));
}

TEST_F(CommitProtocol, ASecondaryBuildWritesAnewAPxThatIsNotTheDbs) {
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

// An unkeyed table whose primary build writes its DB anew keeps the hidden and read-only
// marks the table had; Windows and Wine agree on these two.
TEST_F(CommitProtocol, ARewrittenMemberKeepsTheMarksOfTheOneItReplaces) {
  const std::string unkeyed = temp_ / "U.DB";
  TableCreator creator(platform::OsFileSystem(), unkeyed, testing::SmallSpec(0));
  for (int i = 40; i > 0; --i) creator.AddRow({FieldValue::Integer(i), FieldValue::Text("n"), FieldValue()});
  creator.Finish();
  const std::uint32_t marks = platform::kAttributeHidden | platform::kAttributeReadOnly;
  ASSERT_TRUE(platform::OsFileSystem().SetAttributes(unkeyed, marks));
  const std::string before = testing::ReadBytes(unkeyed);
  BuildIndex(platform::OsFileSystem(), unkeyed, "", "Code", ixPrimary);
  EXPECT_NE(testing::ReadBytes(unkeyed), before) << "the DB was written anew";
  EXPECT_EQ(platform::OsFileSystem().GetAttributes(unkeyed) & marks, marks);
  EXPECT_EQ(platform::OsFileSystem().GetAttributes(temp_ / "U.PX") & marks, 0u);
  platform::OsFileSystem().SetAttributes(unkeyed, platform::kAttributeArchive);
}

}  // namespace
}  // namespace engine
