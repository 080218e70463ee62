// Changes left unfinished by a process that stopped: the intent record's form, and what
// the next open in the folder makes of a record that is complete, cut off, or still held
// by a live change; and the leftovers it sweeps, and those it must not.
#include <gtest/gtest.h>

#include <stdexcept>

#include "engine/check/family_check.h"
#include "engine/errors.h"
#include "engine/family.h"
#include "engine/operations/table_operations.h"
#include "engine/read/table_rows.h"
#include "engine/tests/test_support.h"
#include "engine/write/family_write.h"
#include "engine/write/intent_record.h"
#include "engine/write/pending_changes.h"
#include "engine/operations/scratch_table.h"
#include "engine/write/temporary_names.h"
#include "platform/exceptions.h"
#include "platform/testing/fault_injecting_file_system.h"
#include "platform/testing/memory_file_system.h"
#include "platform/testing/temp_folder.h"

namespace engine {
namespace {

using Kind = IntentStep::Kind;

TEST(IntentRecord, ReadsBackWhatItWroteAndNothingCutShort) {
  const std::vector<IntentStep> steps = {{Kind::kRename, "~hm0123abcd.001", "T.DB"},
                                         {Kind::kRename, "~hm0123abcd.002", "T.PX"},
                                         {Kind::kRemove, "T.X02", ""}};
  const std::string bytes = EncodeIntent(steps);
  std::optional<std::vector<IntentStep>> read = DecodeIntent(bytes);
  ASSERT_TRUE(read);
  ASSERT_EQ(read->size(), 3u);
  EXPECT_EQ((*read)[1].from, "~hm0123abcd.002");
  EXPECT_EQ((*read)[1].to, "T.PX");
  EXPECT_EQ((*read)[2].kind, Kind::kRemove);
  EXPECT_EQ((*read)[2].from, "T.X02");

  for (std::size_t cut = 0; cut < bytes.size(); ++cut) {
    EXPECT_FALSE(DecodeIntent(bytes.substr(0, cut))) << "cut at " << cut;
  }
  std::string zeros(bytes.size(), '\0');
  EXPECT_FALSE(DecodeIntent(zeros)) << "data that never reached the disk";
  std::string flipped = bytes;
  flipped[20] ^= 1;
  EXPECT_FALSE(DecodeIntent(flipped));
  EXPECT_FALSE(DecodeIntent(bytes + "R a\tb\r\n"));
  EXPECT_THROW(EncodeIntent({{Kind::kRemove, "a\tb", ""}}), std::invalid_argument);
  EXPECT_THROW(EncodeIntent({{Kind::kRename, "x", "sub\\T.DB"}}), std::invalid_argument);
}

TEST(TemporaryNames, CarryTheirTokenWhateverTheirExtension) {
  EXPECT_EQ(TokenOf("~hm0123abcd.001"), "0123ABCD");
  EXPECT_EQ(TokenOf("~HM0123ABCD.JNL"), "0123ABCD");
  EXPECT_EQ(TokenOf("~hm0123abcd.DB"), "0123ABCD");
  EXPECT_TRUE(IsIntentRecordName("~hm0123abcd.jnl"));
  EXPECT_FALSE(IsIntentRecordName("~hm0123abcd.001"));
  EXPECT_TRUE(IsClaimName("~hm0123abcd.CLM"));
  EXPECT_FALSE(IsClaimName("~hm0123abcd.JNL"));
  for (const char* other : {"~hm0123abc.001", "~hm0123abcg.001", "~hm0123abcd", "~hm0123abcd.", "hm0123abcd.001",
                            "~M7HINCD.DB", "T.DB", "~hm0123abcd\\x.DB"}) {
    EXPECT_FALSE(IsTemporaryName(other)) << other;
  }
  EXPECT_NE(NewToken(), NewToken());
}

class PendingChanges : public ::testing::Test {
 protected:
  // An unkeyed table of 30 rows, and the same rows after a primary build (kept aside).
  void SetUp() override {
    TableCreator creator(fs_, path_, testing::SmallSpec(0));
    for (int i = 1; i <= 30; ++i) creator.AddRow({FieldValue::Integer(31 - i), FieldValue::Text("r"), FieldValue()});
    creator.Finish();
    old_db_ = testing::ReadBytes(path_);
    BuildIndex(fs_, path_, "", "Code", ixPrimary);
    new_db_ = testing::ReadBytes(path_);
    new_px_ = testing::ReadBytes(temp_ / "T.PX");
    fs_.RemoveFile(temp_ / "T.PX");
    testing::WriteBytes(path_, old_db_);
  }

  // What a primary build that stopped after `taken` of its two renames leaves, with its
  // record written whole (or cut off after `record_bytes` bytes).
  void LeaveBuildStopped(int taken, std::size_t record_bytes = std::string::npos) {
    const std::string token = "0000abcd";
    std::vector<IntentStep> steps = {{Kind::kRename, NewFileName(token, 1), "T.DB"},
                                     {Kind::kRename, NewFileName(token, 2), "T.PX"}};
    testing::WriteBytes(temp_ / IntentRecordName(token), EncodeIntent(steps).substr(0, record_bytes));
    if (taken < 1) testing::WriteBytes(temp_ / NewFileName(token, 1), new_db_);
    if (taken >= 1) testing::WriteBytes(path_, new_db_);
    if (taken < 2) testing::WriteBytes(temp_ / NewFileName(token, 2), new_px_);
    if (taken >= 2) testing::WriteBytes(temp_ / "T.PX", new_px_);
  }

