#include "platform/testing/fault_injecting_file_system.h"

#include <gtest/gtest.h>

#include "platform/exceptions.h"
#include "platform/testing/temp_folder.h"

namespace platform {
namespace {

class FaultInjection : public ::testing::Test {
 protected:
  // Writes a file through the wrapper: Open, WriteAt, Flush, Close (operations 1 to 4).
  void WriteThrough(const std::string& path) { WriteWholeFile(fs_, path, "data"); }

  testing::TempFolder temp_;
  testing::FaultInjectingFileSystem fs_{OsFileSystem()};
};

TEST_F(FaultInjection, FailsExactlyTheChosenOperation) {
  for (long n = 1; n <= 4; ++n) {
    fs_.FailAt(n, kErrorDiskFull);
    try {
      WriteThrough(temp_ / "f.txt");
      ADD_FAILURE() << "operation " << n << " did not fail";
    } catch (const EInOutError& e) {
      EXPECT_EQ(e.ErrorCode(), kErrorDiskFull);
      EXPECT_EQ(e.Path(), temp_ / "f.txt");
    }
    EXPECT_TRUE(fs_.Triggered());
    EXPECT_EQ(fs_.Operations(), n);
  }
  fs_.FailAt(5);
  WriteThrough(temp_ / "f.txt");
  EXPECT_FALSE(fs_.Triggered());
  EXPECT_EQ(fs_.Operations(), 4);
  EXPECT_EQ(fs_.Trace().front(), "Open " + temp_ / "f.txt");
}

TEST_F(FaultInjection, OperationsThatAnswerBoolAnswerFalse) {
  WriteThrough(temp_ / "a");
  fs_.FailAt(1);
  EXPECT_FALSE(fs_.CopyFileOver(temp_ / "a", temp_ / "b"));
  EXPECT_FALSE(OsFileSystem().FileExists(temp_ / "b"));
  EXPECT_TRUE(fs_.CopyFileOver(temp_ / "a", temp_ / "b"));  // only the first failed
  fs_.FailAt(1);
  EXPECT_FALSE(fs_.ForceDirectories(temp_ / "d"));
  EXPECT_FALSE(OsFileSystem().DirectoryExists(temp_ / "d"));
}

TEST_F(FaultInjection, PersistentFaultsFailEverythingAfter) {
  fs_.FailAt(2, kErrorAccessDenied, /*persistent=*/true);
  EXPECT_TRUE(fs_.ForceDirectories(temp_ / "d"));
  EXPECT_FALSE(fs_.ForceDirectories(temp_ / "e"));
  EXPECT_THROW(fs_.ListFolder(temp_.Path()), EInOutError);
  EXPECT_THROW(WriteThrough(temp_ / "x"), EInOutError);
  fs_.Reset();
  EXPECT_NO_THROW(fs_.ListFolder(temp_.Path()));
}

TEST_F(FaultInjection, ExistenceTestsAreNotCounted) {
  fs_.FailAt(1);
  EXPECT_TRUE(fs_.DirectoryExists(temp_.Path()));
  EXPECT_FALSE(fs_.FileExists(temp_ / "none"));
  EXPECT_EQ(fs_.Operations(), 0);
}

}  // namespace
}  // namespace platform
