// Tables the engine creates: every field type at the levels that have it, bulk rows
// with memo texts, deep index trees in both block layouts.
#include <gtest/gtest.h>

#include "engine/check/family_check.h"
#include "engine/family.h"
#include "engine/format/layout.h"
#include "engine/operations/table_operations.h"
#include "engine/tests/test_support.h"
#include "platform/cp932.h"
#include "platform/exceptions.h"
#include "platform/testing/temp_folder.h"

namespace engine {
namespace {

using platform::Utf8ToCp932;

class Creator : public ::testing::Test {
 protected:
  platform::testing::TempFolder temp_;
  std::string path_ = temp_ / "M8HINMEI.DB";
};

TEST_F(Creator, EveryFieldTypeRoundTripsAtLevelSeven) {
  TableSpec shape;
  shape.fields = {{"A", 'A', 12}, {"D", 'D', 0}, {"S", 'S', 0}, {"I", 'I', 0}, {"M$", '$', 0}, {"N", 'N', 0},
                 {"L", 'L', 0},  {"T", 'T', 0}, {"TS", '@', 0}, {"Auto", '+', 0}, {"B", '#', 2}, {"Y", 'Y', 3},
                 {"Memo", 'M', 5}, {"Fmt", 'F', 0}, {"Bin", 'B', 0}};
  shape.key_fields = 2;
  TableCreator creator(platform::OsFileSystem(), path_, shape);
  std::vector<FieldValue> row{FieldValue::Text(Utf8ToCp932("品番")), FieldValue::Number(736695), FieldValue::Integer(-5),
                              FieldValue::Integer(123456), FieldValue::Number(19.5), FieldValue::Number(-0.25),
                              FieldValue::Logical(true), FieldValue::Number(3601000), FieldValue::Number(6.4e13),
                              FieldValue(), FieldValue::Number(-12.34), FieldValue::Text(std::string("\x01\x00\xff", 3)),
                              FieldValue::Text(Utf8ToCp932("長いメモのテキスト")), FieldValue::Text("formatted"),
                              FieldValue::Text(std::string(3000, '\x7f'))};
  creator.AddRow(row);
  std::vector<FieldValue> blank(shape.fields.size());
  blank[0] = FieldValue::Text("a");
  creator.AddRow(blank);
  creator.Finish();
  auto rows = testing::ReadRows(path_);
  ASSERT_EQ(rows.size(), 2u);
  std::vector<FieldValue> expected = row;
  expected[9] = FieldValue::Integer(1);  // numbered as added; the keys then sort "a" first
  expected[10] = FieldValue::Number(-12.34);
  EXPECT_EQ(rows[1][0], expected[0]);
  for (std::size_t f = 1; f < row.size(); ++f) {
    if (f == 10) {
      EXPECT_DOUBLE_EQ(rows[1][f].number(), -12.34);
    } else if (f != 9) {
      EXPECT_EQ(rows[1][f], expected[f]) << shape.fields[f].name;
    }
  }
  EXPECT_EQ(rows[0][9], FieldValue::Integer(2));
  EXPECT_TRUE(rows[0][3].IsNull());
  EXPECT_TRUE(rows[0][12].IsNull());
  testing::ExpectSoundFamily(path_);
}

TEST_F(Creator, ThousandsOfRowsWithMemoTexts) {
  TableSpec shape;
  shape.fields = {{"fCD", 'I', 0}, {"fHinban", 'A', 20}, {"fBikou", 'M', 20}};
  shape.key_fields = 1;
  TableCreator creator(platform::OsFileSystem(), path_, shape);
  std::vector<std::string> memos;
  for (int i = 0; i < 3000; ++i) {
    std::string memo = i % 5 == 0 ? std::string() : Utf8ToCp932(std::string(static_cast<std::size_t>(i % 7), 'x') + "備考") +
                                                         std::string(static_cast<std::size_t>((i * 97) % 2600), 'm');
    memos.push_back(memo);
    creator.AddRow({FieldValue::Integer(2999 - i), FieldValue::Text(testing::Numbered("HB-", i)),
                    memo.empty() ? FieldValue() : FieldValue::Text(memo)});
  }
  creator.Finish();
  BuildIndex(platform::OsFileSystem(), path_, "ix2", "fHinban", ixCaseInsensitive);
  auto rows = testing::ReadRows(path_);
  ASSERT_EQ(rows.size(), 3000u);
  for (int code = 0; code < 3000; ++code) {
    const auto& r = rows[static_cast<std::size_t>(code)];
    ASSERT_EQ(r[0], FieldValue::Integer(code));
    const std::string& memo = memos[static_cast<std::size_t>(2999 - code)];
    EXPECT_EQ(r[2], memo.empty() ? FieldValue() : FieldValue::Text(memo)) << code;
  }
  testing::ExpectSoundFamily(path_);
}

TEST_F(Creator, DeepTreesInBothBlockLayouts) {
  for (int level : {4, 7}) {
    SCOPED_TRACE(level);
    TableSpec shape;
    shape.fields = {{"Key", 'A', 200}, {"N", 'S', 0}};
    shape.key_fields = 1;
    shape.level = level;
    shape.block_size_kib = 1;
    shape.sort = AsciiSortOrder();
    TableCreator creator(platform::OsFileSystem(), path_, shape);
    for (int i = 0; i < 700; ++i) creator.AddRow({FieldValue::Text(testing::Numbered("k", 100000 + i)), FieldValue::Integer(i)});
    creator.Finish();
    BuildIndex(platform::OsFileSystem(), path_, "Key2", "Key;N", 0);
    MemberFile px = testing::LoadMember(temp_ / "M8HINMEI.PX");
    EXPECT_EQ(px.header().index_levels(), 3);
    EXPECT_EQ(px.header().index_root() == 1, level == 7);  // root first only at level 7
    testing::ExpectSoundFamily(path_);
  }
}

TEST_F(Creator, RefusesWhatTheFormatCannotHold) {
  auto refuses = [&](TableSpec shape) {
    EXPECT_THROW(TableCreator(platform::OsFileSystem(), path_, shape), platform::EDBEngineError);
  };
  TableSpec base = testing::SmallSpec(1);
  TableSpec s = base;
  s.level = 4;
  s.fields[0].type = 'I';  // a level 5 type
  refuses(s);
  s = base;
  s.fields[1].type = 'M';
  s.key_fields = 2;
  refuses(s);
  s = base;
  s.fields[1].name = std::string(26, 'n');
  refuses(s);
  s = base;
  s.fields[2].name = "code";  // the same name as "Code"
  refuses(s);
  s = base;
  s.block_size_kib = 16;
  s.level = 5;
  refuses(s);
  s = base;
  s.fields[1].size = 256;
  refuses(s);
  TableCreator creator(platform::OsFileSystem(), path_, base);
  creator.AddRow({FieldValue::Integer(1), FieldValue(), FieldValue()});
  creator.AddRow({FieldValue::Integer(1), FieldValue(), FieldValue()});
  EXPECT_THROW(creator.Finish(), platform::EDBEngineError);
  EXPECT_TRUE(testing::FilesIn(temp_.Path()).empty());
}

TEST_F(Creator, ANewTableReplacesTheWholeOldFamily) {
  TableCreator first(platform::OsFileSystem(), path_, testing::SmallSpec(1));
  first.AddRow({FieldValue::Integer(1), FieldValue::Text("a"), FieldValue::Text("b")});
  first.Finish();
  BuildIndex(platform::OsFileSystem(), path_, "Kana", "Kana", 0);
  TableCreator second(platform::OsFileSystem(), path_, testing::SmallSpec(0));
  second.AddRow({FieldValue::Integer(2), FieldValue(), FieldValue()});
  second.Finish();
  EXPECT_EQ(testing::FilesIn(temp_.Path()), (std::vector<std::string>{"M8HINMEI.DB"}));
  EXPECT_EQ(testing::ReadRows(path_)[0][0], FieldValue::Integer(2));
}

}  // namespace
}  // namespace engine
