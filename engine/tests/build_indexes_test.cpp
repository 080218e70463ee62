// BuildIndexes: a primary index and the secondary ones after it built from one read of
// the rows leave the very files that building them one by one leaves, and anything it
// cannot build so is built one by one, failures included.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "engine/operations/table_operations.h"
#include "engine/tests/test_support.h"
#include "platform/cp932.h"
#include "platform/exceptions.h"
#include "platform/testing/fault_injecting_file_system.h"
#include "platform/testing/temp_folder.h"

namespace engine {
namespace {

const std::vector<IndexRequest> kItemIndexes = {{"", "fCD", ixPrimary}, {"ix2", "fHinban", ixCaseInsensitive}};

class BuildIndexes : public ::testing::Test {
 protected:
  // An item table of `rows` rows: codes in key order (or shuffled, unkeyed), item
  // numbers in mixed case and CP932 with many alike. `with_px`: as the engine writes a
  // keyed table; without: as an install medium brings it, the DB alone.
  void CreateItems(const std::string& folder, int rows, bool keyed, bool with_px) {
    TableSpec shape;
    shape.fields = {{"fCD", 'A', 10}, {"fHinban", 'A', 20}, {"fName", 'A', 30}};
    shape.key_fields = keyed ? 1 : 0;
    shape.block_size_kib = 2;
    const std::string db = folder + "\\M8HINMEI.DB";
    TableCreator creator(platform::OsFileSystem(), db, shape);
    const char* makers[] = {"pana-", "PANA-", "toto-", "ｾﾝｻｰ-", "配管-"};
    for (int i = 0; i < rows; ++i) {
      const int code = keyed ? i : (i * 7919) % rows;
      creator.AddRow({FieldValue::Text(testing::Numbered("C", 1000000 + code)),
                      FieldValue::Text(platform::Utf8ToCp932(makers[code % 5]) + testing::Numbered("", code % 997)),
                      FieldValue::Text(testing::Numbered("name ", code))});
    }
    creator.Finish();
    const std::string px = folder + "\\M8HINMEI.PX";
    if (!with_px && platform::OsFileSystem().FileExists(px)) platform::OsFileSystem().RemoveFile(px);
  }

  // The DB's reads while `action` runs.
  long DbReads(const std::function<void(platform::FileSystem&)>& action) {
    platform::testing::FaultInjectingFileSystem fs(platform::OsFileSystem());
    action(fs);
    long reads = 0;
    for (const std::string& line : fs.Trace()) reads += line.rfind("ReadAt", 0) == 0 && line.find("M8HINMEI.DB") != std::string::npos;
    return reads;
  }

  // Builds `requests` together in one folder and one by one in another, from the same
  // table, and expects the same files and the same error; answers the DB reads of each.
  std::pair<long, long> ExpectSameAsOneByOne(const std::vector<IndexRequest>& requests) {
    testing::CopyFile(together_ / "M8HINMEI.DB", one_by_one_ / "M8HINMEI.DB");
    if (platform::OsFileSystem().FileExists(together_ / "M8HINMEI.PX")) {
      testing::CopyFile(together_ / "M8HINMEI.PX", one_by_one_ / "M8HINMEI.PX");
    }
    std::string together_error = "(none)";
    std::string one_by_one_error = "(none)";
    const long together_reads = DbReads([&](platform::FileSystem& fs) {
      try {
        engine::BuildIndexes(fs, together_ / "M8HINMEI.DB", requests);
      } catch (const platform::EDBEngineError& e) {
        together_error = e.what();
      }
    });
    const long one_by_one_reads = DbReads([&](platform::FileSystem& fs) {
      try {
        for (const IndexRequest& r : requests) BuildIndex(fs, one_by_one_ / "M8HINMEI.DB", r.name, r.fields, r.options);
      } catch (const platform::EDBEngineError& e) {
        one_by_one_error = e.what();
      }
    });
    EXPECT_EQ(together_error.substr(0, together_error.find(together_.Path())),
              one_by_one_error.substr(0, one_by_one_error.find(one_by_one_.Path())));
    EXPECT_EQ(testing::FolderSnapshot(together_.Path()), testing::FolderSnapshot(one_by_one_.Path()));
    return {together_reads, one_by_one_reads};
  }

  platform::testing::TempFolder together_;
  platform::testing::TempFolder one_by_one_;
};

TEST_F(BuildIndexes, KeyedTableIsReadOnceForBothIndexesAndGetsTheSameFiles) {
  // Small tables are read through the chain; from 2 MiB on in runs on two threads.
  for (int rows : {700, 40000}) {
    for (bool with_px : {false, true}) {
      SCOPED_TRACE(testing::Numbered(with_px ? "with its PX, rows " : "DB alone, rows ", rows));
      platform::testing::RemoveTree(together_.Path());
      platform::testing::RemoveTree(one_by_one_.Path());
      platform::OsFileSystem().ForceDirectories(together_.Path());
      platform::OsFileSystem().ForceDirectories(one_by_one_.Path());
      CreateItems(together_.Path(), rows, true, with_px);
      auto [together, one_by_one] = ExpectSameAsOneByOne(kItemIndexes);
      EXPECT_LT(together, one_by_one);
      testing::ExpectSoundFamily(together_ / "M8HINMEI.DB");

      // Again over the indexes just built: they are replaced alike.
      std::tie(together, one_by_one) = ExpectSameAsOneByOne(kItemIndexes);
      EXPECT_LT(together, one_by_one);
    }
  }
}

// An install medium's unkeyed table, and a keyed one whose rows are out of order: the
// rows are sorted once and every index is written from them, in one change.
TEST_F(BuildIndexes, RowsToBeSortedAreReadOnceMoreAtMost) {
  for (bool keyed : {false, true}) {
    SCOPED_TRACE(keyed ? "keyed, rows out of order" : "unkeyed");
    platform::testing::RemoveTree(together_.Path());
    platform::testing::RemoveTree(one_by_one_.Path());
    platform::OsFileSystem().ForceDirectories(together_.Path());
    platform::OsFileSystem().ForceDirectories(one_by_one_.Path());
    CreateItems(together_.Path(), 40000, false, false);
    if (keyed) {
      std::string db = platform::ReadWholeFile(platform::OsFileSystem(), together_ / "M8HINMEI.DB");
      db[0x04] = 0;  // keyed data
      db[0x23] = 1;  // on its first field
      platform::WriteWholeFile(platform::OsFileSystem(), together_ / "M8HINMEI.DB", db);
    }
    auto [together, one_by_one] = ExpectSameAsOneByOne(kItemIndexes);
    EXPECT_LT(together, one_by_one);
    testing::ExpectSoundFamily(together_ / "M8HINMEI.DB");
  }
}

TEST_F(BuildIndexes, WhatCannotBeBuiltTogetherIsBuiltOneByOne) {
  // Rows to be sorted first, built together; then a secondary index on a field the table
  // lacks (the primary index is built, then the field is not found); then a list that
  // does not start with the primary index.
  CreateItems(together_.Path(), 700, false, false);
  ExpectSameAsOneByOne(kItemIndexes);
  ExpectSameAsOneByOne({{"", "fCD", ixPrimary}, {"ix3", "fMissing", 0}, {"ix2", "fHinban", ixCaseInsensitive}});
  ExpectSameAsOneByOne({{"ix2", "fHinban", ixCaseInsensitive}, {"", "fCD", ixPrimary}});
  ExpectSameAsOneByOne({{"", "fHinban", ixPrimary}, {"ix2", "fName", 0}});
}

}  // namespace
}  // namespace engine
