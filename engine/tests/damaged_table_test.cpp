// Tables whose chain runs out of block-number order, with free blocks, read in chain
// order; damaged or foreign files give an engine error naming the file, never a crash,
// a hang or a read outside the file (the sanitizers watch the native run).
#include <gtest/gtest.h>

#include "engine/check/family_check.h"
#include "engine/format/bytes.h"
#include "engine/format/layout.h"
#include "engine/operations/engine.h"
#include "engine/operations/table.h"
#include "engine/operations/table_operations.h"
#include "engine/tests/test_support.h"
#include "platform/exceptions.h"
#include "platform/testing/temp_folder.h"

namespace engine {
namespace {

using format::GetLe16;
using format::PutLe16;
namespace off = format::off;

class DamagedTable : public ::testing::Test {
 protected:
  // 80 rows of 34 bytes in 1 KiB blocks: 29, 29 and 22 rows.
  void SetUp() override {
    path_ = temp_ / "T.DB";
    TableCreator creator(platform::OsFileSystem(), path_, testing::SmallSpec(0));
    for (int i = 1; i <= 80; ++i) {
      creator.AddRow({FieldValue::Integer(i), FieldValue::Text(testing::Numbered("name", i)), FieldValue()});
    }
    creator.Finish();
    bytes_ = testing::ReadBytes(path_);
    ASSERT_EQ(bytes_.size(), static_cast<std::size_t>(testing::kSmallHeader + 3 * testing::kSmallBlock));
  }

  char* Block(std::string& bytes, int n) { return bytes.data() + testing::kSmallHeader + (n - 1) * testing::kSmallBlock; }

  // Loading the damaged bytes fails with an engine error that names the file.
  void ExpectCorrupt(const std::string& bytes, const char* why) {
    testing::WriteBytes(path_, bytes);
    try {
      testing::LoadMember(path_);
      ADD_FAILURE() << "no error for " << why;
    } catch (const platform::EDBEngineError& e) {
      EXPECT_NE(std::string(e.what()).find(path_), std::string::npos) << why << ": " << e.what();
    }
    EXPECT_FALSE(CheckFamily(platform::OsFileSystem(), path_).ok()) << why;
    EXPECT_THROW(BuildIndex(platform::OsFileSystem(), path_, "", "Code", ixPrimary), platform::EDBEngineError) << why;
  }

  platform::testing::TempFolder temp_;
  std::string path_;
  std::string bytes_;
};

TEST_F(DamagedTable, RowsComeInChainOrderWhateverTheBlockNumbers) {
  // Swap blocks 2 and 3 on disk and link them 1 -> 3 -> 2; add a free block 4.
  std::string b = bytes_;
  std::string second(Block(b, 2), testing::kSmallBlock), third(Block(b, 3), testing::kSmallBlock);
  std::copy(third.begin(), third.end(), Block(b, 2));
  std::copy(second.begin(), second.end(), Block(b, 3));
  PutLe16(Block(b, 1), 3);
  PutLe16(Block(b, 3), 2);
  PutLe16(Block(b, 3) + 2, 1);
  PutLe16(Block(b, 2), 0);
  PutLe16(Block(b, 2) + 2, 3);
  PutLe16(b.data() + off::kLastBlock, 2);
  b.append(testing::kSmallBlock, '\0');
  PutLe16(b.data() + off::kTotalBlocks, 4);
  PutLe16(b.data() + off::kMaxBlocks, 4);
  PutLe16(b.data() + off::kFirstFree, 4);
  testing::WriteBytes(path_, b);

  auto rows = testing::ReadRows(path_);
  ASSERT_EQ(rows.size(), 80u);
  for (int i = 0; i < 80; ++i) EXPECT_EQ(rows[static_cast<std::size_t>(i)][0], FieldValue::Integer(i + 1));
  Engine engine(platform::OsFileSystem(), temp_ / "aliases.ini");
  TTable t(engine);
  t.SetTableName(path_);
  t.Open();
  t.MoveLast();
  EXPECT_EQ(t.ReadField("Code"), FieldValue::Integer(80));
  t.Close();
  // A primary index over the chain as it is: the leaf entries follow the chain.
  BuildIndex(platform::OsFileSystem(), path_, "", "Code", ixPrimary);
  EXPECT_TRUE(CheckFamily(platform::OsFileSystem(), path_).ok());
  if (auto inspect = testing::Pxinspect(path_)) {
    EXPECT_TRUE(inspect->passed) << inspect->output;
  }
}

TEST_F(DamagedTable, DamageIsAnEngineErrorNamingTheFile) {
  std::string b = bytes_;
  PutLe16(Block(b, 3), 1);  // 3 -> 1: a loop
  ExpectCorrupt(b, "chain loop");
  b = bytes_;
  PutLe16(Block(b, 2), 9);
  ExpectCorrupt(b, "link outside the file");
  b = bytes_;
  PutLe16(Block(b, 2) + 2, 3);
  ExpectCorrupt(b, "wrong back link");
  b = bytes_;
  PutLe16(b.data() + off::kRecords, 81);
  ExpectCorrupt(b, "record count");
  b = bytes_;
  PutLe16(b.data() + off::kUsedBlocks, 2);
  ExpectCorrupt(b, "chained block count");
  b = bytes_;
  PutLe16(Block(b, 1) + 4, 35);
  ExpectCorrupt(b, "records of a block");
  b = bytes_;
  PutLe16(Block(b, 1) + 4, static_cast<std::uint16_t>(31 * 34));
  ExpectCorrupt(b, "more records than a block holds");
  ExpectCorrupt(bytes_.substr(0, testing::kSmallHeader + 2 * testing::kSmallBlock + 100), "file cut inside the last block's records");
  ExpectCorrupt(bytes_.substr(0, 0x300), "file cut inside the header");
  b = bytes_;
  PutLe16(b.data() + off::kFirstFree, 3);
  ExpectCorrupt(b, "free list through a chained block");
  b = bytes_;
  b[off::kBlockSizeCode] = 0;
  ExpectCorrupt(b, "block size");
  ExpectCorrupt(std::string(3000, '\x7F'), "foreign file");
  ExpectCorrupt(std::string(), "empty file");
}

TEST_F(DamagedTable, ADamagedIndexFileStopsAWriteBeforeAnythingIsWritten) {
  BuildIndex(platform::OsFileSystem(), path_, "ByName", "Name", ixCaseInsensitive);
  std::string x = temp_ / "T.XG0";
  std::string damaged = testing::ReadBytes(x).substr(0, 0x50);
  testing::WriteBytes(x, damaged);
  std::vector<std::string> before = testing::FilesIn(temp_.Path());
  std::string db = testing::ReadBytes(path_);
  EXPECT_THROW(BuildIndex(platform::OsFileSystem(), path_, "", "Code", ixPrimary), platform::EDBEngineError);
  EXPECT_EQ(testing::FilesIn(temp_.Path()), before);
  EXPECT_EQ(testing::ReadBytes(path_), db);
}

}  // namespace
}  // namespace engine