  void ExpectNew() {
    EXPECT_EQ(testing::FilesIn(temp_.Path()), (std::vector<std::string>{"T.DB", "T.PX"}));
    EXPECT_EQ(testing::ReadBytes(path_), new_db_);
    testing::ExpectSoundFamily(path_);
  }

  void ExpectOld() {
    EXPECT_EQ(testing::FilesIn(temp_.Path()), std::vector<std::string>{"T.DB"});
    EXPECT_EQ(testing::ReadBytes(path_), old_db_);
  }

  platform::FileSystem& fs_ = platform::OsFileSystem();
  platform::testing::TempFolder temp_;
  std::string path_ = temp_ / "T.DB";
  std::string old_db_, new_db_, new_px_;
};

TEST_F(PendingChanges, ACompleteRecordIsRolledForwardByTheNextOpenWhereverTheChangeStopped) {
  for (int taken = 0; taken <= 2; ++taken) {
    SCOPED_TRACE(testing::Numbered("renames taken: ", taken));
    SetUp();
    LeaveBuildStopped(taken);
    std::vector<PendingChange> pending = FindPendingChanges(fs_, temp_.Path());
    ASSERT_EQ(pending.size(), 1u);
    EXPECT_TRUE(pending[0].complete);
    EXPECT_EQ(pending[0].steps.size(), 2u);
    // The check reports it and leaves it, whatever it finds of the family meanwhile.
    CheckReport report = CheckFamily(fs_, path_);
    ASSERT_FALSE(report.notes.empty());
    EXPECT_EQ(report.notes.back().rfind(IntentRecordName("0000abcd") + ": ", 0), 0u) << report.notes.back();
    EXPECT_EQ(FindPendingChanges(fs_, temp_.Path()).size(), 1u);
    EXPECT_EQ(ReadAllRows(fs_, path_).size(), 30u);  // an open for reading finishes it
    ExpectNew();
    EXPECT_TRUE(FindPendingChanges(fs_, temp_.Path()).empty());
  }
}

TEST_F(PendingChanges, ARecordCutOffIsDiscardedWithItsNewFiles) {
  for (std::size_t cut : {std::size_t{0}, std::size_t{10}, std::size_t{40}}) {
    SetUp();
    LeaveBuildStopped(0, cut);
    EXPECT_FALSE(FindPendingChanges(fs_, temp_.Path()).at(0).complete);
    FinishPendingChanges(fs_, temp_.Path());
    ExpectOld();
  }
}

TEST_F(PendingChanges, AChangeUnderWayIsLeftAloneWithItsFiles) {
  LeaveBuildStopped(1);
  const std::string record = temp_ / IntentRecordName("0000abcd");
  {
    auto held = fs_.Open(record, platform::Access::kReadWrite, platform::Share::kExclusive,
                         platform::Disposition::kOpenExisting);
    EXPECT_TRUE(FindPendingChanges(fs_, temp_.Path()).empty());
    FinishPendingChanges(fs_, temp_.Path());
    EXPECT_TRUE(fs_.FileExists(temp_ / NewFileName("0000abcd", 2))) << "claimed by a live change";
  }
  FinishPendingChanges(fs_, temp_.Path());
  ExpectNew();
}

// On Windows a file that another program has open cannot be replaced; the file system in
// memory keeps that rule.
TEST_F(PendingChanges, AStepThatMeetsAFileInUseFailsAndIsTakenAtTheNextTry) {
  LeaveBuildStopped(0);
  platform::testing::MemoryFileSystem memory;
  for (const std::string& name : testing::FilesIn(temp_.Path())) memory.Put(temp_ / name, testing::ReadBytes(temp_ / name));
  {
    auto application = memory.Open(path_, platform::Access::kRead, platform::Share::kReadWrite,
                                   platform::Disposition::kOpenExisting);
    try {
      FinishPendingChanges(memory, temp_.Path());
      ADD_FAILURE() << "a DB in use was replaced";
    } catch (const platform::EDBEngineError& e) {
      EXPECT_EQ(e.Message(), InUseMessage(path_));
    }
  }
  EXPECT_TRUE(memory.FileExists(temp_ / IntentRecordName("0000abcd")));
  EXPECT_EQ(platform::ReadWholeFile(memory, path_), old_db_);
  FinishPendingChanges(memory, temp_.Path());
  EXPECT_EQ(memory.Files().size(), 2u);
  EXPECT_EQ(platform::ReadWholeFile(memory, path_), new_db_);
  EXPECT_EQ(platform::ReadWholeFile(memory, temp_ / "T.PX"), new_px_);
}

// Finished after a new change, a stale record would put its files over the new ones.
TEST_F(PendingChanges, AChangeStartsByFinishingThoseLeftInItsFolder) {
  LeaveBuildStopped(1);
  FamilyWrite write(fs_);
  platform::File& out = write.Create(temp_ / "notes.dat");
  out.WriteAt(0, "n", 1);
  EXPECT_FALSE(fs_.FileExists(temp_ / IntentRecordName("0000abcd")));
  write.Commit();
  EXPECT_EQ(testing::ReadBytes(path_), new_db_);
  EXPECT_EQ(testing::ReadBytes(temp_ / "T.PX"), new_px_);
}

TEST_F(PendingChanges, LeftoversGoButNotHeldOrClaimedFilesOrOtherNames) {
  testing::WriteBytes(temp_ / "~hm0000beef.001", "left over");
  testing::WriteBytes(temp_ / "~hm0000beef.DB", "a scratch table left over");
  testing::WriteBytes(temp_ / "~hm0000cafe.002", "someone's, in use");
  testing::WriteBytes(temp_ / "~hm0000d00d.DB", "claimed by a live scratch table");
  testing::WriteBytes(temp_ / "~hm0000d00d.CLM", "");
  testing::WriteBytes(temp_ / "notes.txt", "user's");
  fs_.ForceDirectories(temp_ / "other");
  testing::WriteBytes(temp_ / "other\\~hm0000f00d.001", "another folder");
  auto held = fs_.Open(temp_ / "~hm0000cafe.002", platform::Access::kRead, platform::Share::kReadWrite,
                       platform::Disposition::kOpenExisting);
  auto claim = fs_.Open(temp_ / "~hm0000d00d.CLM", platform::Access::kRead, platform::Share::kExclusive,
                        platform::Disposition::kOpenExisting);

  BuildIndex(fs_, path_, "", "Code", ixPrimary);
  EXPECT_EQ(testing::FilesIn(temp_.Path()),
            (std::vector<std::string>{"T.DB", "T.PX", "notes.txt", "other", "~hm0000cafe.002", "~hm0000d00d.CLM",
                                      "~hm0000d00d.DB"}));
  EXPECT_EQ(testing::ReadBytes(temp_ / "other\\~hm0000f00d.001"), "another folder");

  held.reset();
  claim.reset();
  FinishPendingChanges(fs_, temp_.Path());
  EXPECT_EQ(testing::FilesIn(temp_.Path()), (std::vector<std::string>{"T.DB", "T.PX", "notes.txt", "other"}));
}

// The record of a change that did every step could not be removed (the disk stopped
// working): the change stands, and the next open removes the record.
TEST_F(PendingChanges, ARecordLeftAfterTheLastStepIsRemovedByTheNextOpen) {
  platform::testing::FaultInjectingFileSystem probe(fs_);
  BuildIndex(probe, path_, "", "Code", ixPrimary);
  long record_removal = 0;
  for (std::size_t i = 0; i < probe.Trace().size(); ++i) {
    const std::string& line = probe.Trace()[i];
    if (line.rfind("RemoveFile", 0) == 0 && IsIntentRecordName(NameOf(line.substr(11)))) record_removal = i + 1;
  }
  ASSERT_GT(record_removal, 0);

  SetUp();
  platform::testing::FaultInjectingFileSystem failing(fs_);
  failing.FailAt(record_removal, platform::kErrorAccessDenied, /*persistent=*/true);
  BuildIndex(failing, path_, "", "Code", ixPrimary);  // the change itself is complete
  ASSERT_TRUE(failing.Triggered());
  std::vector<std::string> left = testing::FilesIn(temp_.Path());
  ASSERT_EQ(left.size(), 4u);
  EXPECT_TRUE(IsClaimName(left[2]) && IsIntentRecordName(left[3])) << left[2] << " " << left[3];
  EXPECT_EQ(ReadAllRows(fs_, path_).size(), 30u);
  ExpectNew();
}

TEST_F(PendingChanges, AScratchTableGoesWithItsObjectOrWithTheNextOpenAfterAStop) {
  std::string scratch_db;
  {
    ScratchTable scratch(fs_, path_);
    scratch_db = scratch.db_path();
    EXPECT_EQ(FolderOf(scratch_db), temp_.Path());
    CopyIntoPlace(fs_, path_, scratch_db);
    BuildIndex(fs_, scratch_db, "", "Code", ixPrimary);
    FinishPendingChanges(fs_, temp_.Path());
    EXPECT_TRUE(fs_.FileExists(scratch_db)) << "a live scratch table is claimed";
  }
  EXPECT_EQ(testing::FilesIn(temp_.Path()), std::vector<std::string>{"T.DB"});

  // A process that stopped leaves the claim, unheld, and the scratch family.
  const std::string token = "0000abcd";
  testing::WriteBytes(temp_ / ClaimName(token), "");
  testing::WriteBytes(temp_ / ScratchTableName(token), old_db_);
  testing::WriteBytes(temp_ / "~hm0000abcd.PX", new_px_);
  FinishPendingChanges(fs_, temp_.Path());
  ExpectOld();
}

}  // namespace
}  // namespace engine
