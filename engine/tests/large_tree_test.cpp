// Index trees over more records than an entry's 16-bit count holds in 2 KiB blocks: the
// PX and the Y get blocks large enough that every count fits, a new tree and a rebuilt
// one alike, and the family stays sound for our check and for pxinspect.
#include <gtest/gtest.h>

#include "engine/check/family_check.h"
#include "engine/format/layout.h"
#include "engine/operations/table_operations.h"
#include "engine/tests/test_support.h"
#include "engine/write/table_creator.h"
#include "platform/testing/temp_folder.h"

namespace engine {
namespace {

// Rows of 24 bytes in 32 KiB blocks: 1365 to a block. With 2 KiB index blocks a PX
// entry above the leaves would stand for 77 blocks (105105 rows), a Y entry for 67 X
// blocks of 1260 entries (84420); 107000 rows need 79 DB blocks and 85 X blocks, so
// both trees need a second level there, and its counts would not fit.
constexpr int kRows = 107000;

TableSpec WideBlocks() {
  TableSpec shape;
  shape.fields = {{"Code", 'A', 20}, {"Tag", 'A', 4}};
  shape.key_fields = 1;
  shape.block_size_kib = 32;
  return shape;
}

void WriteTable(const std::string& path, int rows) {
  TableCreator creator(platform::OsFileSystem(), path, WideBlocks());
  for (int i = 0; i < rows; ++i) {
    creator.AddRow({FieldValue::Text(testing::Numbered("C", 10000000 + i)),
                    FieldValue::Text(testing::Numbered(i % 3 ? "T" : "t", i % 997))});
  }
  creator.Finish();
}

int BlockSize(const std::string& path) { return testing::LoadMember(path).header().block_size(); }

TEST(LargeTree, TreesOverManyRecordsGetBlocksTheirCountsFit) {
  platform::testing::TempFolder temp;
  const std::string path = temp / "T.DB";
  WriteTable(path, kRows);
  BuildIndex(platform::OsFileSystem(), path, "ByTag", "Tag", ixCaseInsensitive);
  EXPECT_EQ(BlockSize(temp / "T.PX"), 4096);
  EXPECT_EQ(BlockSize(temp / "T.YG0"), 4096);
  EXPECT_EQ(testing::LoadMember(temp / "T.PX").header().index_levels(), 1) << "one root over every DB block";
  testing::ExpectSoundFamily(path);

  // A PX written when the table was small keeps its 2 KiB blocks while they do; over
  // the large table it gets larger ones.
  const std::string small = temp / "S.DB";
  WriteTable(small, 100);
  EXPECT_EQ(BlockSize(temp / "S.PX"), 2048);
  BuildIndex(platform::OsFileSystem(), small, "", "Code", ixPrimary);
  EXPECT_EQ(BlockSize(temp / "S.PX"), 2048);
  testing::CopyFile(path, small);
  BuildIndex(platform::OsFileSystem(), small, "", "Code", ixPrimary);
  EXPECT_EQ(BlockSize(temp / "S.PX"), 4096);
  testing::ExpectSoundFamily(small);
}

}  // namespace
}  // namespace engine
