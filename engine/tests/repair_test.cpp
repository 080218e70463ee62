// The repair's rules one by one: what is kept, what is set aside and where, what is not
// read, when it refuses, and that a repair that stops, whenever it stops, leaves the
// family as it was.
#include <gtest/gtest.h>

#include <algorithm>

#include "engine/errors.h"
#include "engine/family.h"
#include "engine/format/blob.h"
#include "engine/format/bytes.h"
#include "engine/format/layout.h"
#include "engine/operations/table_operations.h"
#include "engine/repair/family_repair.h"
#include "engine/tests/test_support.h"
#include "engine/write/pending_changes.h"
#include "engine/write/temporary_names.h"
#include "platform/testing/fault_injecting_file_system.h"
#include "platform/testing/temp_folder.h"

namespace engine {
namespace {

namespace off = format::off;
using format::GetLe16;
using format::PutLe16;
using format::PutLe32;

constexpr int kBlock = 1024;
constexpr int kHeader = 0x800;
constexpr int kRecord = 34;  // SmallSpec: Code I, Name A20, Kana A10

class Repair : public ::testing::Test {
 protected:
  // 80 rows in 1 KiB blocks (29, 29 and 22), keyed on Code, with .PX, .X02 and .XG0.
  void SetUp() override {
    TableCreator creator(platform::OsFileSystem(), path_, testing::SmallSpec(1));
    for (int i = 1; i <= 80; ++i) {
      creator.AddRow({FieldValue::Integer(i), FieldValue::Text(testing::Numbered("name", i)),
                      FieldValue::Text(testing::Numbered("k", i % 7))});
    }
    creator.Finish();
    BuildIndex(platform::OsFileSystem(), path_, "Name", "Name", 0);
    BuildIndex(platform::OsFileSystem(), path_, "ByKana", "Kana", ixCaseInsensitive);
    sound_ = Records(path_);
  }

  static std::vector<std::string> Records(const std::string& db) {
    MemberFile m = testing::LoadMember(db);
    std::vector<std::string> records;
    for (std::size_t i = 0; i < m.size(); ++i) records.emplace_back(m.record(i), static_cast<std::size_t>(kRecord));
    return records;
  }

  // The .DB's bytes, changed by `change`, written back.
  template <typename Change>
  void ChangeDb(Change change) {
    std::string bytes = testing::ReadBytes(path_);
    change(bytes);
    testing::WriteBytes(path_, bytes);
  }
  static char* Block(std::string& bytes, int n) { return bytes.data() + kHeader + (n - 1) * kBlock; }
  // A header count that no longer adds up: reason enough for a repair.
  static void MiscountRecords(std::string& bytes) { PutLe32(bytes.data() + off::kRecords, 1000); }

  // Block 4: a stale copy of block 2, each record changed by `change`, which no link
  // reaches; the header's counts no longer add up. Answers the stale records.
  template <typename Change>
  std::vector<std::string> AppendStaleCopyOfBlock2(Change change) {
    std::vector<std::string> stale;
    ChangeDb([&](std::string& bytes) {
      bytes.append(Block(bytes, 2), kBlock);
      for (int slot = 0; slot < 29; ++slot) {
        char* record = Block(bytes, 4) + 6 + slot * kRecord;
        change(record);
        stale.emplace_back(record, kRecord);
      }
      PutLe16(bytes.data() + off::kTotalBlocks, 4);
      PutLe16(bytes.data() + off::kMaxBlocks, 4);
      MiscountRecords(bytes);
    });
    return stale;
  }

  RepairResult RunRepair(const std::string& borrow = "") {
    return RepairFamily(platform::OsFileSystem(), path_, RepairOptions{borrow, "20260101-000000"});
  }

  std::string Backup() const { return temp_ / "pdxtool-backup-20260101-000000"; }

