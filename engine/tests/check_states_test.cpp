// States the original engine itself leaves pass the family check, with notes at most;
// what a power cut leaves of an index, and an index tree without its data file, fail it
// with the kind of finding that says so.
#include <gtest/gtest.h>

#include <algorithm>

#include "engine/check/family_check.h"
#include "engine/family.h"
#include "engine/format/bytes.h"
#include "engine/format/layout.h"
#include "engine/operations/table_operations.h"
#include "engine/repair/family_repair.h"
#include "engine/tests/test_support.h"
#include "platform/cp932.h"
#include "platform/testing/shared_data.h"
#include "platform/testing/temp_folder.h"

namespace engine {
namespace {

namespace off = format::off;
using format::PutLe16;

constexpr int kBlock = 1024;
constexpr int kHeader = 0x800;

bool HasFinding(const CheckReport& report, FindingKind kind) {
  return std::any_of(report.findings.begin(), report.findings.end(), [&](const Finding& f) { return f.kind == kind; });
}

// Sets a file's block counters for `blocks` blocks chained 1..blocks.
void SetBlocks(std::string& bytes, int blocks, std::uint32_t records) {
  format::PutLe32(bytes.data() + off::kRecords, records);
  for (int at : {off::kUsedBlocks, off::kTotalBlocks, off::kMaxBlocks, off::kLastBlock}) {
    PutLe16(bytes.data() + at, static_cast<std::uint16_t>(blocks));
  }
  PutLe16(bytes.data() + off::kFirstBlock, blocks > 0 ? 1 : 0);
}

// An empty block: no links, a record count of none.
std::string EmptyBlock(int block_size, int record_size) {
  std::string block(static_cast<std::size_t>(block_size), '\0');
  PutLe16(block.data() + 4, static_cast<std::uint16_t>(-record_size));
  return block;
}

class CheckStates : public ::testing::Test {
 protected:
  void MakeTable(int rows, int key_fields = 1) {
    TableCreator creator(platform::OsFileSystem(), path_, testing::SmallSpec(key_fields));
    for (int i = 1; i <= rows; ++i) {
      creator.AddRow({FieldValue::Integer(i), FieldValue::Text(testing::Numbered("name", i)), FieldValue()});
    }
    creator.Finish();
  }
  CheckReport Check() { return CheckFamily(platform::OsFileSystem(), path_); }
  template <typename Change>
  void ChangeFile(const std::string& name, Change change) {
    std::string bytes = testing::ReadBytes(temp_ / name);
    change(bytes);
    testing::WriteBytes(temp_ / name, bytes);
  }

