// A family file that another process holds makes every write an "in use" engine error
// that names the file, and nothing is written.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "engine/errors.h"
#include "engine/operations/engine.h"
#include "engine/operations/table.h"
#include "engine/operations/table_operations.h"
#include "engine/tests/test_support.h"
#include "platform/exceptions.h"
#include "platform/testing/other_process.h"
#include "platform/testing/temp_folder.h"

namespace engine {
namespace {

class InUse : public ::testing::Test {
 protected:
  void SetUp() override {
    TableCreator creator(platform::OsFileSystem(), path_, testing::SmallSpec(1));
    for (int i = 1; i <= 40; ++i) creator.AddRow({FieldValue::Integer(i), FieldValue::Text("r"), FieldValue()});
    creator.Finish();
    BuildIndex(platform::OsFileSystem(), path_, "Name", "Name", 0);
  }

  void ExpectInUse(const std::function<void()>& write, const std::string& held) {
    std::vector<std::string> before = testing::FolderSnapshot(temp_.Path(), {"ready", "release"});
    try {
      write();
      ADD_FAILURE() << "the write went through";
    } catch (const platform::EDBEngineError& e) {
      EXPECT_EQ(std::string(e.what()), InUseMessage(held));
    }
    EXPECT_EQ(testing::FolderSnapshot(temp_.Path(), {"ready", "release"}), before);
  }

  platform::testing::TempFolder temp_;
  std::string path_ = temp_ / "T.DB";
};

TEST_F(InUse, AFileHeldByAnotherProcessStopsEveryWrite) {
  for (const char* member : {"T.DB", "T.X02"}) {
    SCOPED_TRACE(member);
    std::string held = temp_ / member;
    platform::testing::OtherProcess holder({"--hold", held, temp_ / "ready", temp_ / "release"});
    ASSERT_TRUE(holder.started());
    auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!platform::OsFileSystem().FileExists(temp_ / "ready") && std::chrono::steady_clock::now() < give_up) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_TRUE(platform::OsFileSystem().FileExists(temp_ / "ready"));

    ExpectInUse([&] { BuildIndex(platform::OsFileSystem(), path_, "", "Code", ixPrimary); }, held);
    ExpectInUse([&] { DropTableFamily(platform::OsFileSystem(), path_); }, held);
    Engine engine(platform::OsFileSystem(), temp_ / "unused.ini");
    TTable table(engine);
    table.SetTableName(path_);
    table.Open();  // reading shares the table with the other program
    table.BeginAppend();
    table.WriteField("Code", 99);
    ExpectInUse([&] { table.PostRecord(); }, held);
    table.Close();

    testing::WriteBytes(temp_ / "release", "");
    EXPECT_EQ(holder.Wait(), 0);
    platform::OsFileSystem().RemoveFile(temp_ / "ready");
    platform::OsFileSystem().RemoveFile(temp_ / "release");
    EXPECT_NO_THROW(BuildIndex(platform::OsFileSystem(), path_, "", "Code", ixPrimary));
  }
}

}  // namespace
}  // namespace engine
