// pdxtool's commands on real tables, in process and as the program itself.
#include <gtest/gtest.h>

#include <cstdio>

#include "engine/operations/table_operations.h"
#include "engine/write/table_creator.h"
#include "platform/cp932.h"
#include "platform/file_system.h"
#include "platform/testing/shared_data.h"
#include "platform/testing/temp_folder.h"
#include "tools/pdxtool/commands.h"
#include "tools/pdxtool/tests/run_program.h"

namespace pdxtool {
namespace {

using platform::Utf8ToCp932;

class PdxtoolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    engine::TableSpec shape;
    shape.fields = {{"fCD", 'I', 0}, {"fHinban", 'A', 20}, {"fMei", 'A', 30}, {"fTanka", 'N', 0}};
    shape.key_fields = 1;
    engine::TableCreator creator(platform::OsFileSystem(), path_, shape);
    creator.AddRow({engine::FieldValue::Integer(2), engine::FieldValue::Text("ab-1"),
                    engine::FieldValue::Text(Utf8ToCp932("品名２")), engine::FieldValue::Number(1.5)});
    creator.AddRow({engine::FieldValue::Integer(1), engine::FieldValue::Text("AB-2"),
                    engine::FieldValue::Text(Utf8ToCp932("表示")), engine::FieldValue()});
    creator.Finish();
  }

  platform::testing::TempFolder temp_;
  std::string path_ = temp_ / "M8HINMEI.DB";
};

TEST_F(PdxtoolTest, DumpShowsHeaderFactsAndRowsAsUtf8) {
  Result r = RunCommand({"dump", path_});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("type: keyed table, 1 key field(s)"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("sort order: 0x0A 'japan', code page 932"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("1: fCD=1 | fHinban=AB-2 | fMei=表示 | fTanka=\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("2: fCD=2 | fHinban=ab-1 | fMei=品名２ | fTanka=1.5\n"), std::string::npos) << r.out;
}

TEST_F(PdxtoolTest, IndexAppendAndCheck) {
  Result built = RunCommand({"index", path_, "--primary", "fCD", "--secondary", "ix2", "fHinban", "--case-insensitive"});
  EXPECT_EQ(built.code, 0) << built.err;
  EXPECT_EQ(engine::ReadIndexDefs(platform::OsFileSystem(), path_),
            (std::vector<engine::IndexDef>{{"", "fCD", engine::ixPrimary | engine::ixUnique},
                                           {"ix2", "fHinban", engine::ixCaseInsensitive}}));
  Result appended = RunCommand({"append", path_, "fCD=3", "fMei=" + Utf8ToCp932("追加"), "fTanka=2.25"});
  EXPECT_EQ(appended.code, 0) << appended.err;
  Result dump = RunCommand({"dump", path_});
  EXPECT_NE(dump.out.find("3: fCD=3 | fHinban= | fMei=追加 | fTanka=2.25\n"), std::string::npos) << dump.out;
  Result check = RunCommand({"check", path_});
  EXPECT_EQ(check.code, 0) << check.out;
  Result duplicate = RunCommand({"append", path_, "fCD=3"});
  EXPECT_EQ(duplicate.code, kExitFailure);
  EXPECT_NE(duplicate.err.find("キーが重複しています。"), std::string::npos) << duplicate.err;
  Result unknown = RunCommand({"append", path_, "fNone=1"});
  EXPECT_NE(unknown.err.find("項目 'fNone' が見つかりません"), std::string::npos) << unknown.err;
}

TEST_F(PdxtoolTest, CheckExitsOneOnAProblemAndMisuseExitsTwo) {
  engine::BuildIndex(platform::OsFileSystem(), path_, "", "fCD", engine::ixPrimary);
  platform::OsFileSystem().RemoveFile(temp_ / "M8HINMEI.PX");
  Result r = RunCommand({"check", path_});
  EXPECT_EQ(r.code, kExitProblem);
  EXPECT_NE(r.out.find("FAIL: M8HINMEI.DB: the keyed table has no .PX"), std::string::npos) << r.out;
  EXPECT_EQ(RunCommand({"frobnicate", path_}).code, kExitFailure);
  EXPECT_EQ(RunCommand({"index", path_, "--bogus"}).code, kExitFailure);
  Result missing = RunCommand({"dump", temp_ / "NONE.DB"});
  EXPECT_EQ(missing.code, kExitFailure);
  EXPECT_NE(missing.err.find("テーブルが見つかりません。"), std::string::npos);
}

TEST_F(PdxtoolTest, TheProgramTakesJapaneseArgumentsAndWritesTheConsoleEncoding) {
  std::string folder = temp_ / Utf8ToCp932("品名データ");
  platform::OsFileSystem().ForceDirectories(folder);
  for (const char* ext : {"DB", "PX"}) {
    platform::WriteWholeFile(platform::OsFileSystem(), folder + "\\T." + ext,
                             platform::ReadWholeFile(platform::OsFileSystem(), temp_ / (std::string("M8HINMEI.") + ext)));
  }
  std::string table = platform::Cp932ToUtf8(folder + "\\T.DB");
  Result dump = RunProgram("dump \"" + table + "\"");
  EXPECT_EQ(dump.code, 0) << dump.out;
  EXPECT_NE(dump.out.find("fMei=表示"), std::string::npos) << dump.out;
  EXPECT_NE(dump.out.find("品名データ"), std::string::npos) << dump.out;
  Result check = RunProgram("check \"" + table + "\"");
  EXPECT_EQ(check.code, 0) << check.out;
  EXPECT_EQ(RunProgram("index \"" + table + "\" --primary fHinban").code, kExitFailure);
}

}  // namespace
}  // namespace pdxtool
