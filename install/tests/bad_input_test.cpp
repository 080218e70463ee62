// Inputs no one checked, one row each, and the message each must give with nothing lost:
// catalogues typed by hand, destinations on a read-only or full disk, a destination that
// is a file or whose path is too long for Windows. The bad table files themselves are
// the engine's table (engine/tests/bad_input_test.cpp).
#include <gtest/gtest.h>

#include <map>

#include "catalogue/catalogue_reader.h"
#include "engine/errors.h"
#include "engine/write/family_write.h"
#include "engine/write/temporary_names.h"
#include "install/install_run.h"
#include "install/install_texts.h"
#include "install/tests/constrained_folder.h"
#include "install/tests/install_fixture.h"
#include "platform/cp932.h"
#include "platform/exceptions.h"
#include "platform/system_texts.h"

namespace install::testing {
namespace {

struct CatalogueRow {
  const char* what;
  std::string contents;
  std::vector<std::vector<std::string>> rows;  // sub-items of each row read
  std::vector<std::string> source_dirs;
  std::string failure;  // the message; empty when the catalogue reads through
};

TEST(BadCatalogue, EachLineGivesItsRowsOrItsMessage) {
  const std::string big_name(1 << 20, 'n');
  const std::string list_error_1 = platform::Format(platform::texts::ListIndexFormat(), 1);
  const std::string list_error_2 = platform::Format(platform::texts::ListIndexFormat(), 2);
  const CatalogueRow rows[] = {
      {"a NUL byte ends the line", std::string("A\0B,C:\\x,s1\r\n", 13), {{"A"}}, {}, list_error_1},
      {"a NUL byte after the fields", std::string("A,C:\\x,s1\0junk\r\nB,C:\\y,s2\r\n", 27),
       {{"A", "C:\\x"}, {"B", "C:\\y"}}, {"s1", "s2"}, ""},
      {"a byte-order mark is part of the first name", "\xEF\xBB\xBF" "A,C:\\x,s1\r\n",
       {{"\xEF\xBB\xBF" "A", "C:\\x"}}, {"s1"}, ""},
      {"a lead byte takes the comma after it", "A\x81,C:\\x,s1\r\n", {{"A\x81,C:\\x", "s1"}}, {}, list_error_2},
      {"a lead byte at the end of a line", "A,C:\\x,s\x81\r\nB,C:\\y,t\r\n", {{"A", "C:\\x"}, {"B", "C:\\y"}},
       {"s\x81", "t"}, ""},
      {"a lead byte at the end of the file", "A,C:\\x,s\x81", {{"A", "C:\\x"}}, {"s\x81"}, ""},
      {"a line of 1 MiB", big_name + ",C:\\x,s1\r\n", {{big_name, "C:\\x"}}, {"s1"}, ""},
  };
  platform::testing::TempFolder temp;
  for (const CatalogueRow& row : rows) {
    SCOPED_TRACE(row.what);
    platform::WriteWholeFile(platform::OsFileSystem(), temp / "kelo.txt", row.contents);
    catalogue::InMemoryMasterList list;
    std::string failure;
    try {
      catalogue::LoadCatalogueFrom(platform::OsFileSystem(), temp / "kelo.txt", list, 4096);
    } catch (const platform::Exception& e) {
      failure = e.Message();
    }
    EXPECT_EQ(failure, row.failure);
    ASSERT_EQ(list.rows.size(), row.rows.size());
    for (std::size_t i = 0; i < row.rows.size(); ++i) EXPECT_EQ(list.rows[i].sub_items, row.rows[i]) << i;
    EXPECT_EQ(list.source_dirs, row.source_dirs);
  }
}

// A run over a destination that cannot take the master: the run fails or is refused
// with its message, the management table and the other folders stay as they were, and
// nothing of the engine's is left in the destination.
class BadDestination : public InstallFixture {
 protected:
  void SetUp() override {
    WriteMaster("m2", 2);
    WriteManagementTable(4);
    WriteUnitTable();
    management_before_ = Snapshot(ManagementFolder());
  }

  std::map<std::string, std::string> Snapshot(const std::string& folder) {
    std::map<std::string, std::string> files;
    for (const std::string& name : FilesIn(folder)) files[name] = platform::ReadWholeFile(os_fs_, folder + "\\" + name);
    return files;
  }

  // Runs the install of master m2 into `destination` through `fs`; answers the message of
  // the failure that propagated (empty: none).
  std::string RunInto(const std::string& destination, platform::FileSystem& fs) {
    window_.rows.clear();
    window_.source_dirs.clear();
    window_.AddRow("master", destination, "m2");
    engine::Engine engine(fs, alias_store_);
    EngineComponents components(engine);
    try {
      Button1Click(window_, components, fs);
    } catch (const platform::Exception& e) {
      return e.Message();
    }
    return {};
  }

  // The message of a failed file operation on one of the item table's files in
  // `destination`: the operating system's message, the file, and what to do.
  static void ExpectFileFailure(const std::string& message, const std::string& os_message,
                                const std::string& destination, const std::string& remedy) {
    const std::string start = engine::texts::Format(engine::texts::FileOperationFailedFormat(), os_message) + "\r\n" +
                              destination + "\\M8HINMEI.";
    EXPECT_EQ(message.rfind(start, 0), 0u) << message;
    EXPECT_EQ(message.substr(message.size() - std::min(message.size(), remedy.size() + 2)), "\r\n" + remedy) << message;
  }

