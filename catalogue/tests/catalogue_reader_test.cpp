#include "catalogue/catalogue_reader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "platform/cp932.h"
#include "platform/exceptions.h"
#include "platform/os_error.h"
#include "platform/system_texts.h"
#include "platform/testing/fault_injecting_file_system.h"
#include "platform/testing/sjis.h"
#include "platform/testing/temp_folder.h"

namespace catalogue {
namespace {

using Fields = std::vector<std::string>;

using platform::testing::Sjis;

// The table of consequences of the splitting rules, and the quoting rules.
TEST(SplitCatalogueLine, CommaTextRules) {
  EXPECT_EQ(SplitCatalogueLine("A B,C:\\x,s1"), (Fields{"A", "B", "C:\\x", "s1"}));
  EXPECT_EQ(SplitCatalogueLine("A , C:\\x , s1"), (Fields{"A", "C:\\x", "s1"}));
  EXPECT_EQ(SplitCatalogueLine("A,,s1"), (Fields{"A", "", "s1"}));
  EXPECT_EQ(SplitCatalogueLine("A,C:\\x,s1,"), (Fields{"A", "C:\\x", "s1", ""}));
  EXPECT_EQ(SplitCatalogueLine(",C:\\x,s1"), (Fields{"", "C:\\x", "s1"}));
  EXPECT_EQ(SplitCatalogueLine(""), Fields{});
  EXPECT_EQ(SplitCatalogueLine(" \t \x01"), Fields{});
  // A comma followed by blanks at the end adds no field: the comma is not the last byte.
  EXPECT_EQ(SplitCatalogueLine("A, "), Fields{"A"});
}

TEST(SplitCatalogueLine, QuotedFields) {
  EXPECT_EQ(SplitCatalogueLine("\"A,B\",C:\\x,s1"), (Fields{"A,B", "C:\\x", "s1"}));
  EXPECT_EQ(SplitCatalogueLine("\"A \"\"B\"\" C\",d,s"), (Fields{"A \"B\" C", "d", "s"}));
  EXPECT_EQ(SplitCatalogueLine("\"ab\"cd"), (Fields{"ab", "cd"}));
  EXPECT_EQ(SplitCatalogueLine("\"\",d"), (Fields{"", "d"}));
  // Without its closing quote a field runs to the end of the line, commas included.
  EXPECT_EQ(SplitCatalogueLine("\"name,C:\\x,s1"), Fields{"name,C:\\x,s1"});
}

TEST(SplitCatalogueLine, DoubleByteTextAndNul) {
  std::string ideographic_space_name = Sjis("品名　マスタ");  // 81 40 is no blank
  EXPECT_EQ(SplitCatalogueLine(ideographic_space_name + ",C:\\" + Sjis("表") + ",s"),
            (Fields{ideographic_space_name, "C:\\" + Sjis("表"), "s"}));
  EXPECT_EQ(SplitCatalogueLine(std::string("A,B\0,C", 6)), (Fields{"A", "B"}));
  EXPECT_EQ(SplitCatalogueLine(std::string("\0A,B", 4)), Fields{});
  // The ASCII space splits unquoted names; quoted they stay whole.
  EXPECT_EQ(SplitCatalogueLine("\"" + Sjis("建築 資材") + "\",d,s"), (Fields{Sjis("建築 資材"), "d", "s"}));
}

class LoadCatalogueTest : public ::testing::Test {
 protected:
  // Reads `contents` as a catalogue; answers the failure's message, empty when none.
  std::string Load(const std::string& contents, std::size_t chunk_size = 64 * 1024) {
    platform::WriteWholeFile(fs_, temp_ / "kelo.txt", contents);
    return Capture([&] { LoadCatalogueFrom(fs_, temp_ / "kelo.txt", list_, chunk_size); });
  }
  static std::string Capture(const std::function<void()>& action) {
    try {
      action();
    } catch (const platform::Exception& e) {
      return e.Message();
    }
    return {};
  }
  std::vector<std::string> Captions() const {
    std::vector<std::string> out;
    for (const auto& row : list_.rows) out.push_back(row.caption);
    return out;
  }
  static std::string ListIndex(int n) { return platform::Format(platform::texts::ListIndexFormat(), n); }

