// Appending rows through the table component: key order, key violations, every index
// kept valid, nothing truncated, the table's stamps untouched.
#include <gtest/gtest.h>

#include "engine/check/family_check.h"
#include "engine/engine_texts.h"
#include "engine/family.h"
#include "engine/format/layout.h"
#include "engine/operations/engine.h"
#include "engine/operations/table.h"
#include "engine/operations/table_operations.h"
#include "engine/tests/test_support.h"
#include "platform/cp932.h"
#include "platform/exceptions.h"
#include "platform/testing/temp_folder.h"

namespace engine {
namespace {

using platform::Utf8ToCp932;
namespace off = format::off;

class Append : public ::testing::Test {
 protected:
  // A management-like table: fCD, fPath, fMei; rows 1..3.
  void Create(int key_fields, bool with_indexes) {
    TableSpec shape;
    shape.fields = {{"fCD", 'I', 0}, {"fPath", 'A', 40}, {"fMei", 'A', 20}};
    shape.key_fields = key_fields;
    shape.block_size_kib = 1;
    TableCreator creator(platform::OsFileSystem(), path_, shape);
    for (int i : {3, 1, 2}) {
      creator.AddRow({FieldValue::Integer(i * 10), FieldValue::Text(testing::Numbered("C:\\m", i) + "\\"),
                      FieldValue::Text(Utf8ToCp932(testing::Numbered("品名", i)))});
    }
    creator.Finish();
    if (with_indexes) {
      BuildIndex(platform::OsFileSystem(), path_, "fPath", "fPath", 0);
      BuildIndex(platform::OsFileSystem(), path_, "ByName", "fMei;fPath", ixCaseInsensitive);
    }
    table_.SetTableName(path_);
    table_.Open();
  }

  void Post(int code, const std::string& path, const std::string& name) {
    table_.BeginAppend();
    table_.WriteField("fCD", code);
    table_.WriteField("fPath", path);
    table_.WriteField("fMei", name);
    table_.PostRecord();
  }

  std::vector<std::int64_t> Codes() {
    std::vector<std::int64_t> codes;
    for (const auto& row : testing::ReadRows(path_)) codes.push_back(row[0].integer());
    return codes;
  }