  void ExpectNothingLost(const std::string& destination) {
    EXPECT_EQ(Snapshot(ManagementFolder()), management_before_);
    EXPECT_EQ(window_.close_requests, 0);
    EXPECT_EQ(window_.logs_alive, 0);
    EXPECT_FALSE(AliasDefined("KELO0"));
    EXPECT_FALSE(AliasDefined("KELO9"));
    for (const std::string& name : FilesIn(destination)) {
      EXPECT_FALSE(engine::IsTemporaryName(name)) << name;
      EXPECT_NE(name, "HINMEI.NET");
    }
  }

  std::map<std::string, std::string> management_before_;
};

TEST_F(BadDestination, AReadOnlyDiskDeniesTheFirstCopy) {
  os_fs_.ForceDirectories(Destination("ro"));
  ConstrainedFolder disk(os_fs_, Destination("ro"));
  disk.MakeReadOnly();
  ExpectFileFailure(RunInto(Destination("ro"), disk), platform::texts::AccessDenied(), Destination("ro"),
                    engine::texts::AllowWriting());
  EXPECT_TRUE(FilesIn(Destination("ro")).empty());
  ExpectNothingLost(Destination("ro"));
}

TEST_F(BadDestination, ADiskThatFillsUpDuringACopyLeavesNoPartialFile) {
  os_fs_.ForceDirectories(Destination("full"));
  ConstrainedFolder disk(os_fs_, Destination("full"));
  disk.LeaveFree(100);
  ExpectFileFailure(RunInto(Destination("full"), disk), platform::texts::DiskFull(), Destination("full"),
                    engine::texts::FreeDiskSpace());
  EXPECT_TRUE(FilesIn(Destination("full")).empty());
  ExpectNothingLost(Destination("full"));
}

// An item table without its memo file is one the application cannot open: when the memo
// file's copy fails, the item table's copy goes too.
TEST_F(BadDestination, ADiskThatFillsUpDuringTheMemoCopyLeavesNoItemTable) {
  os_fs_.ForceDirectories(Destination("full"));
  ConstrainedFolder disk(os_fs_, Destination("full"));
  disk.LeaveFree(platform::ReadWholeFile(os_fs_, Medium() + "\\m2\\M8HINMEI.DB").size() + 100);
  const std::string message = RunInto(Destination("full"), disk);
  ExpectFileFailure(message, platform::texts::DiskFull(), Destination("full"), engine::texts::FreeDiskSpace());
  EXPECT_NE(message.find(Destination("full") + "\\M8HINMEI.MB"), std::string::npos) << message;
  EXPECT_TRUE(FilesIn(Destination("full")).empty());
  ExpectNothingLost(Destination("full"));
}

TEST_F(BadDestination, ADiskThatFillsUpDuringAnIndexBuildLeavesTheTableAsCopied) {
  os_fs_.ForceDirectories(Destination("full"));
  ConstrainedFolder disk(os_fs_, Destination("full"));
  const std::string item = Medium() + "\\m2\\M8HINMEI.DB";
  std::uint64_t copies = platform::ReadWholeFile(os_fs_, item).size() +
                         platform::ReadWholeFile(os_fs_, Medium() + "\\m2\\M8HINMEI.MB").size();
  disk.LeaveFree(copies + 100);
  ExpectFileFailure(RunInto(Destination("full"), disk), platform::texts::DiskFull(), Destination("full"),
                    engine::texts::FreeDiskSpace());
  EXPECT_EQ(FilesIn(Destination("full")), (std::vector<std::string>{"M8HINMEI.DB", "M8HINMEI.MB"}));
  EXPECT_EQ(platform::ReadWholeFile(os_fs_, Destination("full") + "\\M8HINMEI.DB"), platform::ReadWholeFile(os_fs_, item));
  ExpectNothingLost(Destination("full"));
}

TEST_F(BadDestination, ADestinationThatIsAFileIsRefused) {
  os_fs_.ForceDirectories(temp_ / "dest");
  platform::WriteWholeFile(os_fs_, Destination("file"), "a user's file");
  EXPECT_EQ(RunInto(Destination("file"), fs_), "");
  ASSERT_EQ(window_.refusals.size(), 1u);
  EXPECT_EQ(window_.refusals[0].text, texts::InvalidFolderName() + Destination("file"));
  EXPECT_EQ(platform::ReadWholeFile(os_fs_, Destination("file")), "a user's file");
  ExpectNothingLost(temp_ / "dest");
}

// Windows opens no path of more than 259 characters; a destination whose files would
// pass that is refused before anything is created, counted in characters, not bytes,
// with the length it may have.
TEST_F(BadDestination, APathTooLongForWindowsIsRefusedBeforeItIsCreated) {
  const std::string parent = temp_ / platform::Utf8ToCp932("表");  // one character of two bytes
  os_fs_.ForceDirectories(parent);
  const std::size_t parent_characters = platform::Cp932ToUtf16(parent).size();
  // The longest destination that still holds its files, and one character more.
  const std::string fits = parent + "\\" + std::string(243 - parent_characters - 1, 'x');
  const std::string too_long = fits + "y";

  EXPECT_EQ(RunInto(too_long, fs_), "");
  ASSERT_EQ(window_.refusals.size(), 1u);
  EXPECT_EQ(window_.refusals[0].text,
            texts::DestinationTooLong() + too_long + "\r\n" + texts::Format(texts::LongestDestinationFormat(), 243));
  EXPECT_FALSE(os_fs_.DirectoryExists(too_long));
  ExpectNothingLost(parent);

  EXPECT_EQ(RunInto(fits, fs_), "");
  EXPECT_EQ(window_.refusals.size(), 1u);
  EXPECT_EQ(window_.close_requests, 1);
  ExpectFamilyOk(fits + "\\M8HINMEI.DB");
}

}  // namespace
}  // namespace install::testing
