#include "install/install_run.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "install/install_texts.h"
#include "install/tests/install_fixture.h"
#include "platform/cp932.h"
#include "platform/system_texts.h"
#include "platform/testing/sjis.h"

namespace install::testing {
namespace {

using engine::FieldValue;
using platform::testing::Sjis;

class InstallRunTest : public InstallFixture {
 protected:
  // Two masters on the medium, a management table whose last code is `last_code`, the
  // unit table and a type table in the type-settings folder.
  void Prepare(int last_code = 7) {
    WriteMaster("m1", 1);
    WriteMaster("m2", 2);
    WriteMaster("m3", 3);
    WriteManagementTable(last_code);
    WriteUnitTable();
    WriteTypeTable(TypeFolder() + "\\M7HINCD.DB", 3);
    WriteTypeTable(Medium() + "\\M7HINCD.DB", 6);
  }

  std::vector<std::int64_t> Codes() {
    std::vector<std::int64_t> codes;
    for (const auto& row : ReadRows(ManagementFolder() + "\\M6hink.DB")) codes.push_back(row[0].integer());
    return codes;
  }

  bool Contains(const std::string& event) {
    return std::find(window_.events.begin(), window_.events.end(), event) != window_.events.end();
  }

  // What every way out after the set-up leaves behind.
  void ExpectCleanedUp() {
    EXPECT_FALSE(components_->TblHik.Active());
    EXPECT_FALSE(AliasDefined("KELO0"));
    EXPECT_FALSE(AliasDefined("KELO9"));
    EXPECT_FALSE(AliasDefined("KELO9A"));
    EXPECT_EQ(window_.logs_alive, 0);
    EXPECT_FALSE(window_.busy);
    EXPECT_TRUE(window_.input_enabled);
    EXPECT_EQ(window_.status_text, texts::Instruction());
  }

};

TEST_F(InstallRunTest, NothingTickedIsRefusedBeforeAnySetUp) {
  Prepare();
  window_.AddRow("A", Destination("a"), "m1", /*ticked=*/false);
  Run();
  ASSERT_EQ(window_.refusals.size(), 1u);
  EXPECT_EQ(window_.refusals[0].kind, MessageKind::kWarning);
  EXPECT_EQ(window_.refusals[0].text, texts::NoMasterTicked());
  EXPECT_EQ(window_.events, std::vector<std::string>{"refuse warning"});  // no hourglass, no log
}

TEST_F(InstallRunTest, MissingManagementTableShowsTheFolderWithOneDelimiter) {
  WriteMaster("m1", 1);
  window_.AddRow("A", Destination("a"), "m1");
  for (std::string folder : {ManagementFolder(), ManagementFolder() + "\\"}) {
    window_.management_folder = folder;
    window_.refusals.clear();
    Run();
    ASSERT_EQ(window_.refusals.size(), 1u);
    EXPECT_EQ(window_.refusals[0].kind, MessageKind::kError);
    EXPECT_EQ(window_.refusals[0].text, texts::ManagementTableMissing() + ManagementFolder() + "\\M6hink.DB");
  }
  EXPECT_EQ(window_.logs_created, 0);
}

TEST_F(InstallRunTest, MissingTypeFolderIsRefusedBeforeAnythingElse) {
  Prepare();
  window_.AddRow("A", Destination("a"), "m1");
  window_.replace_type_table = true;
  window_.type_folder = temp_ / "no such folder";
  Run();
  ASSERT_EQ(window_.refusals.size(), 1u);
  EXPECT_EQ(window_.refusals[0].text, texts::TypeFolderMissing() + window_.type_folder);
  EXPECT_EQ(window_.logs_created, 0);
  EXPECT_FALSE(os_fs_.DirectoryExists(Destination("a")));
}

TEST_F(InstallRunTest, TwoMastersAreCopiedAndRegisteredUnderConsecutiveCodes) {
  Prepare(/*last_code=*/7);
  window_.AddRow(Sjis("建築 マスタ"), Destination("a"), "m1");
  window_.AddRow("skipped", Destination("s"), "m3", /*ticked=*/false);
  window_.AddRow("B", Destination("b") + "\\", "m2");
  window_.on_process_messages = [&] {
    EXPECT_FALSE(window_.input_enabled);
    EXPECT_TRUE(window_.busy);
    EXPECT_EQ(window_.status_text, texts::Installing());
  };
  Run();

  EXPECT_TRUE(window_.refusals.empty());
  EXPECT_TRUE(window_.shown_logs.empty());
  EXPECT_EQ(window_.close_requests, 1);
  EXPECT_EQ(window_.cb_hsy_reads, 1);
  ExpectCleanedUp();
  EXPECT_FALSE(os_fs_.DirectoryExists(Destination("s")));

  Rows rows = ReadRows(ManagementFolder() + "\\M6hink.DB");
  ASSERT_EQ(rows.size(), 5u);  // codes 5, 6, 7 and the two new ones
  EXPECT_EQ(rows[3], (std::vector<FieldValue>{FieldValue::Integer(8), FieldValue::Text(Destination("a") + "\\"),
                                              FieldValue::Text(Sjis("建築 マスタ"))}));
  EXPECT_EQ(rows[4], (std::vector<FieldValue>{FieldValue::Integer(9), FieldValue::Text(Destination("b") + "\\"),
                                              FieldValue::Text("B")}));
  ExpectFamilyOk(ManagementFolder() + "\\M6hink.DB");

  for (const char* dest : {"a", "b"}) {
    std::vector<std::string> files = FilesIn(Destination(dest));
    for (const char* name : {"M8HINMEI.DB", "M8HINMEI.MB", "M8HINMEI.PX", "M7HIMST.DB", "M7HIMST.PX", "M6HINSET.DB",
                             "M6HINSET.PX", "TANITBL.DB", "TANITBL.PX", "hinload_KB.dat", "hinload_SK.dat"}) {
      EXPECT_TRUE(std::count(files.begin(), files.end(), name)) << dest << " lacks " << name;
    }
    for (const char* table : {"M8HINMEI.DB", "M7HIMST.DB", "M6HINSET.DB", "TANITBL.DB"}) {
      ExpectFamilyOk(Destination(dest) + "\\" + table);
    }
  }
  EXPECT_EQ(platform::ReadWholeFile(os_fs_, Destination("b") + "\\hinload_SK.dat"),
            platform::ReadWholeFile(os_fs_, Medium() + "\\m2\\hinload_SK.dat"));
}

TEST_F(InstallRunTest, CodeLimitCascadesOverThreeMasters) {
  Prepare(/*last_code=*/9998);
  window_.AddRow("First", Destination("a"), "m1");
  window_.AddRow(Sjis("二番目"), Destination("b"), "m2");
  window_.AddRow("Third", Destination("c"), "m3");
  Run();

  EXPECT_EQ(Codes().back(), 9999);
  EXPECT_EQ(Codes().size(), 4u);
  EXPECT_EQ(ReadRows(ManagementFolder() + "\\M6hink.DB").back()[2], FieldValue::Text("First"));
  ASSERT_EQ(window_.shown_logs.size(), 1u);
  EXPECT_EQ(window_.shown_logs[0], texts::CannotAddPrefix() + Sjis("二番目") + texts::CannotAddSuffix() + "\r\n" +
                                       texts::CodeOver9999() + "\r\n" + texts::UnitCopyAbandoned() + "\r\n");
  // The second master stays copied; the third has its tables but not its unit table.
  EXPECT_TRUE(os_fs_.FileExists(Destination("b") + "\\TANITBL.DB"));
  EXPECT_TRUE(os_fs_.FileExists(Destination("c") + "\\M8HINMEI.PX"));
  EXPECT_FALSE(os_fs_.FileExists(Destination("c") + "\\TANITBL.DB"));
  EXPECT_FALSE(os_fs_.FileExists(Destination("c") + "\\hinload_KB.dat"));
  // The log was shown before the main window closed.
  auto shown = std::find(window_.events.begin(), window_.events.end(), "log shown");
  auto closed = std::find(window_.events.begin(), window_.events.end(), "close");
  EXPECT_LT(shown, closed);
}

TEST_F(InstallRunTest, DestinationHoldingAMasterRefusesBeforeAnythingChanges) {
  Prepare();
  os_fs_.ForceDirectories(Destination("taken"));
  platform::WriteWholeFile(os_fs_, Destination("taken") + "\\M6HINSET.DB", "x");
  window_.AddRow("A", Destination("new"), "m1");
  window_.AddRow("B", Destination("taken"), "m2");
  window_.AddRow("C", Destination("taken"), "m3");
  Run();

  ASSERT_EQ(window_.refusals.size(), 1u);
  EXPECT_EQ(window_.refusals[0].kind, MessageKind::kWarning);
  EXPECT_EQ(window_.refusals[0].text, texts::MasterAlreadyPresent() + Destination("taken") + "\r\n" +
                                          texts::ToInstallAMaster() + texts::GiveAnEmptyFolder());
  EXPECT_EQ(window_.selected_row, 1);
  EXPECT_FALSE(os_fs_.DirectoryExists(Destination("new")));
  EXPECT_FALSE(Contains("process messages"));
  EXPECT_EQ(Codes().size(), 3u);
  EXPECT_EQ(window_.close_requests, 0);
  EXPECT_TRUE(window_.shown_logs.empty());
  ExpectCleanedUp();
}

TEST_F(InstallRunTest, TwoRowsMayNameTheSameEmptyDestination) {
  Prepare();
  window_.AddRow("A", Destination("same"), "m1");
  window_.AddRow("B", Destination("same"), "m2");
  Run();
  EXPECT_TRUE(window_.refusals.empty());
  EXPECT_EQ(Codes(), (std::vector<std::int64_t>{5, 6, 7, 8, 9}));
}

TEST_F(InstallRunTest, BareFolderNameIsRefusedInPassTwoAndEarlierFoldersStay) {
  Prepare();
  window_.AddRow("A", Destination("first"), "m1");
  window_.AddRow("B", "nofolderpart", "m2");
  window_.AddRow("C", "  ", "m3");
  Run();
  ASSERT_EQ(window_.refusals.size(), 1u);
  EXPECT_EQ(window_.refusals[0].kind, MessageKind::kError);
  EXPECT_EQ(window_.refusals[0].text, texts::InvalidFolderName() + "nofolderpart");
  EXPECT_EQ(window_.selected_row, 1);
  EXPECT_TRUE(os_fs_.DirectoryExists(Destination("first")));
  EXPECT_TRUE(FilesIn(Destination("first")).empty());
  EXPECT_TRUE(Contains("process messages"));
  ExpectCleanedUp();

  // A destination of blanks is not empty: it is refused the same way, as typed.
  window_.rows.erase(window_.rows.begin() + 1);
  window_.source_dirs.erase(window_.source_dirs.begin() + 1);
  window_.refusals.clear();
  Run();
  ASSERT_EQ(window_.refusals.size(), 1u);
  EXPECT_EQ(window_.refusals[0].text, texts::InvalidFolderName() + "  ");
}

TEST_F(InstallRunTest, DestinationEndingInADoubleByteCharacterWithTrailByte5C) {
  Prepare();
  std::string hyo = Destination(Sjis("品名表"));
  window_.AddRow("A", hyo, "m1");
  Run();
  EXPECT_TRUE(os_fs_.FileExists(hyo + "\\M8HINMEI.DB"));
  EXPECT_EQ(ReadRows(ManagementFolder() + "\\M6hink.DB").back()[1], FieldValue::Text(hyo + "\\"));
}

TEST_F(InstallRunTest, TickedRowsWithEmptyDestinationsStillReplaceTheTypeTable) {
  Prepare();
  window_.AddRow("A", "", "m1");
  window_.replace_type_table = true;
  Run();
  EXPECT_TRUE(window_.refusals.empty());
  EXPECT_EQ(Codes().size(), 3u);
  EXPECT_EQ(ReadRows(TypeFolder() + "\\M7HINCD.DB").size(), 6u);
  EXPECT_TRUE(window_.shown_logs.empty());
  EXPECT_EQ(window_.close_requests, 1);
  ExpectCleanedUp();
}

TEST_F(InstallRunTest, RowWithoutDestinationFailsPassOneWithNothingChanged) {
  Prepare();
  window_.AddRow("A", Destination("a"), "m1");
  window_.rows.push_back({{"name only"}, true});  // the row of a one-field catalogue line
  EXPECT_EQ(RunExpectingFailure(), platform::Format(platform::texts::ListIndexFormat(), 1));
  EXPECT_FALSE(os_fs_.DirectoryExists(Destination("a")));
  ExpectCleanedUp();
}

TEST_F(InstallRunTest, RowWithoutSourceFolderFailsPassThreeAfterTheGoodOnes) {
  Prepare();
  window_.replace_type_table = true;
  window_.AddRow("A", Destination("a"), "m1");
  window_.AddRow("B", Destination("b"), "m2");
  window_.rows.push_back({{"C", Destination("c")}, true});  // a two-field catalogue line
  EXPECT_EQ(RunExpectingFailure(), platform::Format(platform::texts::ListIndexFormat(), 2));
  EXPECT_EQ(Codes(), (std::vector<std::int64_t>{5, 6, 7, 8, 9}));
  EXPECT_TRUE(os_fs_.DirectoryExists(Destination("c")));
  EXPECT_EQ(ReadRows(TypeFolder() + "\\M7HINCD.DB").size(), 3u);  // not replaced
  EXPECT_TRUE(window_.shown_logs.empty());
  EXPECT_EQ(window_.close_requests, 0);
  ExpectCleanedUp();
}

TEST_F(InstallRunTest, EmptyManagementTableFailsAfterTheFirstCopy) {
  Prepare();
  WriteManagementTable(0);
  window_.AddRow("A", Destination("a"), "m1");
  window_.AddRow("B", Destination("b"), "m2");
  EXPECT_EQ(RunExpectingFailure(), texts::Format(texts::CodeNotNumericFormat(), std::string("fCD")));
  EXPECT_TRUE(os_fs_.FileExists(Destination("a") + "\\TANITBL.DB"));
  EXPECT_FALSE(os_fs_.FileExists(Destination("b") + "\\M8HINMEI.DB"));
  EXPECT_TRUE(Codes().empty());
  ExpectCleanedUp();
}

TEST_F(InstallRunTest, SetUpFailureUndoesExactlyWhatWasSetUp) {
  Prepare();
  window_.replace_type_table = true;
  window_.AddRow("A", Destination("a"), "m1");
  // A management table the engine cannot open: the set-up fails at its last step.
  platform::WriteWholeFile(os_fs_, ManagementFolder() + "\\M6hink.DB", "not a table");
  EXPECT_FALSE(RunExpectingFailure().empty());
  ExpectCleanedUp();
  EXPECT_FALSE(os_fs_.DirectoryExists(Destination("a")));

  // An alias store that cannot be written fails the first alias: there is none to drop.
  window_.events.clear();
  fs_.FailAt(1, platform::kErrorAccessDenied, /*persistent=*/true);
  EXPECT_FALSE(RunExpectingFailure().empty());
  fs_.Reset();
  EXPECT_EQ(window_.logs_alive, 0);
  EXPECT_FALSE(window_.busy);
}

TEST_F(InstallRunTest, ErrorLogIsShownModallyBeforeTheWindowCloses) {
  Prepare();
  os_fs_.RemoveFile(Medium() + "\\m1\\M7HIMST.DB");
  window_.AddRow("A", Destination("a"), "m1");
  Run();
  ASSERT_EQ(window_.shown_logs.size(), 1u);
  EXPECT_EQ(window_.shown_logs[0], texts::ClassificationSourceMissing() + "\r\n" + Medium() + "\\m1\\M7HIMST.DB\r\n" +
                                       texts::UnitCopyAbandoned() + "\r\n");
  EXPECT_EQ(Codes().size(), 3u);
  EXPECT_EQ(window_.close_requests, 1);
}

}  // namespace
}  // namespace install::testing
