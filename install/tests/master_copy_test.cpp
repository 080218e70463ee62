#include "install/master_copy.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "engine/engine_texts.h"
#include "engine/family.h"
#include "engine/operations/session.h"
#include "engine/write/temporary_names.h"
#include "install/install_texts.h"
#include "install/tests/install_fixture.h"
#include "platform/cp932.h"
#include "platform/exceptions.h"
#include "platform/system_texts.h"

namespace install::testing {
namespace {

class MasterCopyTest : public InstallFixture {
 protected:
  void SetUp() override {
    WriteMaster("m1", 1);
    WriteMaster("m2", 2);
    WriteUnitTable();
    log_ = window_.CreateErrorLog();
    // What the run's set-up leaves for the copy: the alias KELO9 in Session2.
    engine::AddFolderAlias(components_->Session2, "KELO9", ManagementFolder(), "PARADOX");
    components_->TblNew.SetDatabaseName("KELO9");
  }
  void TearDown() override { engine::DropAlias(components_->Session2, "KELO9"); }

  bool Install(const std::string& destination, const std::string& source) {
    os_fs_.ForceDirectories(destination);
    InstallContext context{window_, *components_, fs_, *log_};
    return InstallMaster(context, destination, source);
  }

  std::unique_ptr<ErrorLog> log_;
};

TEST_F(MasterCopyTest, MasterExistsLooksOnlyAtTheThreeTables) {
  std::string folder = Destination(platform::Utf8ToCp932("表"));
  os_fs_.ForceDirectories(folder);
  for (const char* other : {"M8HINMEI.MB", "TANITBL.DB", "hinload_KB.dat", "hinload_SK.dat", "M8HINMEI.PX"}) {
    platform::WriteWholeFile(os_fs_, folder + "\\" + other, "x");
  }
  EXPECT_FALSE(MasterExists(fs_, folder));
  EXPECT_FALSE(MasterExists(fs_, folder + "\\"));
  platform::WriteWholeFile(os_fs_, folder + "\\M6HINSET.DB", "x");
  EXPECT_TRUE(MasterExists(fs_, folder));
  EXPECT_TRUE(MasterExists(fs_, folder + "\\"));
  EXPECT_FALSE(MasterExists(fs_, Destination("none")));
}

TEST_F(MasterCopyTest, CopiesIndexesAndClearsTheMarksOfTheTables) {
  // Tables from a read-only medium arrive without their read-only mark.
  os_fs_.SetAttributes(Medium() + "\\m1\\M8HINMEI.DB", platform::kAttributeReadOnly | platform::kAttributeHidden);
  os_fs_.SetAttributes(Medium() + "\\m1\\M8HINMEI.MB", platform::kAttributeReadOnly);
  EXPECT_TRUE(Install(Destination("a"), "m1"));
  EXPECT_EQ(log_->Text(), "");
  for (const char* table : {"M8HINMEI.DB", "M8HINMEI.MB"}) {
    EXPECT_FALSE(os_fs_.GetAttributes(Destination("a") + "\\" + table) &
                 (platform::kAttributeReadOnly | platform::kAttributeHidden)) << table;
  }
  // The memo texts travel with the item table; the indexes are those of the layout.
  Rows items = ReadRows(Destination("a") + "\\M8HINMEI.DB");
  ASSERT_EQ(items.size(), 5u);
  EXPECT_TRUE(items[0][7].IsNull());
  EXPECT_EQ(items[1][7].text().substr(0, 14), platform::Utf8ToCp932("施工上の注意："));
  engine::TTable& tbl_new = components_->TblNew;
  EXPECT_EQ(tbl_new.TableName(), Destination("a") + "\\TANITBL.DB");
  tbl_new.SetTableName(Destination("a") + "\\M8HINMEI.DB");
  tbl_new.RefreshIndexDefs();
  EXPECT_EQ(tbl_new.IndexDefs(), (std::vector<engine::IndexDef>{{"", "fCD", engine::ixPrimary | engine::ixUnique},
                                                                {"ix2", "fHinban", engine::ixCaseInsensitive}}));
  tbl_new.SetTableName(Destination("a") + "\\M6HINSET.DB");
  tbl_new.RefreshIndexDefs();
  EXPECT_EQ(tbl_new.IndexDefs(), (std::vector<engine::IndexDef>{{"", "fCD;fGyo", engine::ixPrimary | engine::ixUnique},
                                                                {"fHinCD", "fHinCD", 0}}));
  for (const char* table : {"M8HINMEI.DB", "M7HIMST.DB", "M6HINSET.DB", "TANITBL.DB"}) {
    ExpectFamilyOk(Destination("a") + "\\" + table);
  }
  // The unit table was sorted by its new key.
  Rows units = ReadRows(Destination("a") + "\\TANITBL.DB");
  ASSERT_EQ(units.size(), 8u);
  EXPECT_EQ(units[0][0].text(), "U00");
  // The alias and the session follow the destination.
  EXPECT_EQ(components_->Session2.NetFileDir(), Destination("a"));
  EXPECT_EQ(components_->Session2.AliasPath("KELO9"), Destination("a"));
}

TEST_F(MasterCopyTest, DestinationWithOrWithoutDelimiterGivesTheSameFiles) {
  EXPECT_TRUE(Install(Destination("x") + "\\", "m1"));
  EXPECT_TRUE(os_fs_.FileExists(Destination("x") + "\\M8HINMEI.PX"));
  EXPECT_EQ(FilesIn(Destination("x")).size(), 15u);  // 7 copied files and 8 index files
}

// Every file takes its name in the destination with its data on disk, and the folder is
// flushed once, after the last of them: the master is durable before it is registered.
TEST_F(MasterCopyTest, AnInstallPutsEveryFileOnDiskBeforeItCounts) {
  fs_.Reset();
  EXPECT_TRUE(Install(Destination("a"), "m1"));
  EXPECT_EQ(NamedBeforeOnDisk(), std::vector<std::string>{});
  const std::vector<std::string>& trace = fs_.Trace();
  std::size_t last_rename = 0, renames = 0, folder_flushes = 0, folder_flush = 0;
  for (std::size_t i = 0; i < trace.size(); ++i) {
    const std::string& line = trace[i];
    if (line.rfind("RenameOver ", 0) == 0 && !engine::IsTemporaryName(engine::NameOf(fs_.RenamedTo(i)))) {
      last_rename = i;
      ++renames;
    }
    if (line == "FlushFolder " + Destination("a")) {
      ++folder_flushes;
      folder_flush = i;
    }
  }
  EXPECT_GE(renames, 15u);  // 7 copied files and 8 index files, and the unkeyed tables written anew
  EXPECT_EQ(folder_flushes, 1u);
  EXPECT_GT(folder_flush, last_rename);
  for (const char* table : {"M8HINMEI.DB", "M7HIMST.DB", "M6HINSET.DB"}) {
    EXPECT_EQ(ReadRows(Destination("a") + "\\" + table).size(), ReadRows(Medium() + "\\m1\\" + table).size());
    ExpectFamilyOk(Destination("a") + "\\" + table);
  }
  ExpectFamilyOk(Destination("a") + "\\TANITBL.DB");
}

TEST_F(MasterCopyTest, MissingItemTableSkipsOnlyItsBranchAndTheUnitTable) {
  os_fs_.RemoveFile(Medium() + "\\m1\\M8HINMEI.DB");
  EXPECT_FALSE(Install(Destination("a"), "m1"));
  EXPECT_EQ(log_->Text(), texts::ItemMasterSourceMissing() + "\r\n" + Medium() + "\\m1\\M8HINMEI.DB\r\n" +
                              texts::UnitCopyAbandoned() + "\r\n");
  EXPECT_EQ(FilesIn(Destination("a")),
            (std::vector<std::string>{"M6HINSET.DB", "M6HINSET.PX", "M6HINSET.X03", "M6HINSET.Y03", "M7HIMST.DB",
                                      "M7HIMST.PX"}));
  // A later master still gets its tables, but not its unit table, and is not registered.
  EXPECT_FALSE(Install(Destination("b"), "m2"));
  EXPECT_TRUE(os_fs_.FileExists(Destination("b") + "\\M8HINMEI.PX"));
  EXPECT_FALSE(os_fs_.FileExists(Destination("b") + "\\TANITBL.DB"));
  EXPECT_EQ(log_->Text(), texts::ItemMasterSourceMissing() + "\r\n" + Medium() + "\\m1\\M8HINMEI.DB\r\n" +
                              texts::UnitCopyAbandoned() + "\r\n" + texts::UnitCopyAbandoned() + "\r\n");
}

TEST_F(MasterCopyTest, OptionalFilesMissSilently) {
  for (const char* optional : {"hinload_KB.dat", "hinload_SK.dat"}) {
    os_fs_.RemoveFile(Medium() + "\\m1\\" + optional);
  }
  EXPECT_TRUE(Install(Destination("a"), "m1"));
  EXPECT_EQ(log_->Text(), "");
  EXPECT_FALSE(os_fs_.FileExists(Destination("a") + "\\hinload_KB.dat"));
}

// The memo file is copied without a test of its own, so its absence writes no log line;
// but an item table whose memo texts live in it cannot be indexed without it: the engine
// refuses, naming the missing file, and builds nothing.
TEST_F(MasterCopyTest, AMissingMemoFileIsAnEngineErrorAndNoLogLine) {
  os_fs_.RemoveFile(Medium() + "\\m1\\M8HINMEI.MB");
  try {
    Install(Destination("a"), "m1");
    ADD_FAILURE() << "the item table was indexed without its memo file";
  } catch (const platform::EDBEngineError& e) {
    EXPECT_EQ(std::string(e.what()), engine::texts::MemoFileMissing() + "\r\n" + Destination("a") + "\\M8HINMEI.MB\r\n" +
                                         engine::texts::AskForNewMedium());
  }
  EXPECT_EQ(log_->Text(), "");
  EXPECT_FALSE(os_fs_.FileExists(Destination("a") + "\\M8HINMEI.PX"));
}

// A table of the medium that the engine cannot read stops the install with the engine's
// error, naming the destination's file; the tables before it stay in place with their
// indexes, and it stays as it was copied: nothing copied is taken back.
TEST_F(MasterCopyTest, ATableThatCannotBeIndexedKeepsTheTablesBeforeIt) {
  const std::string garbled(2048, '\x5a');
  platform::WriteWholeFile(os_fs_, Medium() + "\\m1\\M6HINSET.DB", garbled);
  try {
    Install(Destination("a"), "m1");
    ADD_FAILURE() << "a table that is no table was indexed";
  } catch (const platform::Exception& e) {
    EXPECT_NE(std::string(e.what()).find(Destination("a") + "\\M6HINSET.DB"), std::string::npos) << e.what();
  }
  EXPECT_EQ(FilesIn(Destination("a")),
            (std::vector<std::string>{"M6HINSET.DB", "M7HIMST.DB", "M7HIMST.PX", "M8HINMEI.DB", "M8HINMEI.MB",
                                      "M8HINMEI.PX", "M8HINMEI.XG0", "M8HINMEI.YG0"}));
  EXPECT_EQ(platform::ReadWholeFile(os_fs_, Destination("a") + "\\M6HINSET.DB"), garbled);
  for (const char* table : {"M8HINMEI.DB", "M7HIMST.DB"}) ExpectFamilyOk(Destination("a") + "\\" + table);
  EXPECT_EQ(log_->Text(), "");
}

TEST_F(MasterCopyTest, MissingUnitTableFailsThisAndEveryLaterMaster) {
  os_fs_.RemoveFile(ManagementFolder() + "\\TANITBL.DB");
  EXPECT_FALSE(Install(Destination("a"), "m1"));
  EXPECT_EQ(log_->Text(), texts::UnitTableMissing() + "\r\n" + ManagementFolder() + "\\TANITBL.DB\r\n");
  EXPECT_FALSE(os_fs_.FileExists(Destination("a") + "\\hinload_KB.dat"));
  EXPECT_FALSE(Install(Destination("b"), "m2"));
  EXPECT_EQ(log_->Text(), texts::UnitTableMissing() + "\r\n" + ManagementFolder() + "\\TANITBL.DB\r\n" +
                              texts::UnitCopyAbandoned() + "\r\n");
}

TEST_F(MasterCopyTest, EmptySourceSubfolderLooksAtTheMediumRoot) {
  EXPECT_FALSE(Install(Destination("a"), ""));
  std::string root = Medium() + "\\\\";  // FExeDir, then '\' before the name
  EXPECT_EQ(log_->Text(), texts::ItemMasterSourceMissing() + "\r\n" + root + "M8HINMEI.DB\r\n" +
                              texts::ClassificationSourceMissing() + "\r\n" + root + "M7HIMST.DB\r\n" +
                              texts::SetItemSourceMissing() + "\r\n" + root + "M6HINSET.DB\r\n" +
                              texts::UnitCopyAbandoned() + "\r\n");
}

}  // namespace
}  // namespace install::testing