  platform::testing::TempFolder temp_;
  std::string path_ = temp_ / "T.DB";
};

// Invariant 11 (engine/README.md).
TEST_F(CheckStates, APrimaryIndexLeftBesideATableWithoutAKeyIsANoteTheNextRewriteRemoves) {
  MakeTable(40);
  testing::CopyFile(temp_ / "T.PX", temp_ / "KEPT.PX");
  MakeTable(40, 0);
  testing::CopyFile(temp_ / "KEPT.PX", temp_ / "T.PX");
  CheckReport report = Check();
  EXPECT_TRUE(report.ok()) << report.problems[0];
  EXPECT_TRUE(HasFinding(report, FindingKind::kLeftoverPrimary));
  EXPECT_FALSE(RepairFamily(platform::OsFileSystem(), path_, RepairOptions{"", "t"}).repaired);
  BuildIndex(platform::OsFileSystem(), path_, "Name", "Name", 0);
  EXPECT_FALSE(platform::OsFileSystem().FileExists(temp_ / "T.PX"));
  testing::ExpectSoundFamily(path_);
}

// Invariants 1, 4 and 6 on a table without rows.
TEST_F(CheckStates, AKeyedTableEmptiedOfAllRowsKeepsOneEmptyBlockAndIndexesWithoutEntries) {
  MakeTable(0);
  BuildIndex(platform::OsFileSystem(), path_, "Name", "Name", 0);
  for (const char* data : {"T.DB", "T.X02"}) {
    ChangeFile(data, [](std::string& b) {
      b += EmptyBlock(kBlock, format::GetLe16(b.data()));
      SetBlocks(b, 1, 0);
    });
  }
  EXPECT_TRUE(Check().ok()) << Check().problems[0];  // the trees as this engine writes them: no block
  for (const char* tree : {"T.PX", "T.Y02"}) {
    ChangeFile(tree, [](std::string& b) {
      const int block_size = static_cast<std::uint8_t>(b[off::kBlockSizeCode]) * 1024;
      b += EmptyBlock(block_size, format::GetLe16(b.data()));
      SetBlocks(b, 1, 0);
      PutLe16(b.data() + off::kIndexRoot, 1);
      b[off::kIndexLevels] = 1;
    });
  }
  CheckReport report = Check();  // an empty root block, as the original engine leaves it
  EXPECT_TRUE(report.ok()) << report.problems[0];
}

// Invariant 1: a block need not be full.
TEST_F(CheckStates, DataBlocksOneShortOfFullPass) {
  MakeTable(100);  // 29 rows to a block when full
  MemberFile db = testing::LoadMember(path_);
  ChangeFile("T.DB", [&](std::string& b) {
    b.resize(kHeader);
    const int per_block = db.header().records_per_block() - 1;
    const int blocks = (100 + per_block - 1) / per_block;
    for (int n = 1; n <= blocks; ++n) {
      std::string block(kBlock, '\0');
      const int count = std::min(per_block, 100 - (n - 1) * per_block);
      PutLe16(block.data(), static_cast<std::uint16_t>(n == blocks ? 0 : n + 1));
      PutLe16(block.data() + 2, static_cast<std::uint16_t>(n - 1));
      PutLe16(block.data() + 4, static_cast<std::uint16_t>((count - 1) * db.header().record_size()));
      for (int i = 0; i < count; ++i) {
        std::copy_n(db.record(static_cast<std::size_t>((n - 1) * per_block + i)), db.header().record_size(),
                    block.data() + 6 + i * db.header().record_size());
      }
      b += block;
    }
    SetBlocks(b, blocks, 100);
  });
  platform::OsFileSystem().RemoveFile(temp_ / "T.PX");
  BuildIndex(platform::OsFileSystem(), path_, "Name", "Name", 0);  // writes the .PX over the blocks as they are
  EXPECT_EQ(testing::LoadMember(path_).chain()[0].count, 28);
  testing::ExpectSoundFamily(path_);
}

// Invariants 6 and 10: what the original engine's own files hold.
TEST_F(CheckStates, StaleRowHintsAndStampsThatDifferByAConstantAreNotes) {
  MakeTable(80);
  BuildIndex(platform::OsFileSystem(), path_, "Name", "Name", 0);
  ChangeFile("T.X02", [](std::string& b) {
    const int record = format::GetLe16(b.data());
    PutLe16(b.data() + kHeader + 6 + record - 2, 0x8003);  // Blk Num of the first entry: block 3
  });
  for (const char* file : {"T.PX", "T.Y02"}) {
    ChangeFile(file, [](std::string& b) { b[off::kStamp2C] = static_cast<char>(b[off::kStamp2C] + 19); });
  }
  CheckReport report = Check();
  EXPECT_TRUE(report.ok()) << report.problems[0];
  EXPECT_TRUE(HasFinding(report, FindingKind::kStaleHints));
  EXPECT_TRUE(HasFinding(report, FindingKind::kStamp));
}

// Invariant 8.
TEST_F(CheckStates, IndexFilesThatNeverReachedTheDiskAreNamedAsSuch) {
  MakeTable(80);
  BuildIndex(platform::OsFileSystem(), path_, "Name", "Name", 0);
  const std::string x02 = testing::ReadBytes(temp_ / "T.X02");
  // The whole file zeros, and a file whose header made it but whose blocks did not.
  testing::WriteBytes(temp_ / "T.X02", std::string(x02.size(), '\0'));
  ChangeFile("T.PX", [](std::string& b) { std::fill(b.begin() + kHeader, b.end(), '\0'); });
  CheckReport report = Check();
  ASSERT_EQ(report.findings.size(), 2u);
  EXPECT_EQ(report.findings[0].kind, FindingKind::kIndexZeroed);
  EXPECT_EQ(report.findings[0].file, "T.PX");
  EXPECT_EQ(report.findings[1].kind, FindingKind::kIndexZeroed);
  EXPECT_EQ(report.findings[1].file, "T.X02");
}

// Invariant 5.
TEST_F(CheckStates, ATreeWithoutItsDataFileFails) {
  MakeTable(80);
  BuildIndex(platform::OsFileSystem(), path_, "Name", "Name", 0);
  platform::OsFileSystem().RemoveFile(temp_ / "T.X02");
  CheckReport report = Check();
  EXPECT_FALSE(report.ok());
  EXPECT_EQ(report.findings[0].kind, FindingKind::kTreeWithoutData);
}

// An index on CP932 names whose entries the original engine might have ordered by
// characters (half-width katakana before hiragana and kanji) rather than by bytes.
class CollationStates : public ::testing::TestWithParam<bool> {};

TEST_P(CollationStates, CP932TextInAnotherOrderIsACollationNoteWhereTheTableIsJapanese) {
  const bool japanese = GetParam();
  platform::testing::TempFolder temp;
  const std::string path = temp / "T.DB";
  TableSpec shape = testing::SmallSpec(1);
  if (!japanese) shape.sort = AsciiSortOrder();
  TableCreator creator(platform::OsFileSystem(), path, shape);
  const char* names[] = {"A1", "A2", "あ", "漢", "ｱ"};  // bytes: 41, 41, 82A0, 8ABF, B1
  for (int i = 0; i < 5; ++i) {
    creator.AddRow({FieldValue::Integer(i + 1), FieldValue::Text(platform::Utf8ToCp932(names[i])), FieldValue()});
  }
  creator.Finish();
  BuildIndex(platform::OsFileSystem(), path, "Name", "Name", 0);
  std::string x = testing::ReadBytes(temp / "T.X02");
  const int record = format::GetLe16(x.data());
  char* entries = x.data() + kHeader + 6;
  // A1, A2, ｱ, あ, 漢: the last three in character order.
  std::rotate(entries + 2 * record, entries + 4 * record, entries + 5 * record);
  testing::WriteBytes(temp / "T.X02", x);
  CheckReport report = CheckFamily(platform::OsFileSystem(), path);
  if (japanese) {
    EXPECT_TRUE(report.ok()) << report.problems[0];
    EXPECT_TRUE(HasFinding(report, FindingKind::kCollation));
  } else {
    EXPECT_FALSE(report.ok());
    EXPECT_EQ(report.findings[0].kind, FindingKind::kSecondaryIndex);
  }
}

INSTANTIATE_TEST_SUITE_P(JapaneseOrNot, CollationStates, ::testing::Bool());

TEST(FixtureStates, OnlyTheTableMissingItsPrimaryIndexFailsAndARepairOfACopyMendsIt) {
  HINMEI_FIXTURE_DIR_OR_SKIP(root, "areas\\");
  platform::testing::TempFolder temp;
  testing::CopyFile(root + "STATES.DB", temp / "STATES.DB");
  CheckReport report = CheckFamily(platform::OsFileSystem(), temp / "STATES.DB");
  ASSERT_EQ(report.findings.size(), 1u);
  EXPECT_EQ(report.findings[0].kind, FindingKind::kPrimaryIndex);
  const auto rows = testing::ReadRows(temp / "STATES.DB");
  RepairResult r = RepairFamily(platform::OsFileSystem(), temp / "STATES.DB", RepairOptions{"", "t"});
  EXPECT_TRUE(r.after.ok());
  EXPECT_EQ(testing::ReadRows(temp / "STATES.DB"), rows);
  testing::ExpectSoundFamily(temp / "STATES.DB");
}

}  // namespace
}  // namespace engine
