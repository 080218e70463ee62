// Sessions, the persistent alias store and the shared-access control file.
#include <gtest/gtest.h>

#include "engine/operations/alias_store.h"
#include "engine/operations/engine.h"
#include "engine/operations/net_file.h"
#include "engine/operations/session.h"
#include "engine/operations/table.h"
#include "engine/tests/test_support.h"
#include "platform/cp932.h"
#include "platform/exceptions.h"
#include "platform/testing/temp_folder.h"

namespace engine {
namespace {

class Sessions : public ::testing::Test {
 protected:
  bool Exists(const std::string& path) { return platform::OsFileSystem().FileExists(path); }

  platform::testing::TempFolder temp_;
  std::string store_ = temp_ / "config\\aliases.ini";  // its folder does not exist yet
  Engine engine_{platform::OsFileSystem(), store_};
};

TEST_F(Sessions, AliasesPersistAndReplaceAndDrop) {
  TSession session(engine_, "Session1");
  std::string folder = temp_ / platform::Utf8ToCp932("表データ");
  AddFolderAlias(session, "KELO0", folder, "PARADOX");
  EXPECT_EQ(session.AliasPath("kelo0"), folder);
  EXPECT_EQ(testing::ReadBytes(store_),
            "[KELO0]\r\nTYPE=STANDARD\r\nPATH=" + folder + "\r\nDEFAULT DRIVER=PARADOX\r\n");
  // An alias left by an interrupted run is replaced.
  AddFolderAlias(session, "KELO0", temp_ / "other", "PARADOX");
  AddFolderAlias(session, "KELO9", folder, "PARADOX");
  Engine later(platform::OsFileSystem(), store_);
  TSession reader(later, "Reader");
  EXPECT_EQ(reader.AliasPath("KELO0"), temp_ / "other");
  EXPECT_EQ(reader.AliasPath("KELO9"), folder);
  DropAlias(session, "KELO0");
  EXPECT_THROW(session.AliasPath("KELO0"), platform::EDBEngineError);
  EXPECT_THROW(DropAlias(session, "KELO0"), platform::EDBEngineError);
  EXPECT_EQ(testing::FilesIn(temp_ / "config"), (std::vector<std::string>{"aliases.ini"}));  // no temporary left
}

TEST_F(Sessions, SetAliasPathKeepsTheOtherParameters) {
  platform::OsFileSystem().ForceDirectories(temp_ / "config");
  testing::WriteBytes(store_, "[KELO9]\r\nTYPE=STANDARD\r\nPATH=C:\\old\r\nENABLE BCD=FALSE\r\nDEFAULT DRIVER=PARADOX\r\n");
  TSession session(engine_, "Session2");
  SetAliasPath(session, "KELO9", "D:\\new");
  EXPECT_EQ(testing::ReadBytes(store_),
            "[KELO9]\r\nTYPE=STANDARD\r\nPATH=D:\\new\r\nENABLE BCD=FALSE\r\nDEFAULT DRIVER=PARADOX\r\n");
  EXPECT_THROW(SetAliasPath(session, "NOPE", "D:\\"), platform::EDBEngineError);
  EXPECT_THROW(AddFolderAlias(session, "BAD]", "D:\\", "PARADOX"), platform::EDBEngineError);
  EXPECT_THROW(AddFolderAlias(session, "K", "D:\\\r\n[X]", "PARADOX"), platform::EDBEngineError);
}

TEST_F(Sessions, TablesAreFoundThroughTheAliasWhateverTheCaseOfTheirFileNames) {
  std::string folder = temp_ / "data";
  platform::OsFileSystem().ForceDirectories(folder);
  TableCreator creator(platform::OsFileSystem(), folder + "\\m6hink.db", testing::SmallSpec(1));
  creator.AddRow({FieldValue::Integer(5), FieldValue::Text("five"), FieldValue()});
  creator.Finish();
  TSession session(engine_, "Session1");
  AddFolderAlias(session, "KELO0", folder, "PARADOX");
  TTable table(engine_);
  table.SetSessionName("Session1");
  table.SetDatabaseName("KELO0");
  table.SetTableName("M6hink.DB");
  table.Open();
  table.MoveLast();
  EXPECT_EQ(table.ReadField("Code"), FieldValue::Integer(5));
  TTable unknown(engine_);
  unknown.SetDatabaseName("NOALIAS");
  unknown.SetTableName("M6hink.DB");
  EXPECT_THROW(unknown.Open(), platform::EDBEngineError);
  unknown.SetSessionName("NoSuchSession");
  unknown.SetDatabaseName("KELO0");
  EXPECT_THROW(unknown.Open(), platform::EDBEngineError);
}

TEST_F(Sessions, TheControlFileIsHeldWhileASessionIsActiveAndRemovedByTheLast) {
  std::string folder = temp_ / "data";
  std::string other = temp_ / "other";
  platform::OsFileSystem().ForceDirectories(folder);
  platform::OsFileSystem().ForceDirectories(other);
  TableCreator creator(platform::OsFileSystem(), folder + "\\T.DB", testing::SmallSpec(1));
  creator.Finish();
  TSession one(engine_, "One"), two(engine_, "Two");
  one.SetNetFileDir(folder);
  two.SetNetFileDir(folder);
  EXPECT_FALSE(Exists(folder + "\\" + kNetFileName));  // not before a session is active
  TTable a(engine_), b(engine_);
  a.SetSessionName("One");
  b.SetSessionName("Two");
  a.SetTableName(folder + "\\T.DB");
  b.SetTableName(folder + "\\T.DB");
  a.Open();
  EXPECT_TRUE(Exists(folder + "\\" + kNetFileName));
  b.Open();
  a.Close();
  EXPECT_TRUE(Exists(folder + "\\" + kNetFileName));  // still held by the other session
  two.SetNetFileDir(other);                           // an active session moves at once
  EXPECT_FALSE(Exists(folder + "\\" + kNetFileName));
  EXPECT_TRUE(Exists(other + "\\" + kNetFileName));
  b.Close();
  EXPECT_FALSE(Exists(other + "\\" + kNetFileName));
  EXPECT_FALSE(Exists(folder + "\\PDOXUSRS.NET"));
  EXPECT_THROW(TSession(engine_, "one"), platform::EDBEngineError);  // names are unique
}

}  // namespace
}  // namespace engine
