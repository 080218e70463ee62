// pdxtool check (a table, a folder, a tree) and pdxtool repair, in process and as the
// program itself. Outputs are compared with the texts the commands are made of, so that
// these tests hold in any language the texts are put into.
#include <gtest/gtest.h>


#include "engine/check/family_check.h"
#include "engine/format/bytes.h"
#include "engine/format/layout.h"
#include "engine/operations/table_operations.h"
#include "engine/write/table_creator.h"
#include "platform/cp932.h"
#include "platform/file_system.h"
#include "platform/testing/temp_folder.h"
#include "tools/pdxtool/commands.h"
#include "tools/pdxtool/report_texts.h"
#include "tools/pdxtool/tests/run_program.h"

namespace pdxtool {
namespace {

using platform::Utf8ToCp932;

constexpr int kHeader = 0x800;
constexpr int kRows = 50;  // 16 to a 1 KiB block: 4 blocks

std::string Bytes(const std::string& path) { return platform::ReadWholeFile(platform::OsFileSystem(), path); }
void Write(const std::string& path, const std::string& bytes) {
  platform::WriteWholeFile(platform::OsFileSystem(), path, bytes);
}

// A keyed item table in 1 KiB blocks with a case-insensitive index.
void MakeTable(const std::string& path) {
  engine::TableSpec shape;
  shape.fields = {{"fCD", 'I', 0}, {"fHinban", 'A', 20}, {"fMei", 'A', 30}, {"fTanka", 'N', 0}};
  shape.key_fields = 1;
  shape.block_size_kib = 1;
  engine::TableCreator creator(platform::OsFileSystem(), path, shape);
  for (int i = 1; i <= kRows; ++i) {
    creator.AddRow({engine::FieldValue::Integer(i), engine::FieldValue::Text("hb-" + std::to_string(i % 9)),
                    engine::FieldValue::Text(Utf8ToCp932("品名") + std::to_string(i)), engine::FieldValue::Number(i)});
  }
  creator.Finish();
  engine::BuildIndex(platform::OsFileSystem(), path, "ix2", "fHinban", engine::ixCaseInsensitive);
}

// The link after the first block cut: its three blocks after it are cut off.
void CutChain(const std::string& path) {
  std::string bytes = Bytes(path);
  engine::format::PutLe16(bytes.data() + kHeader, 0);
  Write(path, bytes);
}

bool Has(const std::string& out, const std::string& text) { return out.find(text) != std::string::npos; }

// The last line of an output.
std::string LastLine(const std::string& out) {
  std::size_t end = out.size() - (!out.empty() && out.back() == '\n' ? 1 : 0);
  std::size_t start = out.rfind('\n', end - 1);
  return out.substr(start == std::string::npos ? 0 : start + 1, end - (start == std::string::npos ? 0 : start + 1)) + "\n";
}

class CheckAndRepair : public ::testing::Test {
 protected:
  void SetUp() override { MakeTable(table_); }