  platform::testing::TempFolder temp_;
  std::string path_ = temp_ / "T.DB";
  std::vector<std::string> sound_;
};

TEST_F(Repair, ASoundFamilyIsLeftAsItIs) {
  const auto before = testing::FolderSnapshot(temp_.Path());
  RepairResult r = RunRepair();
  EXPECT_FALSE(r.repaired);
  EXPECT_TRUE(r.before.ok());
  EXPECT_EQ(testing::FolderSnapshot(temp_.Path()), before);
}

TEST_F(Repair, TheBackupHoldsTheFamilyAsFoundAndTheRepairedOneIsSound) {
  ChangeDb(MiscountRecords);
  const auto before = testing::FolderSnapshot(temp_.Path());
  RepairResult r = RunRepair();
  ASSERT_TRUE(r.repaired);
  EXPECT_EQ(r.backup_folder, Backup());
  EXPECT_EQ(testing::FolderSnapshot(Backup()), before);
  EXPECT_EQ(Records(path_), sound_);
  EXPECT_EQ(r.indexes_rebuilt, 3u);
  EXPECT_EQ(r.rebuilt, (std::vector<std::string>{"T.PX", "T.X02", "T.Y02", "T.XG0", "T.YG0"}));
  testing::ExpectSoundFamily(path_);
  // A second repair the same second gets a folder of its own.
  ChangeDb(MiscountRecords);
  EXPECT_EQ(RunRepair().backup_folder, Backup() + "-2");
}

TEST_F(Repair, TheFirstRowOfARepeatedKeyInTableOrderIsKeptTheOthersAreSetAside) {
  // Their names in other case: the rows of the stale block are told apart.
  std::vector<std::string> stale = AppendStaleCopyOfBlock2([](char* record) { record[4] = 'N'; });
  RepairResult r = RunRepair();
  EXPECT_EQ(r.rows_kept, 80u);
  EXPECT_EQ(r.recovered_from_cut_off, 29u);
  EXPECT_EQ(r.duplicate_rows, 29u);
  EXPECT_EQ(Records(path_), sound_);
  EXPECT_EQ(r.duplicates_table, Backup() + "\\T-duplicates.DB");
  EXPECT_EQ(Records(r.duplicates_table), stale);
  EXPECT_TRUE(r.after.ok());
}

TEST_F(Repair, ARowWhoseValueAUniqueIndexHasAlreadyIsSetAsideToo) {
  BuildIndex(platform::OsFileSystem(), path_, "UniqueName", "Name", ixUnique | ixCaseInsensitive);
  // Under other codes (no key repeats), their names unchanged but for case.
  std::vector<std::string> stale = AppendStaleCopyOfBlock2([](char* record) {
    record[3] = static_cast<char>(record[3] + 100);
    record[4] = 'N';
  });
  RepairResult r = RunRepair();
  EXPECT_EQ(r.duplicate_rows, 29u);
  EXPECT_EQ(Records(path_), sound_);
  EXPECT_EQ(Records(r.duplicates_table), stale);
  EXPECT_TRUE(r.after.ok());
}

TEST_F(Repair, BlocksOnTheFreeListHoldDeletedRowsAndAreNotRead) {
  // Block 2 leaves the chain for the free list, its rows still in it.
  ChangeDb([&](std::string& bytes) {
    PutLe16(Block(bytes, 1), 3);
    PutLe16(Block(bytes, 3) + 2, 1);
    PutLe16(Block(bytes, 2), 0);
    PutLe16(bytes.data() + off::kFirstFree, 2);
    MiscountRecords(bytes);
  });
  RepairResult r = RunRepair();
  EXPECT_EQ(r.free_blocks, 1);
  EXPECT_EQ(r.recovered_from_cut_off, 0u);
  std::vector<std::string> without_block_2(sound_.begin(), sound_.begin() + 29);
  without_block_2.insert(without_block_2.end(), sound_.begin() + 58, sound_.end());
  EXPECT_EQ(Records(path_), without_block_2);
}

TEST_F(Repair, RecordsWhoseFieldsHoldNoValueOfTheirTypeAreSetAside) {
  std::string bad;
  ChangeDb([&](std::string& bytes) {
    char* record = Block(bytes, 2) + 6 + 3 * kRecord;
    record[4 + 15] = 'x';  // a byte after the Name's padding began
    bad.assign(record, kRecord);
  });
  CheckReport check = CheckFamily(platform::OsFileSystem(), path_);
  ASSERT_FALSE(check.ok());
  EXPECT_EQ(check.findings[0].kind, FindingKind::kRecordValues);
  RepairResult r = RunRepair();
  EXPECT_EQ(r.unreadable_rows, 1u);
  EXPECT_EQ(r.rows_kept, 79u);
  EXPECT_EQ(Records(r.unreadable_table), std::vector<std::string>{bad});
  std::vector<std::string> rest = sound_;
  rest.erase(rest.begin() + 29 + 3);
  EXPECT_EQ(Records(path_), rest);
}

TEST_F(Repair, AHeaderDamagedBeyondReadingIsBorrowedFromATableOfTheSameStructure) {
  const std::string medium = temp_ / "medium";
  platform::OsFileSystem().ForceDirectories(medium);
  testing::CopyFile(path_, medium + "\\T.DB");
  const std::string own_header = testing::ReadBytes(path_).substr(0, kHeader);
  ChangeDb([](std::string& bytes) { std::fill(bytes.begin(), bytes.begin() + kHeader, '\0'); });
  const auto damaged = testing::FolderSnapshot(temp_.Path(), {"medium"});

  // Without a table to borrow from, or with one of another structure, nothing changes.
  EXPECT_THROW(RunRepair(), ERepairRefused);
  TableSpec other = testing::SmallSpec(1);
  other.fields[1].size = 30;
  TableCreator(platform::OsFileSystem(), medium + "\\OTHER.DB", other).Finish();
  EXPECT_THROW(RunRepair(medium + "\\OTHER.DB"), ERepairRefused);
  EXPECT_EQ(testing::FolderSnapshot(temp_.Path(), {"medium"}), damaged);

  // The medium's copy carries another table's identity: the family's own comes back.
  std::string donor = testing::ReadBytes(medium + "\\T.DB");
  donor[off::kStamp2D] = 0x11;
  donor[off::kStamp2E] = 0x22;
  testing::WriteBytes(medium + "\\T.DB", donor);
  RepairResult r = RunRepair(medium + "\\T.DB");
  ASSERT_TRUE(r.repaired);
  EXPECT_EQ(r.borrowed_from, medium + "\\T.DB");
  EXPECT_EQ(Records(path_), sound_);
  const std::string header = testing::ReadBytes(path_).substr(0, kHeader);
  EXPECT_EQ(header[off::kStamp2D], own_header[off::kStamp2D]);
  EXPECT_EQ(header[off::kStamp2E], own_header[off::kStamp2E]);
  testing::ExpectSoundFamily(path_);
}

TEST_F(Repair, ATableAnotherProgramHoldsIsRefusedAndLeftAlone) {
  ChangeDb(MiscountRecords);
  const auto before = testing::FolderSnapshot(temp_.Path());
  {
    auto held = platform::OsFileSystem().Open(temp_ / "T.XG0", platform::Access::kRead, platform::Share::kExclusive,
                                              platform::Disposition::kOpenExisting);
    EXPECT_THROW(RunRepair(), ETableInUse);
  }
  EXPECT_EQ(testing::FolderSnapshot(temp_.Path()), before);
}

TEST_F(Repair, AnXnnWithoutItsHeaderIsRebuiltFromItsNameAnXgnIsNotAndATreeWithoutDataGoes) {
  for (const char* name : {"T.X02", "T.XG0"}) {
    testing::WriteBytes(temp_ / name, std::string(testing::ReadBytes(temp_ / name).size(), '\0'));
  }
  CheckReport check = CheckFamily(platform::OsFileSystem(), path_);
  ASSERT_EQ(check.findings.size(), 2u);
  EXPECT_EQ(check.findings[0].kind, FindingKind::kIndexZeroed);
  testing::CopyFile(temp_ / "T.Y02", temp_ / "T.Y05");  // no T.X05
  RepairResult r = RunRepair();
  EXPECT_EQ(r.from_name, std::vector<std::string>{"T.X02"});
  EXPECT_EQ(r.lost_indexes, (std::vector<std::string>{"T.Y05", "T.XG0"}));
  EXPECT_EQ(ReadIndexDefs(platform::OsFileSystem(), path_),
            (std::vector<IndexDef>{{"", "Code", ixPrimary | ixUnique}, {"Name", "Name", 0}}));
  for (const char* gone : {"T.XG0", "T.YG0", "T.Y05"}) EXPECT_FALSE(platform::OsFileSystem().FileExists(temp_ / gone));
  testing::ExpectSoundFamily(path_);
}

TEST_F(Repair, ARepairThatFailsAtAnyFileOperationLeavesTheOldFamilyOrTheNewOneAndKeepsItsBackup) {
  ChangeDb([](std::string& bytes) { PutLe16(Block(bytes, 1), 0); });  // blocks 2 and 3 cut off
  const auto damaged = testing::FolderSnapshot(temp_.Path());
  platform::testing::TempFolder pristine;
  for (const std::string& name : testing::FilesIn(temp_.Path())) testing::CopyFile(temp_ / name, pristine / name);
  // Back to the damaged family, without what the last attempt left.
  auto restore = [&] {
    platform::testing::RemoveTree(temp_.Path());
    platform::OsFileSystem().ForceDirectories(temp_.Path());
    for (const std::string& name : testing::FilesIn(pristine.Path())) testing::CopyFile(pristine / name, temp_ / name);
  };
  auto family_files = [&] {
    std::vector<std::string> skip;
    for (const std::string& name : testing::FilesIn(temp_.Path())) {
      if (IsTemporaryName(name) || name == "pdxtool-backup-20260101-000000") skip.push_back(name);
    }
    return testing::FolderSnapshot(temp_.Path(), skip);
  };
  platform::testing::FaultInjectingFileSystem faulty(platform::OsFileSystem());
  long n = 1;
  for (;; ++n) {
    faulty.FailAt(n);
    try {
      RepairFamily(faulty, path_, RepairOptions{"", "20260101-000000"});
    } catch (const platform::EDBEngineError& e) {
      // The next open finishes a change whose record was written, or drops it.
      OpenFamily(platform::OsFileSystem(), path_);
      const bool old_family = family_files() == damaged;
      EXPECT_TRUE(old_family || (CheckFamily(platform::OsFileSystem(), path_).ok() && Records(path_) == sound_))
          << "a failure at operation " << n << " left a family that is neither the old one nor the new one";
      const bool stopped = dynamic_cast<const ERepairStopped*>(&e) != nullptr;
      EXPECT_EQ(platform::OsFileSystem().DirectoryExists(Backup()), stopped) << "failure at operation " << n;
      if (stopped) {
        EXPECT_EQ(testing::FolderSnapshot(Backup()), damaged) << "failure at operation " << n;
      } else {
        EXPECT_TRUE(old_family) << "failure at operation " << n;
      }
      restore();
      continue;
    }
    if (!faulty.Triggered()) break;
    // A failure the repair stepped over (a leftover it could not remove) is none.
    EXPECT_TRUE(CheckFamily(platform::OsFileSystem(), path_).ok()) << "failure at operation " << n;
    restore();
  }
  EXPECT_GT(n, 50);
  EXPECT_EQ(Records(path_), sound_);
  testing::ExpectSoundFamily(path_);
}

// A keyed table of 60 rows whose every row keeps a memo in the .MB: rows 1 to 39 share a
// sub-allocated block, rows 40 to 60 have blocks of their own.
class RepairBlobs : public ::testing::Test {
 protected:
  void SetUp() override {
    TableSpec shape = testing::SmallSpec(1);
    shape.fields.push_back({"Memo", 'M', 10});
    TableCreator creator(platform::OsFileSystem(), path_, shape);
    for (int i = 1; i <= 60; ++i) {
      creator.AddRow({FieldValue::Integer(i), FieldValue::Text(testing::Numbered("name", i)), FieldValue(),
                      FieldValue::Text(std::string(i < 40 ? 50 : 3000, static_cast<char>('a' + i % 26)))});
    }
    creator.Finish();
    rows_ = testing::ReadRows(path_);
  }

