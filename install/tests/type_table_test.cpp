#include "install/type_table.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "engine/family.h"
#include "engine/operations/session.h"
#include "engine/write/pending_changes.h"
#include "engine/write/temporary_names.h"
#include "install/install_texts.h"
#include "install/tests/install_fixture.h"
#include "platform/exceptions.h"
#include "platform/system_texts.h"

namespace install::testing {
namespace {

class TypeTableTest : public InstallFixture {
 protected:
  void SetUp() override {
    WriteTypeTable(Medium() + "\\M7HINCD.DB", 6);
    WriteTypeTable(Target(), 3, /*secondary=*/true);
    log_ = window_.CreateErrorLog();
    engine::AddFolderAlias(components_->Session3, "KELO9A", TypeFolder(), "PARADOX");
    components_->TblHsy.SetDatabaseName("KELO9A");
  }
  void TearDown() override { engine::DropAlias(components_->Session3, "KELO9A"); }

  std::string Target() const { return TypeFolder() + "\\M7HINCD.DB"; }

  void Replace() {
    InstallContext context{window_, *components_, fs_, *log_};
    ReplaceTypeTable(context);
  }

  std::unique_ptr<ErrorLog> log_;
};

TEST_F(TypeTableTest, ReplacedTableHasOnlyItsPrimaryIndex) {
  ASSERT_EQ(FilesIn(TypeFolder()).size(), 4u);  // DB, PX, X02, Y02
  window_.type_folder = TypeFolder() + "\\";
  Replace();
  EXPECT_EQ(log_->Text(), "");
  EXPECT_EQ(FilesIn(TypeFolder()), (std::vector<std::string>{"M7HINCD.DB", "M7HINCD.PX"}));
  EXPECT_EQ(ReadRows(Target()).size(), 6u);
  ExpectFamilyOk(Target());
  EXPECT_EQ(components_->TblHsy.TableName(), Target());
  EXPECT_EQ(components_->TblHsy.IndexDefs(), (std::vector<engine::IndexDef>{{"", "fCD", engine::ixPrimary | engine::ixUnique}}));
}

// The new table is built under a scratch name and moved over the old one by one change:
// its files on disk and its intent record written before the first rename, no rename
// of the old table's files aside, the folder flushed after the last.
TEST_F(TypeTableTest, TheNewTableIsOnDiskBeforeItTakesTheOldOnesPlace) {
  fs_.Reset();
  Replace();
  const std::vector<std::string>& trace = fs_.Trace();
  auto path_of = [](const std::string& line) { return line.substr(line.find(' ') + 1); };
  EXPECT_EQ(NamedBeforeOnDisk(), std::vector<std::string>{});
  std::vector<std::string> flushed;
  std::size_t first_move = trace.size(), folder_flush = 0;
  for (std::size_t i = 0; i < trace.size(); ++i) {
    const std::string name = engine::NameOf(path_of(trace[i]));
    if (trace[i].rfind("Flush ", 0) == 0) flushed.push_back(name);
    if (trace[i].rfind("RenameOver ", 0) == 0) {
      EXPECT_TRUE(engine::IsTemporaryName(name)) << "a live file moved aside: " << trace[i];
      if (name.size() > 4 && name.substr(name.size() - 3) == ".DB") first_move = std::min(first_move, i);
    }
    if (trace[i] == "FlushFolder " + TypeFolder()) folder_flush = i;
  }
  ASSERT_LT(first_move, trace.size()) << "the scratch table was not moved into place";
  EXPECT_GT(folder_flush, first_move);
  bool record = false;
  for (const std::string& name : flushed) record = record || engine::IsIntentRecordName(name);
  EXPECT_TRUE(record);
  EXPECT_EQ(FilesIn(TypeFolder()), (std::vector<std::string>{"M7HINCD.DB", "M7HINCD.PX"}));
  EXPECT_EQ(ReadRows(Target()).size(), 6u);
}

TEST_F(TypeTableTest, MissingSourceLogsTwoLinesAndTouchesNothing) {
  os_fs_.RemoveFile(Medium() + "\\M7HINCD.DB");
  std::string before = platform::ReadWholeFile(os_fs_, Target());
  Replace();
  EXPECT_EQ(log_->Text(), texts::TypeSourceMissing() + "\r\n" + Medium() + "\\M7HINCD.DB\r\n");
  EXPECT_EQ(platform::ReadWholeFile(os_fs_, Target()), before);
  EXPECT_EQ(FilesIn(TypeFolder()).size(), 4u);
}

TEST_F(TypeTableTest, FolderWithoutTypeTableIsAnEngineErrorBeforeAnyCopy) {
  window_.type_folder = temp_ / "empty";
  os_fs_.ForceDirectories(window_.type_folder);
  EXPECT_THROW(Replace(), platform::EDBEngineError);
  EXPECT_TRUE(FilesIn(window_.type_folder).empty());
}

TEST_F(TypeTableTest, TableInUseIsRefusedAndTheOldOneStays) {
  auto holder = os_fs_.Open(Target(), platform::Access::kRead, platform::Share::kReadWrite,
                            platform::Disposition::kOpenExisting);
  EXPECT_THROW(Replace(), platform::EDBEngineError);
  holder.reset();
  EXPECT_EQ(ReadRows(Target()).size(), 3u);
  EXPECT_EQ(FilesIn(TypeFolder()).size(), 4u);  // no temporary copy left behind
  ExpectFamilyOk(Target());
}

// Whichever file operation fails, the type table is either the old one or the new one,
// complete. A failure late in the swap may leave set-aside files under the engine's
// temporary names beside it; the next replacement that succeeds sweeps them away.
// Wherever a step fails, the type table is the old one or the new one once the next open
// has finished what the failure left pending, and no file of the replacement is left.
TEST_F(TypeTableTest, AFailureAtAnyStepLeavesAUsableTypeTable) {
  const std::vector<std::string> old_files = FilesIn(TypeFolder());
  const std::vector<std::string> new_files = {"M7HINCD.DB", "M7HINCD.PX"};
  for (long n = 1;; ++n) {
    WriteTypeTable(Target(), 3, /*secondary=*/true);
    fs_.FailAt(n);
    try {
      Replace();
    } catch (const platform::Exception&) {
    }
    bool reached = fs_.Triggered();
    fs_.Reset();
    SCOPED_TRACE("failed operation " + std::to_string(n));
    engine::FinishPendingChanges(os_fs_, TypeFolder());
    ExpectFamilyOk(Target());
    std::size_t rows = ReadRows(Target()).size();
    std::vector<std::string> files = FilesIn(TypeFolder());
    EXPECT_TRUE((rows == 3 && files == old_files) || (rows == 6 && files == new_files))
        << rows << " rows, files: " << ::testing::PrintToString(files);

    WriteTypeTable(Target(), 3, /*secondary=*/true);
    Replace();
    EXPECT_EQ(FilesIn(TypeFolder()), new_files);
    if (!reached) break;
  }
}

}  // namespace
}  // namespace install::testing
