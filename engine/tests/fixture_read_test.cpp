// Reading the original engine's files: every family of the fixtures, every field type
// with its known values, memo data in all three places it can be.
#include <gtest/gtest.h>

#include "engine/check/family_check.h"
#include "engine/family.h"
#include "engine/tests/test_support.h"
#include "platform/testing/shared_data.h"

namespace engine {
namespace {

using testing::LoadMember;
using testing::ReadRows;

TEST(FixtureRead, EveryMemberOfEveryFamilyReads) {
  HINMEI_FIXTURE_DIR_OR_SKIP(root, "");
  platform::FileSystem& fs = platform::OsFileSystem();
  int tables = 0;
  for (const char* folder : {"areas", "db", "fields", "geog", "joins"}) {
    for (const std::string& name : testing::FilesIn(root + folder)) {
      std::string ext = FoldName(name.substr(name.rfind('.') + 1));
      if (ext != "DB") continue;
      SCOPED_TRACE(name);
      Family family = FindFamily(fs, root + folder + "\\" + name);
      for (const std::string& member : family.Members()) {
        if (member == family.mb || member == family.val) continue;
        EXPECT_NO_THROW(LoadMember(member)) << member;
      }
      std::vector<std::vector<FieldValue>> rows;
      ASSERT_NO_THROW(rows = ReadRows(family.db));
      EXPECT_EQ(rows.size(), LoadMember(family.db).header().records());
      ++tables;
    }
  }
  EXPECT_EQ(tables, 49);
}

TEST(FixtureRead, FieldTypesHoldTheirKnownValues) {
  HINMEI_FIXTURE_DIR_OR_SKIP(root, "fields\\");
  auto rows = [&](const char* table) { return ReadRows(root + table); };
  const double jan1 = 736695, feb1 = 736726, jan2 = 736696;  // 2018-01-01, 2018-02-01, 2018-01-02
  for (const char* t : {"date35.db", "date4.db"}) {
    auto r = rows(t);
    ASSERT_EQ(r.size(), 3u) << t;
    EXPECT_EQ(r[0][0], FieldValue::Number(jan1));
    EXPECT_EQ(r[1][0], FieldValue::Number(feb1));
    EXPECT_EQ(r[2][0], FieldValue::Number(jan2));
  }
  auto d7 = rows("date7.db");
  ASSERT_EQ(d7.size(), 5u);
  EXPECT_EQ(d7[2][1], FieldValue::Number((9 * 3600 + 25 * 60 + 25) * 1000.0));
  EXPECT_TRUE(d7[3][0].IsNull());
  EXPECT_TRUE(d7[4][1].IsNull());
  auto bcd = rows("bcd.db");
  EXPECT_DOUBLE_EQ(bcd[0][0].number(), 1.23);
  EXPECT_DOUBLE_EQ(bcd[1][0].number(), -1.23);
  EXPECT_DOUBLE_EQ(bcd[1][1].number(), -1);
  EXPECT_TRUE(bcd[2][1].IsNull());
  EXPECT_NEAR(bcd[2][2].number(), 0.9999, 1e-12);
  auto logical = rows("logical.db");
  EXPECT_EQ(logical[1][0], FieldValue::Logical(false));
  EXPECT_EQ(logical[2][0], FieldValue::Logical(true));
  auto time = rows("time.db");
  EXPECT_EQ(time[0][0], FieldValue::Number(3601000));
  EXPECT_TRUE(time[1][0].IsNull());
  auto stamp = rows("timestamp.db");
  EXPECT_TRUE(stamp[0][0].IsNull());
  EXPECT_EQ(stamp[1][0], FieldValue::Number(737456.0 * 86400000.0 + 3601000.0));
  auto numbers = rows("long.db");
  EXPECT_EQ(numbers[1][0], FieldValue::Integer(2));
  EXPECT_EQ(numbers[1][1], FieldValue::Integer(2));
  EXPECT_TRUE(numbers[2][1].IsNull());
  EXPECT_EQ(rows("bytes.db")[0][0].text().size(), 255u);
  // Memo data: in the leader (12 bytes in a 240-byte leader), or in the .MB.
  auto memo = rows("memo.db");
  EXPECT_EQ(memo[1][1], FieldValue::Text("01234567890\n"));
  EXPECT_GT(memo[0][1].text().size(), 240u);
  EXPECT_EQ(rows("ole.db")[0][1].text().size(), 365928u);
  EXPECT_EQ(rows("graphic.db")[0][1].text().substr(8, 2), "BM");
}

TEST(FixtureRead, MemosInLeaderSingleBlockAndSubAllocatedBlock) {
  HINMEI_FIXTURE_DIR_OR_SKIP(root, "db\\");
  auto rows = ReadRows(root + "CUSTOMER.DB");
  ASSERT_EQ(rows.size(), 20u);
  EXPECT_EQ(rows[0][8], FieldValue::Text("Small comment (less 100 symbols)"));
  EXPECT_EQ(rows[1][8].text().substr(0, 36), "\tThe length of the leader may be zer");  // 518 bytes, sub-allocated
  EXPECT_EQ(rows[1][8].text().size(), 518u);
  std::size_t longest = 0;
  for (const auto& r : rows) longest = std::max(longest, r[8].IsNull() ? 0 : r[8].text().size());
  EXPECT_GT(longest, 2048u);  // a block of its own
}

TEST(FixtureRead, AFileMayEndInsideItsLastBlock) {
  HINMEI_FIXTURE_DIR_OR_SKIP(root, "areas\\");
  MemberFile zip = LoadMember(root + "ZIPCODES.DB");
  EXPECT_EQ(zip.size(), 43185u);
  EXPECT_EQ(zip.chain().back().count, 30);
  EXPECT_TRUE(CheckFamily(platform::OsFileSystem(), root + "ZIPCODES.DB").ok());
}

TEST(FixtureRead, TheFamilyCheckPassesEveryFixtureButTheTableMissingItsPrimaryIndex) {
  HINMEI_FIXTURE_DIR_OR_SKIP(root, "");
  for (const char* folder : {"areas", "db", "fields", "geog", "joins"}) {
    for (const std::string& name : testing::FilesIn(root + folder)) {
      if (FoldName(name.substr(name.rfind('.') + 1)) != "DB") continue;
      CheckReport report = CheckFamily(platform::OsFileSystem(), root + folder + "\\" + name);
      if (name == "STATES.DB") {
        EXPECT_FALSE(report.ok());  // keyed, and its .PX is not among the fixtures
      } else {
        EXPECT_TRUE(report.ok()) << name << ": " << report.problems[0];
      }
    }
  }
}

}  // namespace
}  // namespace engine
