// One whole install through the real window: rows ticked, the type-table replacement
// chosen, Install pressed; the copied families, the management table's new rows and the
// replaced type table checked afterwards, and the main window closed. The data folders
// stay in the build tree, where the next test step checks them with the independent
// checker.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "catalogue/data_layout.h"
#include "engine/check/family_check.h"
#include "engine/operations/table.h"
#include "platform/cp932.h"
#include "tools/medium/medium_writer.h"
#include "ui/tests/form_fixture.h"

namespace ui::testing {
namespace {

// Where the run's data folders are kept for the checker: a folder of the build tree,
// given as a Unix path, which Wine shows on drive Z:.
std::string OutputFolder() {
  std::string folder = HINMEI_E2E_OUTPUT;
  if (!folder.empty() && folder[0] == '/') {
    for (char& c : folder) {
      if (c == '/') c = '\\';
    }
    folder = "Z:" + folder;
  }
  return folder;
}

class InstallEndToEnd : public MainFormTest {
 protected:
  void SetUp() override {
    out_ = OutputFolder();
    platform::testing::RemoveTree(out_);
    fs_.ForceDirectories(out_);
    // The medium lies below the program's folder: the catalogue names the subfolders
    // relative to it.
    medium_ = "e2e-medium";
    platform::testing::RemoveTree(ProgramFolderOfThisProcess() + medium_);
    for (int m = 1; m <= 2; ++m) {
      medium::MasterSpec master;
      master.number = m;
      master.items = 300 * m;
      master.keyed_tables = m == 1;
      medium::WriteMasterFolder(fs_, ProgramFolderOfThisProcess() + medium_ + "\\m" + std::to_string(m), master);
    }
    medium::WriteTypeTable(fs_, ProgramFolderOfThisProcess() + "M7HINCD.DB", 12);
    fs_.ForceDirectories(out_ + "\\data0");
    medium::WriteManagementTable(fs_, out_ + "\\data0\\M6hink.DB", 41);
    medium::WriteUnitTable(fs_, out_ + "\\data0\\TANITBL.DB");
    fs_.ForceDirectories(out_ + "\\data1");
    medium::WriteTypeTable(fs_, out_ + "\\data1\\M7HINCD.DB", 5);
  }

  void TearDown() override {
    if (medium_.empty()) return;
    platform::testing::RemoveTree(ProgramFolderOfThisProcess() + medium_);
    fs_.RemoveFile(ProgramFolderOfThisProcess() + "M7HINCD.DB");
  }

  void ExpectFamilyOk(const std::string& table) {
    engine::CheckReport report = engine::CheckFamily(fs_, table);
    EXPECT_TRUE(report.ok()) << table << ": " << (report.problems.empty() ? "" : report.problems[0]);
  }

  platform::FileSystem& fs_ = platform::OsFileSystem();
  std::string out_;
  std::string medium_;
};

TEST_F(InstallEndToEnd, TickedMastersAreInstalledAndRegistered) {
  std::string dest1 = out_ + "\\" + Sjis("建築");
  std::string dest2 = out_ + "\\hin02";
  Open(Sjis("\"建築 資材\",") + dest1 + "," + medium_ + "\\m1\r\n" +
       Sjis("\"設備 機器\",") + dest2 + "," + medium_ + "\\m2\r\n" +
       Sjis("\"未選択\",") + out_ + "\\unused," + medium_ + "\\m1\r\n");
  Type(C::EdData0, out_ + "\\data0");
  Click(C::CbHsy);
  Type(C::EdData1, out_ + "\\data1");
  ListView_SetCheckState(H(C::ListView1), 0, TRUE);
  ListView_SetCheckState(H(C::ListView1), 1, TRUE);
  HWND window = form().Handle();
  Click(C::Button1);
  Pump();

  EXPECT_TRUE(dialogs_.boxes.empty()) << "a message box was shown: "
                                       << platform::Cp932ToUtf8(dialogs_.boxes.front().text);
  EXPECT_FALSE(IsWindow(window)) << "the main window is still open";

  engine::Engine& engine = engine_;
  engine::TTable hik(engine);
  hik.SetTableName(out_ + "\\data0\\M6hink.DB");
  hik.Open();
  hik.MoveLast();
  EXPECT_EQ(hik.ReadField("fCD"), engine::FieldValue::Integer(43));
  EXPECT_EQ(hik.ReadField("fPath"), engine::FieldValue::Text(dest2 + "\\"));
  EXPECT_EQ(hik.ReadField("fMei"), engine::FieldValue::Text(Sjis("設備 機器")));
  hik.Close();
  ExpectFamilyOk(out_ + "\\data0\\M6hink.DB");

  for (const std::string& dest : {dest1, dest2}) {
    for (std::string_view table : {catalogue::kItemTable, catalogue::kClassificationTable, catalogue::kSetItemTable,
                                   catalogue::kUnitTable}) {
      ExpectFamilyOk(catalogue::JoinPath(dest, table));
    }
    EXPECT_TRUE(fs_.FileExists(catalogue::JoinPath(dest, catalogue::kLoadDefinitionSk)));
  }
  EXPECT_FALSE(fs_.DirectoryExists(out_ + "\\unused"));
  ExpectFamilyOk(out_ + "\\data1\\M7HINCD.DB");
  engine::TTable hsy(engine);
  hsy.SetTableName(out_ + "\\data1\\M7HINCD.DB");
  hsy.Open();
  hsy.MoveLast();
  EXPECT_EQ(hsy.ReadField("fCD"), engine::FieldValue::Text("T012"));  // the medium's table
}

}  // namespace
}  // namespace ui::testing