  platform::testing::TempFolder temp_;
  std::string path_ = temp_ / "M6hink.DB";
  Engine engine_{platform::OsFileSystem(), temp_ / "aliases.ini"};
  TTable table_{engine_};
};

TEST_F(Append, UnkeyedTableGetsTheRowAtTheEndAndMoveLastFindsIt) {
  Create(0, false);
  format::Header before = testing::LoadMember(path_).header();
  table_.MoveLast();
  EXPECT_EQ(table_.ReadField("fCD"), FieldValue::Integer(20));  // the last row in chain order
  std::string name = Utf8ToCp932("表示テスト");
  Post(21, "C:\\dest\\", name);
  table_.MoveLast();
  EXPECT_EQ(table_.ReadField("fCD"), FieldValue::Integer(21));
  EXPECT_EQ(table_.ReadField("fMei"), FieldValue::Text(name));
  EXPECT_EQ(table_.ReadField("fPath"), FieldValue::Text("C:\\dest\\"));
  EXPECT_EQ(Codes(), (std::vector<std::int64_t>{30, 10, 20, 21}));
  format::Header after = testing::LoadMember(path_).header();
  for (int o : {off::kStamp2D, off::kStamp2E}) EXPECT_EQ(after.U8(o), before.U8(o));
  EXPECT_EQ(after.U32(off::kUpdateTime), before.U32(off::kUpdateTime));
  testing::ExpectSoundFamily(path_);
}

TEST_F(Append, KeyedTableWithIndexesTakesTheRowInKeyOrder) {
  Create(1, true);
  Post(15, "C:\\b\\", Utf8ToCp932("ｶﾅ"));
  Post(5, "c:\\a\\", "lower");
  EXPECT_EQ(Codes(), (std::vector<std::int64_t>{5, 10, 15, 20, 30}));
  table_.MoveLast();
  EXPECT_EQ(table_.ReadField("fCD"), FieldValue::Integer(30));
  testing::ExpectSoundFamily(path_);
  std::vector<IndexDef> defs = ReadIndexDefs(platform::OsFileSystem(), path_);
  ASSERT_EQ(defs.size(), 3u);
  EXPECT_EQ(defs[1], (IndexDef{"fPath", "fPath", 0}));
  EXPECT_EQ(defs[2], (IndexDef{"ByName", "fMei;fPath", ixCaseInsensitive}));
}

TEST_F(Append, AKeyViolationOrAValueThatDoesNotFitWritesNothing) {
  Create(1, true);
  std::vector<std::string> before = testing::FolderSnapshot(temp_.Path());
  try {
    Post(20, "C:\\x\\", "dup");
    ADD_FAILURE() << "no key violation";
  } catch (const platform::EDBEngineError& e) {
    EXPECT_EQ(std::string(e.what()).rfind(texts::KeyViolation(), 0), 0u) << e.what();
    EXPECT_NE(std::string(e.what()).find(path_), std::string::npos);
  }
  table_.BeginAppend();
  EXPECT_THROW(table_.WriteField("fMei", std::string(21, 'x')), platform::EDBEngineError);
  EXPECT_THROW(table_.WriteField("fMei", "abc\x88"), platform::EDBEngineError);  // ends on a lead byte
  EXPECT_THROW(table_.WriteField("fCD", "text"), platform::EDBEngineError);
  try {
    table_.WriteField("fNone", 1);
    ADD_FAILURE();
  } catch (const platform::EDBEngineError& e) {
    EXPECT_EQ(std::string(e.what()), texts::Format(texts::FieldNotFoundFormat(), "fNone"));
  }
  EXPECT_EQ(testing::FolderSnapshot(temp_.Path()), before);
  table_.WriteField("fCD", 40);
  table_.WriteField("fMei", std::string(20, 'x'));  // exactly the field's size
  table_.PostRecord();
  EXPECT_EQ(Codes().back(), 40);
}

TEST_F(Append, EmptyTableHasNoLastRow) {
  TableCreator creator(platform::OsFileSystem(), path_, testing::SmallSpec(1));
  creator.Finish();
  table_.SetTableName(path_);
  table_.Open();
  table_.MoveLast();
  EXPECT_TRUE(table_.ReadField("Code").IsNull());
  table_.BeginAppend();
  table_.WriteField("Code", 1);
  table_.PostRecord();
  table_.MoveLast();
  EXPECT_EQ(table_.ReadField("Code"), FieldValue::Integer(1));
  testing::ExpectSoundFamily(path_);
}

TEST_F(Append, MemosAndAutoIncrementValues) {
  TableSpec shape;
  shape.fields = {{"Id", '+', 0}, {"Note", 'M', 10}};
  shape.key_fields = 1;
  TableCreator creator(platform::OsFileSystem(), path_, shape);
  creator.AddRow({FieldValue(), FieldValue::Text("short")});
  creator.AddRow({FieldValue(), FieldValue::Text(std::string(300, 'a'))});
  creator.Finish();
  table_.SetTableName(path_);
  table_.Open();
  const std::string small = Utf8ToCp932("メモ") + std::string(100, 'b');
  const std::string large(5000, 'c');
  for (const std::string& text : {small, large, std::string("tiny")}) {
    table_.BeginAppend();
    table_.WriteField("Note", text);
    table_.PostRecord();
  }
  auto rows = testing::ReadRows(path_);
  ASSERT_EQ(rows.size(), 5u);
  for (std::size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(rows[i][0], FieldValue::Integer(static_cast<int>(i) + 1));
  EXPECT_EQ(rows[1][1].text(), std::string(300, 'a'));
  EXPECT_EQ(rows[2][1].text(), small);
  EXPECT_EQ(rows[3][1].text(), large);
  EXPECT_EQ(rows[4][1].text(), "tiny");
  EXPECT_EQ(testing::LoadMember(path_).header().U32(off::kAutoInc), 5u);
  table_.MoveLast();
  EXPECT_EQ(table_.ReadField("Note"), FieldValue::Text("tiny"));
  testing::ExpectSoundFamily(path_);
}

TEST_F(Append, ATableComponentMustBeClosedToBeRepointedOrIndexed) {
  Create(1, false);
  EXPECT_THROW(table_.SetTableName("other.db"), platform::EDBEngineError);
  EXPECT_THROW(table_.SetDatabaseName("KELO0"), platform::EDBEngineError);
  EXPECT_THROW(table_.BuildIndex("", "fCD", ixPrimary), platform::EDBEngineError);
  EXPECT_THROW(table_.DropTable(), platform::EDBEngineError);
  EXPECT_THROW(table_.PostRecord(), platform::EDBEngineError);  // no BeginAppend
  table_.Close();
  EXPECT_NO_THROW(table_.BuildIndex("", "fCD", ixPrimary));
}

}  // namespace
}  // namespace engine
