// A table of the run held open by another program, as the estimating application holds
// the tables it works on: the run fails with the in-use message naming the file, and
// nothing on disk changes; once the other program has let go, the same run succeeds.
#include <gtest/gtest.h>

#include <map>

#include "engine/errors.h"
#include "install/tests/install_fixture.h"
#include "platform/testing/other_process.h"

namespace install::testing {
namespace {

class InUseTest : public InstallFixture {
 protected:
  void SetUp() override {
    WriteMaster("m2", 2);
    WriteManagementTable(4);
    WriteUnitTable();
    WriteTypeTable(TypeFolder() + "\\M7HINCD.DB", 3);
    WriteTypeTable(Medium() + "\\M7HINCD.DB", 6);
    os_fs_.ForceDirectories(Destination("used"));
    // A unit table left in a destination that holds no master yet.
    os_fs_.CopyFileOver(ManagementFolder() + "\\TANITBL.DB", Destination("used") + "\\TANITBL.DB");
    os_fs_.ForceDirectories(temp_ / "signals");
    window_.AddRow("new master", Destination("new"), "m2");
    window_.AddRow("into used", Destination("used"), "m2");
    window_.replace_type_table = true;
  }

  // Every file of the data folders, by path, with its bytes.
  std::map<std::string, std::string> DataFiles() {
    std::map<std::string, std::string> files;
    for (const std::string& folder : {ManagementFolder(), TypeFolder(), Destination("new"), Destination("used")}) {
      for (const std::string& name : FilesIn(folder)) {
        files[folder + "\\" + name] = platform::ReadWholeFile(os_fs_, folder + "\\" + name);
      }
    }
    return files;
  }
};

TEST_F(InUseTest, ATableHeldByAnotherProgramStopsTheRunUntilItLetsGo) {
  const std::size_t registered = ReadRows(ManagementFolder() + "\\M6hink.DB").size();
  for (const std::string& held : {ManagementFolder() + "\\M6hink.DB", Destination("used") + "\\TANITBL.DB",
                                  TypeFolder() + "\\M7HINCD.DB"}) {
    SCOPED_TRACE(held);
    const auto before = DataFiles();
    {
      platform::testing::OtherProgramHolding other(held, temp_ / "signals");
      ASSERT_TRUE(other.holding());
      EXPECT_EQ(RunExpectingFailure(), engine::InUseMessage(held));
      EXPECT_EQ(DataFiles(), before);
      EXPECT_FALSE(os_fs_.DirectoryExists(Destination("new")));
      EXPECT_EQ(window_.close_requests, 0);
      EXPECT_FALSE(AliasDefined("KELO0"));
      EXPECT_EQ(other.Release(), 0);
    }
  }

  Run();
  EXPECT_EQ(window_.close_requests, 1);
  EXPECT_TRUE(window_.shown_logs.empty());
  EXPECT_EQ(ReadRows(ManagementFolder() + "\\M6hink.DB").size(), registered + 2);
  EXPECT_EQ(ReadRows(TypeFolder() + "\\M7HINCD.DB").size(), 6u);
  for (const char* dest : {"new", "used"}) ExpectFamilyOk(Destination(dest) + "\\M8HINMEI.DB");
}

}  // namespace
}  // namespace install::testing