  platform::FileSystem& fs_ = platform::OsFileSystem();
  platform::testing::TempFolder temp_;
  InMemoryMasterList list_;
};

const char kThreeLines[] = "\"Master A\",C:\\kelo\\a,srcA\r\n\"Master B\",C:\\kelo\\b,srcB\r\nC,,srcC\r\n";

TEST_F(LoadCatalogueTest, ThreeGoodLinesGiveThreeRows) {
  EXPECT_EQ(Load(kThreeLines), "");
  EXPECT_EQ(Captions(), (Fields{"1", "2", "3"}));
  EXPECT_EQ(list_.source_dirs, (Fields{"srcA", "srcB", "srcC"}));
  MasterEntry b = list_.Entry(1);
  EXPECT_EQ(b.number, 2);
  EXPECT_EQ(b.name, "Master B");
  EXPECT_EQ(b.destination, "C:\\kelo\\b");
  EXPECT_EQ(b.source_subfolder, "srcB");
  EXPECT_FALSE(b.ticked);
  EXPECT_EQ(list_.Entry(2).destination, "");
}

TEST_F(LoadCatalogueTest, EmptyLastLineIsARowWithoutFields) {
  EXPECT_EQ(Load(std::string(kThreeLines) + "\r\n"), ListIndex(0));
  EXPECT_EQ(Captions(), (Fields{"1", "2", "3", "4"}));
  EXPECT_TRUE(list_.rows[3].sub_items.empty());
  EXPECT_EQ(list_.source_dirs.size(), 3u);
  EXPECT_THROW(list_.Entry(3), platform::EListError);
}

TEST_F(LoadCatalogueTest, ShortLineStopsTheReading) {
  EXPECT_EQ(Load("A,C:\\a,s1\r\nB,C:\\b\r\nC,C:\\c,s3\r\nD,C:\\d,s4\r\nE,C:\\e,s5\r\n"), ListIndex(2));
  ASSERT_EQ(Captions(), (Fields{"1", "2"}));
  EXPECT_EQ(list_.rows[1].sub_items, (Fields{"B", "C:\\b"}));
  EXPECT_EQ(list_.source_dirs, Fields{"s1"});

  list_ = {};
  EXPECT_EQ(Load("onlyname\r\n"), ListIndex(1));
  EXPECT_EQ(list_.rows[0].sub_items, Fields{"onlyname"});
}

TEST_F(LoadCatalogueTest, UnclosedQuoteTakesTheRestOfTheLineAsName) {
  EXPECT_EQ(Load("\"name,C:\\x,s1\r\nB,C:\\b,s2\r\n"), ListIndex(1));
  ASSERT_EQ(list_.rows.size(), 1u);
  EXPECT_EQ(list_.rows[0].sub_items, Fields{"name,C:\\x,s1"});
}

TEST_F(LoadCatalogueTest, LineEndsAndEndOfFileMarkers) {
  // LF alone reads like CR LF; the last line needs no line end.
  EXPECT_EQ(Load("A,d,s1\nB,d,s2"), "");
  EXPECT_EQ(list_.source_dirs, (Fields{"s1", "s2"}));
  // A lone CR is dropped from the line without ending it.
  list_ = {};
  EXPECT_EQ(Load("A\rB,d,s1\r\n"), "");
  EXPECT_EQ(list_.rows[0].sub_items[0], "AB");
  // A Ctrl-Z right after the last line end adds no row; nothing after it is read.
  list_ = {};
  EXPECT_EQ(Load("A,d,s1\r\n\x1A" "B,d,s2\r\n"), "");
  EXPECT_EQ(list_.rows.size(), 1u);
  // A Ctrl-Z inside a line ends that line and the file.
  list_ = {};
  EXPECT_EQ(Load("A,d,s1\x1Ajunk\r\nB,d,s2\r\n"), "");
  EXPECT_EQ(list_.source_dirs, Fields{"s1"});
}

TEST_F(LoadCatalogueTest, EmptyFileGivesAnEmptyList) {
  EXPECT_EQ(Load(""), "");
  EXPECT_TRUE(list_.rows.empty());
}

TEST_F(LoadCatalogueTest, ByteOrderMarkBelongsToTheFirstName) {
  EXPECT_EQ(Load("\xEF\xBB\xBF" "A,d,s1\r\n"), "");
  EXPECT_EQ(list_.rows[0].sub_items[0], "\xEF\xBB\xBF" "A");
}

TEST_F(LoadCatalogueTest, LongLinesAcrossManyChunks) {
  std::string name(1 << 20, 'x');
  EXPECT_EQ(Load(name + "," + Sjis("表") + ",s1\r\nB,d,s2\r\n", 4096), "");
  ASSERT_EQ(list_.rows.size(), 2u);
  EXPECT_EQ(list_.rows[0].sub_items[0], name);
  EXPECT_EQ(list_.rows[0].sub_items[1], Sjis("表"));
  // A CR LF split across two chunks is still one line end.
  list_ = {};
  EXPECT_EQ(Load("A,d,s1\r\nB,d,s2\r\n", 7), "");
  EXPECT_EQ(list_.source_dirs, (Fields{"s1", "s2"}));
}

TEST_F(LoadCatalogueTest, MissingCatalogueIsAFileFailureWithNoRow) {
  std::string message = Capture([&] { LoadCatalogueFrom(fs_, temp_ / "kelo.txt", list_); });
  EXPECT_EQ(message, platform::texts::FileNotFound());
  EXPECT_TRUE(list_.rows.empty());
}

TEST_F(LoadCatalogueTest, ReadFailureKeepsTheRowsReadSoFar) {
  platform::WriteWholeFile(fs_, temp_ / "kelo.txt", "A,d,s1\r\nB,d,s2\r\nC,d,s3\r\n");
  platform::testing::FaultInjectingFileSystem faulty(fs_);
  // Operation 1 opens, 2 reads the first 8 bytes (line A), 3 reads the next chunk.
  faulty.FailAt(3, platform::kErrorAccessDenied);
  std::string message = Capture([&] { LoadCatalogueFrom(faulty, temp_ / "kelo.txt", list_, 8); });
  EXPECT_EQ(message, platform::texts::AccessDenied());
  EXPECT_EQ(list_.source_dirs, Fields{"s1"});
}

TEST_F(LoadCatalogueTest, KindChoosesTheFileInTheWorkingFolder) {
  platform::WriteWholeFile(fs_, temp_ / "kelo.txt", "K,d,kelo\r\n");
  platform::WriteWholeFile(fs_, temp_ / "zubo.txt", "Z,d,zubo\r\n");
  auto previous = std::filesystem::current_path();
  std::string native = temp_.Path();
#ifndef _WIN32
  for (char& c : native) {
    if (c == '\\') c = '/';
  }
#endif
  std::filesystem::current_path(native);
  LoadCatalogue(fs_, 1, list_);
  LoadCatalogue(fs_, 7, list_);
  std::filesystem::current_path(previous);
  // The source subfolders are emptied at each call; the rows are appended.
  EXPECT_EQ(list_.source_dirs, Fields{"zubo"});
  ASSERT_EQ(list_.rows.size(), 2u);
  EXPECT_EQ(list_.rows[0].sub_items[0], "K");
  EXPECT_EQ(list_.rows[1].caption, "1");
}

}  // namespace
}  // namespace catalogue
