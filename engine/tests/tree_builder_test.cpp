// The index tree builder against trees the original engine wrote: a level 7 tree with
// its root first (tblZCode) and the older layout grown block by block (ZIPCODES).
#include <gtest/gtest.h>

#include <string>

#include "engine/format/bytes.h"
#include "engine/index/tree_builder.h"
#include "engine/tests/test_support.h"
#include "engine/write/block_sink.h"
#include "platform/testing/shared_data.h"
#include "platform/testing/temp_folder.h"

namespace engine {
namespace {

TreeBuilder NewTree(const format::Header& h) {
  return TreeBuilder(h.key_size(), h.version() >= format::kVersion7);
}

// Writes the tree into `out` under a copy of `header` and reads it back.
MemberFile Written(TreeBuilder& tree, format::Header header, const std::string& out) {
  auto file = platform::OsFileSystem().Open(out, platform::Access::kReadWrite, platform::Share::kExclusive,
                                            platform::Disposition::kCreateAlways);
  BlockSink sink(*file, out, header.header_size(), header.block_size());
  tree.Write(sink, header);
  sink.Finish(header.bytes());
  file->Close();
  return testing::LoadMember(out);
}

// Builds a tree over the non-empty blocks of `data` into `out`, with `model`'s header.
MemberFile Rebuild(const MemberFile& data, const MemberFile& model, const std::string& out) {
  TreeBuilder tree = NewTree(model.header());
  for (const ChainBlock& b : data.chain()) {
    if (b.count > 0) tree.AddLeaf(data.record(b.first_record), b.number, static_cast<std::uint32_t>(b.count));
  }
  return Written(tree, model.header(), out);
}

void ExpectSameBlocks(const MemberFile& ours, const MemberFile& theirs) {
  EXPECT_EQ(ours.header().bytes(), theirs.header().bytes());
  ASSERT_EQ(ours.header().total_blocks(), theirs.header().total_blocks());
  for (int b = 1; b <= ours.header().total_blocks(); ++b) {
    auto used = static_cast<std::size_t>(format::kBlockHeaderSize + ours.records_in_block(b) * ours.header().record_size());
    EXPECT_EQ(std::string(ours.block(b), used), std::string(theirs.block(b), used)) << "block " << b;
  }
}

TEST(TreeBuilder, RebuildsTheOriginalEnginesSecondaryTrees) {
  HINMEI_FIXTURE_DIR_OR_SKIP(geog, "geog\\");
  platform::testing::TempFolder temp;
  for (const char* n : {"0", "1"}) {
    SCOPED_TRACE(n);
    MemberFile x = testing::LoadMember(geog + "tblZCode.XG" + n);
    MemberFile y = testing::LoadMember(geog + "tblZCode.YG" + n);
    ExpectSameBlocks(Rebuild(x, y, temp / "t.YG"), y);
  }
}

TEST(TreeBuilder, BuildsEveryLevelAboveTheLeaves) {
  HINMEI_FIXTURE_DIR_OR_SKIP(root, "");
  platform::testing::TempFolder temp;
  // A PX's leaf entries, taken from the PX itself, give its upper levels back: root
  // first at level 7, grown at level 4.
  for (const char* px : {"geog\\tblZCode.PX", "areas\\ZIPCODES.PX"}) {
    SCOPED_TRACE(px);
    MemberFile original = testing::LoadMember(root + px);
    const format::Header& h = original.header();
    TreeBuilder tree = NewTree(h);
    int leaf_level_blocks = 0;
    for (const ChainBlock& b : original.chain()) {
      // The leaves are the blocks the root does not point at.
      bool is_root = b.number == h.index_root();
      if (is_root) continue;
      ++leaf_level_blocks;
      for (int i = 0; i < b.count; ++i) {
        const char* e = original.record(b.first_record + static_cast<std::size_t>(i));
        int child = format::GetBe16(e + h.key_size()) ^ 0x8000;
        std::uint32_t count = format::GetBe16(e + h.key_size() + 2) ^ 0x8000u;
        tree.AddLeaf(e, child, count);
      }
    }
    EXPECT_EQ(leaf_level_blocks, h.total_blocks() - 1);
    ExpectSameBlocks(Written(tree, h, temp / "t.PX"), original);
  }
}

// Leaves of `count` records each, keys of 10 bytes: 2 KiB blocks take 126 entries, 4 KiB
// ones 254, 8 KiB ones 510.
TreeBuilder Leaves(int leaves, std::uint32_t count) {
  TreeBuilder tree(10, true);
  char key[10] = {};
  for (int i = 0; i < leaves; ++i) tree.AddLeaf(key, i + 1, count);
  return tree;
}

TEST(TreeBuilder, ChoosesBlocksLargeEnoughForEveryCount) {
  // 300 leaves of 600 records: in 2 and 4 KiB blocks an upper entry covers 126 or 254
  // leaves (75600 or 152400 records, more than the count word holds); in 8 KiB blocks
  // the root takes all 300 leaves.
  TreeBuilder deep = Leaves(300, 600);
  EXPECT_FALSE(deep.CountsFit(2048));
  EXPECT_FALSE(deep.CountsFit(4096));
  EXPECT_TRUE(deep.CountsFit(8192));
  EXPECT_EQ(deep.BlockSizeFor(2048, 32768), 8192);
  EXPECT_EQ(deep.BlockSizeFor(2048, 4096), 4096) << "a level 4/5 tree keeps at most 4 KiB blocks";
  // A size that fits is kept, also a larger one than needed (an existing file's).
  TreeBuilder small = Leaves(300, 200);
  EXPECT_TRUE(small.CountsFit(2048));
  EXPECT_EQ(small.BlockSizeFor(2048, 32768), 2048);
  EXPECT_EQ(small.BlockSizeFor(16384, 32768), 16384);
}

}  // namespace
}  // namespace engine
