// `pdxtool medium` on media written as a vendor ships them, sound and broken.
#include "tools/pdxtool/medium_check.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "engine/write/table_creator.h"
#include "platform/cp932.h"
#include "platform/testing/temp_folder.h"
#include "tools/medium/medium_writer.h"

namespace pdxtool {
namespace {

using platform::Utf8ToCp932;

class MediumCheckTest : public ::testing::Test {
 protected:
  MediumCheckTest() {
    for (int m = 1; m <= 2; ++m) {
      medium::MasterSpec master;
      master.number = m;
      master.items = 40;
      master.keyed_tables = m == 2;
      medium::WriteMasterFolder(fs_, temp_ / ("m" + std::to_string(m)), master);
    }
    medium::WriteTypeTable(fs_, temp_ / "M7HINCD.DB", 8);
    WriteCatalogue(Utf8ToCp932("\"建築 資材\",C:\\kelo\\a,m1\r\n\"設備\",C:\\kelo\\b,m2\r\n"));
  }

  void WriteCatalogue(const std::string& cp932) { platform::WriteWholeFile(fs_, temp_ / "kelo.txt", cp932); }

  // The report as UTF-8 lines; the exit code in `code_`.
  std::string Check() {
    std::ostringstream out;
    code_ = CheckMedium(fs_, temp_.Path(), out);
    return out.str();
  }

  std::vector<std::string> Listing() {
    std::vector<std::string> names;
    for (const char* folder : {"", "m1", "m2"}) {
      for (const std::string& name : fs_.ListFolder(*folder ? temp_ / folder : temp_.Path())) {
        names.push_back(std::string(folder) + "/" + name);
      }
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  platform::FileSystem& fs_ = platform::OsFileSystem();
  platform::testing::TempFolder temp_;
  int code_ = -1;
};

TEST_F(MediumCheckTest, SoundMediumPassesAndIsLeftUntouched) {
  std::vector<std::string> before = Listing();
  std::string report = Check();
  EXPECT_EQ(code_, 0) << report;
  EXPECT_NE(report.find("1: [建築 資材] [C:\\kelo\\a] from [m1]"), std::string::npos) << report;
  EXPECT_NE(report.find("M8HINMEI.DB: 40 rows, indexes build, family OK"), std::string::npos) << report;
  EXPECT_NE(report.find("M7HINCD.DB: 8 rows"), std::string::npos) << report;
  EXPECT_NE(report.find("medium: OK (0 problems)"), std::string::npos) << report;
  EXPECT_EQ(Listing(), before);
}

TEST_F(MediumCheckTest, EveryKindOfProblemIsReported) {
  fs_.RemoveFile(temp_ / "m1\\hinload_SK.dat");
  fs_.RemoveFile(temp_ / "M7HINCD.DB");
  // A classification table whose codes repeat cannot get its primary index.
  engine::TableCreator creator(fs_, temp_ / "m2\\M7HIMST.DB", {{{"fCD", 'A', 6}, {"fMei", 'A', 20}}, 0});
  creator.AddRow({engine::FieldValue::Text("C01"), engine::FieldValue::Text("a")});
  creator.AddRow({engine::FieldValue::Text("C01"), engine::FieldValue::Text("b")});
  creator.Finish();
  WriteCatalogue("A,C:\\kelo\\a,m1\r\nB,C:\\kelo\\b,m2\r\nC,C:\\kelo\\c,missing\r\nD,C:\\kelo\\d\r\n");

  std::string report = Check();
  EXPECT_EQ(code_, 1);
  EXPECT_NE(report.find("PROBLEM: hinload_SK.dat is missing"), std::string::npos) << report;
  EXPECT_NE(report.find("  M7HIMST.DB: PROBLEM: the install cannot index it: キーが重複しています。"), std::string::npos)
      << report;
  EXPECT_NE(report.find(platform::Cp932ToUtf8(temp_ / "m2\\M7HIMST.DB")), std::string::npos) << report;
  EXPECT_NE(report.find("PROBLEM: the source folder"), std::string::npos) << report;
  EXPECT_NE(report.find("cannot be read to its end"), std::string::npos) << report;
  EXPECT_NE(report.find("(after row 4)"), std::string::npos) << report;
  EXPECT_NE(report.find("  M7HINCD.DB: PROBLEM: missing"), std::string::npos) << report;
  EXPECT_NE(report.find("medium: FAILED (5 problems)"), std::string::npos) << report;
}

TEST_F(MediumCheckTest, MissingFolderOrCatalogue) {
  std::ostringstream out;
  EXPECT_EQ(CheckMedium(fs_, temp_ / "none", out), 1);
  EXPECT_NE(out.str().find("the folder does not exist"), std::string::npos);
  fs_.RemoveFile(temp_ / "kelo.txt");
  std::string report = Check();
  EXPECT_EQ(code_, 1);
  EXPECT_NE(report.find("ファイルが見つかりません"), std::string::npos) << report;
}

}  // namespace
}  // namespace pdxtool
