// BuildIndex, RefreshIndexDefs, DropTable and ReplaceTableFamily on tables of the
// installer's shapes, with Japanese (CP932) keys.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <set>

#include "engine/check/family_check.h"
#include "engine/engine_texts.h"
#include "engine/family.h"
#include "engine/operations/engine.h"
#include "engine/operations/table.h"
#include "engine/operations/table_operations.h"
#include "engine/tests/test_support.h"
#include "platform/cp932.h"
#include "platform/exceptions.h"
#include "platform/testing/shared_data.h"
#include "platform/testing/temp_folder.h"

namespace engine {
namespace {

using platform::Utf8ToCp932;

class BuildIndexTest : public ::testing::Test {
 protected:
  // A set item-number table: fCD, fGyo, fHinCD, fName; rows out of key order.
  void CreateSetTable() {
    TableSpec shape;
    shape.fields = {{"fCD", 'I', 0}, {"fGyo", 'S', 0}, {"fHinCD", 'A', 12}, {"fName", 'A', 16}};
    shape.block_size_kib = 1;
    TableCreator creator(platform::OsFileSystem(), path_, shape);
    const char* names[] = {"abc", "ABD", "表示", "ｱｲｳ", "あいう", "漢字", "ャa", "zz"};
    for (int i = 0; i < 200; ++i) {
      int cd = (i * 37) % 100;
      creator.AddRow({FieldValue::Integer(cd), FieldValue::Integer(i / 100), FieldValue::Text(testing::Numbered("H", i % 7)),
                      FieldValue::Text(Utf8ToCp932(names[i % 8]))});
    }
    creator.Finish();
  }

  void Build(const std::string& name, const std::string& fields, IndexOptions options) {
    table_.SetTableName(path_);
    table_.BuildIndex(name, fields, options);
  }

  std::string EngineMessage(const std::function<void()>& action) {
    try {
      action();
    } catch (const platform::EDBEngineError& e) {
      return e.what();
    }
    return "(no error)";
  }