  platform::testing::TempFolder temp_;
  std::string path_ = temp_ / "T.DB";
  std::vector<std::vector<FieldValue>> rows_;
};

TEST_F(RepairBlobs, FieldsWhoseDataCannotBeReadAreBlankedAndTheirRowsNamed) {
  // The .MB's third unit: the block of row 40's memo.
  std::string mb = testing::ReadBytes(temp_ / "T.MB");
  std::fill(mb.begin() + 2 * format::kMbUnit, mb.begin() + 3 * format::kMbUnit, '\x5A');
  testing::WriteBytes(temp_ / "T.MB", mb);
  CheckReport check = CheckFamily(platform::OsFileSystem(), path_);
  ASSERT_FALSE(check.ok());
  EXPECT_EQ(check.findings[0].kind, FindingKind::kBlobs);

  RepairResult r = RepairFamily(platform::OsFileSystem(), path_, RepairOptions{"", "t"});
  ASSERT_TRUE(r.after.ok()) << r.after.problems[0];
  ASSERT_EQ(r.blanked_blobs.size(), 1u);
  EXPECT_EQ(r.blanked_blobs[0].row, 39u);
  auto repaired = testing::ReadRows(path_);
  ASSERT_EQ(repaired.size(), rows_.size());
  std::vector<std::size_t> named;
  for (const BlankedBlob& b : r.blanked_blobs) {
    EXPECT_EQ(b.field, 3);
    named.push_back(b.row);
  }
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    const bool blanked = std::find(named.begin(), named.end(), i) != named.end();
    EXPECT_EQ(repaired[i][3], blanked ? FieldValue() : rows_[i][3]) << "row " << i;
    EXPECT_EQ(repaired[i][0], rows_[i][0]);
  }
  // The record of a named row, after blanking, is the one the report shows.
  EXPECT_EQ(r.key_of_blanked[0].substr(0, 4), std::string(testing::LoadMember(path_).record(named[0]), 4));
}

TEST_F(RepairBlobs, AMemoHeaderThatIsNoLongerOneIsWrittenAnewAndTheMemosStay) {
  std::string mb = testing::ReadBytes(temp_ / "T.MB");
  std::fill(mb.begin(), mb.begin() + 0x30, '\x7F');
  testing::WriteBytes(temp_ / "T.MB", mb);
  ASSERT_FALSE(CheckFamily(platform::OsFileSystem(), path_).ok());
  RepairResult r = RepairFamily(platform::OsFileSystem(), path_, RepairOptions{"", "t"});
  EXPECT_TRUE(r.memo_header_mended);
  EXPECT_TRUE(r.blanked_blobs.empty());
  EXPECT_TRUE(r.after.ok());
  EXPECT_EQ(testing::ReadRows(path_), rows_);
  EXPECT_EQ(testing::ReadBytes(temp_ / "T.MB").substr(format::kMbUnit), mb.substr(format::kMbUnit));
}

}  // namespace
}  // namespace engine
