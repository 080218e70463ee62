// Set-aside files that a write could not delete stay under the engine's temporary names;
// the next write in that folder deletes those that nobody holds, and nothing else.
#include <gtest/gtest.h>

#include "engine/family_write.h"
#include "engine/table_operations.h"
#include "engine/tests/test_support.h"
#include "platform/fault_injecting_file_system.h"
#include "platform/testing/temp_folder.h"

namespace engine {
namespace {

class LeftoverSweep : public ::testing::Test {
 protected:
  void SetUp() override {
    TableCreator creator(platform::OsFileSystem(), path_, testing::SmallSpec(0));
    for (int i = 1; i <= 30; ++i) creator.AddRow({FieldValue::Integer(31 - i), FieldValue::Text("r"), FieldValue()});
    creator.Finish();
  }

  std::vector<std::string> Temporaries() {
    std::vector<std::string> names;
    for (const std::string& name : testing::FilesIn(temp_.Path())) {
      if (IsTemporaryName(name)) names.push_back(name);
    }
    return names;
  }

  platform::testing::TempFolder temp_;
  std::string path_ = temp_ / "T.DB";
};

TEST_F(LeftoverSweep, TheTemporaryPatternAndNothingElse) {
  EXPECT_TRUE(IsTemporaryName("~hm0123abcd.001"));
  EXPECT_TRUE(IsTemporaryName("~HM0123ABCD.999"));
  for (const char* other : {"~hm0123abc.001", "~hm0123abcg.001", "~hm0123abcd.01", "~hm0123abcd.DB",
                            "hm0123abcd.001", "~M7HINCD.DB", "T.DB"}) {
    EXPECT_FALSE(IsTemporaryName(other)) << other;
  }
}

// The last step of a swap, deleting what was set aside, fails on a disk that stops
// working: the family is complete, the old members stay under temporary names, and the
// next write in the folder removes them.
TEST_F(LeftoverSweep, ASwapWhoseLastStepFailedIsCleanedByTheNextWrite) {
  platform::FaultInjectingFileSystem probe(platform::OsFileSystem());
  BuildIndex(probe, path_, "", "Code", ixPrimary);
  long first_removal = 0;
  const auto& trace = probe.Trace();
  for (std::size_t i = 0; i < trace.size(); ++i) {
    if (trace[i].rfind("RemoveFile", 0) == 0) {
      first_removal = static_cast<long>(i) + 1;
      break;
    }
  }
  ASSERT_GT(first_removal, 0);

  SetUp();  // the unkeyed table again
  platform::FaultInjectingFileSystem failing(platform::OsFileSystem());
  failing.FailAt(first_removal, platform::kErrorAccessDenied, /*persistent=*/true);
  BuildIndex(failing, path_, "", "Code", ixPrimary);  // the change itself is complete
  ASSERT_TRUE(failing.Triggered());
  ASSERT_FALSE(Temporaries().empty());
  testing::ExpectSoundFamily(path_);

  BuildIndex(platform::OsFileSystem(), path_, "ByName", "Name", ixCaseInsensitive);
  EXPECT_TRUE(Temporaries().empty());
  testing::ExpectSoundFamily(path_);
}

TEST_F(LeftoverSweep, AHeldTemporaryFileAndFilesOfOtherNamesStay) {
  testing::WriteBytes(temp_ / "~hm0000beef.001", "left over");
  testing::WriteBytes(temp_ / "~hm0000cafe.002", "someone's, in use");
  testing::WriteBytes(temp_ / "~hm0000cafe.DB", "not of the pattern");
  testing::WriteBytes(temp_ / "notes.txt", "user's");
  platform::OsFileSystem().ForceDirectories(temp_ / "other");
  testing::WriteBytes(temp_ / "other\\~hm0000f00d.001", "another folder");
  auto held = platform::OsFileSystem().Open(temp_ / "~hm0000cafe.002", platform::Access::kRead,
                                            platform::Share::kReadWrite, platform::Disposition::kOpenExisting);

  BuildIndex(platform::OsFileSystem(), path_, "", "Code", ixPrimary);
  EXPECT_EQ(Temporaries(), std::vector<std::string>{"~hm0000cafe.002"});
  EXPECT_EQ(testing::ReadBytes(temp_ / "~hm0000cafe.DB"), "not of the pattern");
  EXPECT_EQ(testing::ReadBytes(temp_ / "notes.txt"), "user's");
  EXPECT_EQ(testing::ReadBytes(temp_ / "other\\~hm0000f00d.001"), "another folder");

  held.reset();
  BuildIndex(platform::OsFileSystem(), path_, "Name", "Name", 0);
  EXPECT_TRUE(Temporaries().empty());
}

}  // namespace
}  // namespace engine