  platform::testing::TempFolder temp_;
  std::string path_ = temp_ / "M6HINSET.DB";
  Engine engine_{platform::OsFileSystem(), temp_ / "aliases.ini"};
  TTable table_{engine_};
};

TEST_F(BuildIndexTest, PrimaryThenSecondaryIndexesAsTheInstallerBuildsThem) {
  CreateSetTable();
  Build("", "fCD;fGyo", ixPrimary);
  Build("fHinCD", "fHinCD", 0);
  Build("ix2", "fName", ixCaseInsensitive);
  EXPECT_EQ(testing::FilesIn(temp_.Path()),
            (std::vector<std::string>{"M6HINSET.DB", "M6HINSET.PX", "M6HINSET.X03", "M6HINSET.XG0", "M6HINSET.Y03",
                                      "M6HINSET.YG0"}));
  auto rows = testing::ReadRows(path_);
  for (std::size_t i = 1; i < rows.size(); ++i) {
    auto key = [&](std::size_t r) { return std::make_pair(rows[r][0].integer(), rows[r][1].integer()); };
    EXPECT_LT(key(i - 1), key(i));
  }
  table_.RefreshIndexDefs();
  EXPECT_EQ(table_.IndexDefs(), (std::vector<IndexDef>{{"", "fCD;fGyo", ixPrimary | ixUnique},
                                                      {"fHinCD", "fHinCD", 0},
                                                      {"ix2", "fName", ixCaseInsensitive}}));
  // Case-insensitive keys are stored folded, ASCII letters only, trail bytes untouched.
  MemberFile x = testing::LoadMember(temp_ / "M6HINSET.XG0");
  std::set<std::string> keys;
  for (std::size_t i = 0; i < x.size(); ++i) keys.insert(std::string(x.record(i), 16).c_str());
  EXPECT_EQ(keys, (std::set<std::string>{"ABC", "ABD", "ZZ", Utf8ToCp932("表示"), Utf8ToCp932("ｱｲｳ"),
                                         Utf8ToCp932("あいう"), Utf8ToCp932("漢字"), Utf8ToCp932("ャ") + "A"}));
  testing::ExpectSoundFamily(path_);
  // Building again changes nothing but what a rebuild must.
  std::string db = testing::ReadBytes(path_);
  std::string px = testing::ReadBytes(temp_ / "M6HINSET.PX");
  Build("", "fCD;fGyo", ixPrimary);
  EXPECT_EQ(testing::ReadBytes(path_), db);
  EXPECT_EQ(testing::ReadBytes(temp_ / "M6HINSET.PX"), px);
  testing::ExpectSoundFamily(path_);
}

TEST_F(BuildIndexTest, RefusesWhatCannotBeBuiltAndLeavesTheTableAsItWas) {
  CreateSetTable();
  std::string db = testing::ReadBytes(path_);
  EXPECT_EQ(EngineMessage([&] { Build("", "fNone", ixPrimary); }),
            texts::Format(texts::FieldNotFoundFormat(), "fNone"));
  EXPECT_EQ(EngineMessage([&] { Build("ix", "fCD;fMissing", 0); }),
            texts::Format(texts::FieldNotFoundFormat(), "fMissing"));
  EXPECT_NE(EngineMessage([&] { Build("", "fGyo", ixPrimary); }).find(texts::PrimaryIndexNotLeading()), std::string::npos);
  EXPECT_NE(EngineMessage([&] { Build("", "fCD", ixPrimary); }).find(texts::KeyViolation()), std::string::npos);
  EXPECT_NE(EngineMessage([&] { Build("", "fHinCD", ixPrimary); }).find(texts::PrimaryIndexNotLeading()), std::string::npos);
  EXPECT_EQ(testing::FilesIn(temp_.Path()), (std::vector<std::string>{"M6HINSET.DB"}));
  EXPECT_EQ(testing::ReadBytes(path_), db);
}

// A unique secondary index is refused at its first key met twice, however late in key
// order, on one thread or two, and leaves the family as it was.
TEST_F(BuildIndexTest, AUniqueSecondaryIndexWithAKeyTwiceIsRefused) {
  for (int rows : {500, 90000}) {
    SCOPED_TRACE(rows);
    platform::testing::RemoveTree(temp_.Path());
    platform::OsFileSystem().ForceDirectories(temp_.Path());
    TableCreator creator(platform::OsFileSystem(), path_, testing::SmallSpec(1));
    for (int i = 0; i < rows; ++i) {
      // Names unique but for the two rows that both end the key order.
      std::string name = i == 7 || i == rows - 3 ? "zzzz" : testing::Numbered("n", (i * 7919) % rows);
      creator.AddRow({FieldValue::Integer(i), FieldValue::Text(name), FieldValue::Text(testing::Numbered("k", i))});
    }
    creator.Finish();
    const std::vector<std::string> before = testing::FolderSnapshot(temp_.Path());
    EXPECT_NE(EngineMessage([&] { Build("ByName", "Name", ixUnique); }).find(texts::KeyViolation()), std::string::npos);
    EXPECT_EQ(testing::FolderSnapshot(temp_.Path()), before);
    EXPECT_NE(EngineMessage([&] { Build("ByName", "Name", ixUnique | ixCaseInsensitive); }).find(texts::KeyViolation()),
              std::string::npos);
    EXPECT_EQ(testing::FolderSnapshot(temp_.Path()), before);
    // Without the second one the index is built.
    EXPECT_EQ(EngineMessage([&] { Build("ByKana", "Kana", ixUnique); }).find(texts::KeyViolation()), std::string::npos);
  }
}

TEST_F(BuildIndexTest, AFieldAboveNineGetsAHexadecimalNumber) {
  TableSpec shape;
  for (int i = 1; i <= 11; ++i) shape.fields.push_back({testing::Numbered("F", i), 'I', 0});
  shape.key_fields = 1;
  TableCreator creator(platform::OsFileSystem(), path_, shape);
  for (int i = 0; i < 5; ++i) {
    std::vector<FieldValue> row;
    for (int f = 0; f < 11; ++f) row.push_back(FieldValue::Integer(i * 11 + f));
    creator.AddRow(row);
  }
  creator.Finish();
  Build("F10", "F10", 0);
  Build("F11", "F11", ixDescending);  // descending: not a field-number index
  EXPECT_EQ(testing::FilesIn(temp_.Path()), (std::vector<std::string>{"M6HINSET.DB", "M6HINSET.PX", "M6HINSET.X0A",
                                                                     "M6HINSET.XG0", "M6HINSET.Y0A", "M6HINSET.YG0"}));
  testing::ExpectSoundFamily(path_);
}

TEST_F(BuildIndexTest, AnIndexOfTheSameNameIsReplaced) {
  CreateSetTable();
  Build("", "fCD;fGyo", ixPrimary);
  Build("ix2", "fName", 0);
  Build("ix2", "fName;fHinCD", ixCaseInsensitive);
  table_.RefreshIndexDefs();
  ASSERT_EQ(table_.IndexDefs().size(), 2u);
  EXPECT_EQ(table_.IndexDefs()[1], (IndexDef{"ix2", "fName;fHinCD", ixCaseInsensitive}));
  testing::ExpectSoundFamily(path_);
}

// Index files marked for a rebuild, or of another sort order than their table (left by
// another program): built again, they are sound, not merely renumbered.
TEST_F(BuildIndexTest, AnIndexBuiltAgainLosesItsRebuildMarksAndTakesTheTablesSortOrder) {
  CreateSetTable();
  Build("", "fCD;fGyo", ixPrimary);
  Build("fHinCD", "fHinCD", 0);
  auto patch = [&](const std::string& name, int offset, char value) {
    std::string bytes = platform::ReadWholeFile(platform::OsFileSystem(), temp_ / name);
    bytes[static_cast<std::size_t>(offset)] = value;
    platform::WriteWholeFile(platform::OsFileSystem(), temp_ / name, bytes);
  };
  const std::string db = platform::ReadWholeFile(platform::OsFileSystem(), path_);
  for (const char* member : {"M6HINSET.PX", "M6HINSET.X03", "M6HINSET.Y03"}) {
    patch(member, 0x14, 1);
    patch(member, 0x29, static_cast<char>(db[0x29] + 1));
  }
  patch("M6HINSET.DB", 0x2A, 1);
  Build("", "fCD;fGyo", ixPrimary);
  Build("fHinCD", "fHinCD", 0);
  EXPECT_EQ(platform::ReadWholeFile(platform::OsFileSystem(), path_)[0x2A], 0);
  for (const char* member : {"M6HINSET.PX", "M6HINSET.X03", "M6HINSET.Y03"}) {
    const std::string bytes = platform::ReadWholeFile(platform::OsFileSystem(), temp_ / member);
    EXPECT_EQ(bytes[0x14], 0) << member;
    EXPECT_EQ(bytes[0x29], db[0x29]) << member;
  }
  testing::ExpectSoundFamily(path_);
}

TEST_F(BuildIndexTest, SortOrdersWithoutAKnownCollationRefuseAlphaKeys) {
  HINMEI_FIXTURE_DIR_OR_SKIP(db, "db\\");
  std::string copy = temp_ / "HERCULES.DB";
  testing::CopyFile(db + "HERCULES.DB", copy);
  testing::CopyFile(db + "HERCULES.MB", temp_ / "HERCULES.MB");
  std::string message = EngineMessage([&] { BuildIndex(platform::OsFileSystem(), copy, "", "TEMPLATE", ixPrimary); });
  EXPECT_NE(message.find("ANSII850"), std::string::npos) << message;
  EXPECT_EQ(testing::FilesIn(temp_.Path()), (std::vector<std::string>{"HERCULES.DB", "HERCULES.MB"}));
}

TEST_F(BuildIndexTest, AnExistingPrimaryIndexKeepsItsBlockSize) {
  HINMEI_FIXTURE_DIR_OR_SKIP(fields, "fields\\");
  std::string copy = temp_ / "long.db";
  testing::CopyFile(fields + "long.db", copy);
  testing::CopyFile(fields + "long.px", temp_ / "long.px");
  BuildIndex(platform::OsFileSystem(), copy, "", "Id", ixPrimary);
  MemberFile ours = testing::LoadMember(temp_ / "long.px");
  MemberFile theirs = testing::LoadMember(fields + "long.px");
  EXPECT_EQ(ours.header().block_size(), 4096);
  EXPECT_EQ(ours.header().bytes(), theirs.header().bytes()) << "the old header is kept: its stamps already agree";
  ASSERT_EQ(ours.size(), theirs.size());
  EXPECT_EQ(std::memcmp(ours.record(0), theirs.record(0), static_cast<std::size_t>(ours.header().record_size())), 0);
}

TEST_F(BuildIndexTest, DropTableRemovesTheWholeFamily) {
  CreateSetTable();
  Build("", "fCD;fGyo", ixPrimary);
  Build("fHinCD", "fHinCD", 0);
  testing::WriteBytes(temp_ / "M6HINSET.VAL", "val");
  testing::WriteBytes(temp_ / "OTHER.DB", "x");
  table_.DropTable();
  EXPECT_EQ(testing::FilesIn(temp_.Path()), (std::vector<std::string>{"OTHER.DB"}));
  EXPECT_NE(EngineMessage([&] { table_.DropTable(); }).find(texts::TableNotFound()), std::string::npos);
}

TEST_F(BuildIndexTest, ReplaceTableFamilyLeavesExactlyTheSourcesFilesEvenOverReadOnlyOnes) {
  CreateSetTable();
  Build("", "fCD;fGyo", ixPrimary);
  Build("fHinCD", "fHinCD", 0);
  std::string source = temp_ / "~new.DB";
  TableCreator creator(platform::OsFileSystem(), source, testing::SmallSpec(1));
  creator.AddRow({FieldValue::Integer(7), FieldValue::Text("seven"), FieldValue()});
  creator.Finish();
  std::string px = testing::ReadBytes(temp_ / "~new.PX");
  // Members copied off a read-only medium: Windows neither replaces nor removes them as
  // they are.
  for (const std::string& member : testing::FilesIn(temp_.Path())) {
    if (member.rfind("M6HINSET.", 0) == 0) {
      platform::OsFileSystem().SetAttributes(temp_ / member, platform::kAttributeReadOnly);
    }
  }
  ReplaceTableFamily(engine_, source, path_);
  EXPECT_EQ(testing::FilesIn(temp_.Path()), (std::vector<std::string>{"M6HINSET.DB", "M6HINSET.PX"}));
  EXPECT_EQ(platform::OsFileSystem().GetAttributes(path_) & platform::kAttributeReadOnly, 0u)
      << "the table moved in keeps its own marks";
  EXPECT_EQ(testing::ReadBytes(temp_ / "M6HINSET.PX"), px);
  EXPECT_EQ(testing::ReadRows(path_)[0][1], FieldValue::Text("seven"));
  testing::ExpectSoundFamily(path_);
}

}  // namespace
}  // namespace engine