  platform::testing::TempFolder temp_;
  std::string table_ = temp_ / "M8HINMEI.DB";
};

TEST_F(CheckAndRepair, EachProblemSaysWhatTheApplicationDoesAndWhatToRun) {
  CutChain(table_);
  Result r = RunCommand({"check", table_});
  EXPECT_EQ(r.code, kExitProblem);
  const engine::FindingKind kind = engine::FindingKind::kTableUnreadable;
  EXPECT_TRUE(Has(r.out, texts::ConsequenceLine(kind) + texts::RemedyLine(kind, table_))) << r.out;
  EXPECT_EQ(LastLine(r.out), texts::CheckSummary(table_, false, 1, 0));
}

TEST_F(CheckAndRepair, ADamagedTableIsRepairedAndThenPassesTheCheck) {
  CutChain(table_);
  Result r = RunCommand({"repair", table_});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(LastLine(r.out), texts::RepairSummary(kRows, kRows - 16, 0, 0, 2)) << r.out;
  EXPECT_TRUE(Has(r.out, texts::RecoveredFromCutOff(kRows - 16)));
  EXPECT_EQ(RunCommand({"check", table_}).code, 0);
  Result again = RunCommand({"repair", table_});
  EXPECT_EQ(again.code, 0);
  EXPECT_EQ(again.out, texts::NothingToRepair(table_));
}

TEST_F(CheckAndRepair, ARepairThatCannotBeDoneOrIsMisusedChangesNothing) {
  std::string bytes = Bytes(table_);
  std::fill(bytes.begin(), bytes.begin() + kHeader, '\0');
  Write(table_, bytes);
  const std::vector<std::string> before = platform::OsFileSystem().ListFolder(temp_.Path());
  Result refused = RunCommand({"repair", table_});
  EXPECT_EQ(refused.code, kExitProblem);
  EXPECT_TRUE(Has(refused.err, texts::RepairRefused(engine::RefusalReason::kHeaderUnreadable, table_))) << refused.err;
  EXPECT_EQ(Bytes(table_), bytes);
  EXPECT_EQ(RunCommand({"repair", table_, "--borrow"}).code, kExitFailure);
  EXPECT_EQ(RunCommand({"repair", table_, "--frobnicate"}).code, kExitFailure);
  {
    auto held = platform::OsFileSystem().Open(temp_ / "M8HINMEI.PX", platform::Access::kRead,
                                              platform::Share::kExclusive, platform::Disposition::kOpenExisting);
    EXPECT_EQ(RunCommand({"repair", table_}).code, kExitFailure);
  }
  EXPECT_EQ(platform::OsFileSystem().ListFolder(temp_.Path()).size(), before.size());
}

TEST_F(CheckAndRepair, AFolderGivesALineAFamilyAndASummaryATreeSkipsRepairBackups) {
  const std::string notes = temp_ / "NOTES.DB";
  MakeTable(notes);
  std::string px = Bytes(temp_ / "NOTES.PX");
  // Off by a constant from DB[2D], and so from the .XG0's copy: two notes.
  px[engine::format::off::kStamp2C] = static_cast<char>(px[engine::format::off::kStamp2C] + 19);
  Write(temp_ / "NOTES.PX", px);
  const std::string damaged = temp_ / "ZDAMAGED.DB";
  MakeTable(damaged);
  CutChain(damaged);
  platform::OsFileSystem().ForceDirectories(temp_ / "sub");
  MakeTable(temp_ / "sub\\OTHER.DB");
  platform::OsFileSystem().ForceDirectories(temp_ / "pdxtool-backup-20260101-000000");
  Write(temp_ / "pdxtool-backup-20260101-000000\\BROKEN.DB", "not a table");
  Write(temp_ / "~hm0123abcd.DB", "an engine's scratch table, no family");

  Result flat = RunCommand({"check", temp_.Path()});
  EXPECT_EQ(flat.code, kExitProblem);
  EXPECT_TRUE(Has(flat.out, texts::FamilyOk("M8HINMEI.DB"))) << flat.out;
  EXPECT_TRUE(Has(flat.out, texts::FamilyWithNotes("NOTES.DB", 2))) << flat.out;
  EXPECT_TRUE(Has(flat.out, texts::FolderSummary(1, 1, 1))) << flat.out;
  EXPECT_TRUE(Has(flat.out, texts::SortOrderLine("japan", 932, 3))) << flat.out;
  EXPECT_TRUE(Has(flat.out, texts::CollationHeading(0))) << flat.out;

  Result tree = RunCommand({"check", temp_.Path(), "--recursive"});
  EXPECT_EQ(tree.code, kExitProblem);
  EXPECT_TRUE(Has(tree.out, texts::FamilyOk("sub\\OTHER.DB"))) << tree.out;
  EXPECT_TRUE(Has(tree.out, texts::SkippedBackup("pdxtool-backup-20260101-000000"))) << tree.out;
  EXPECT_TRUE(Has(tree.out, texts::FolderSummary(2, 1, 1))) << tree.out;

  EXPECT_EQ(RunCommand({"repair", damaged}).code, 0);
  EXPECT_EQ(RunCommand({"check", temp_.Path(), "--recursive"}).code, 0);
  EXPECT_EQ(RunCommand({"check", table_, "--recursive"}).code, kExitFailure);
}

TEST_F(CheckAndRepair, TheProgramRepairsATableInAJapaneseFolder) {
  const std::string folder = temp_ / Utf8ToCp932("品名データ");
  platform::OsFileSystem().ForceDirectories(folder);
  const std::string table = folder + "\\T.DB";
  MakeTable(table);
  CutChain(table);
  const std::string argument = "\"" + platform::Cp932ToUtf8(table) + "\"";
  Result repair = RunProgram("repair " + argument);
  EXPECT_EQ(repair.code, 0) << repair.out;
  EXPECT_EQ(LastLine(repair.out), texts::RepairSummary(kRows, kRows - 16, 0, 0, 2)) << repair.out;
  EXPECT_TRUE(Has(repair.out, platform::Cp932ToUtf8(folder + "\\pdxtool-backup-"))) << repair.out;
  EXPECT_EQ(RunProgram("check " + argument).code, 0);
  EXPECT_TRUE(engine::CheckFamily(platform::OsFileSystem(), table).ok());
}

}  // namespace
}  // namespace pdxtool
