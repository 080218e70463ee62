// Builds the B-tree of a .PX or .Y file over the blocks of its DB or X file.
//
// Each leaf entry stands for one block below: its first key, its number and its record
// count. Entries are packed capacity - 1 to a block, as the original engine leaves a
// rebuilt index; while a level needs more than one block, the next level holds one entry
// per block of it (first key, block number, the sum of the counts). The single block of
// the top level is the root. Every index block is linked into one chain.
//
// An entry's count is a 16-bit word. Where a subtree holds more records than the word
// holds, no one knows what the original engine makes of the entry, so the block size is
// chosen to avoid it: larger blocks make a flatter tree whose root has more entries,
// each over fewer records (BlockSizeFor).
//
// Version 7 files number the blocks from the root down, level by level, and chain them in
// that order. Older files number them as a growing tree allocates them: a level that
// gets its second block gets its parent block at once, and a parent block goes into the
// chain just before the child it was made for.
#ifndef HINMEI_ENGINE_INDEX_TREE_BUILDER_H_
#define HINMEI_ENGINE_INDEX_TREE_BUILDER_H_

#include <cstdint>
#include <string>
#include <vector>

#include "engine/format/header.h"
#include "engine/write/block_sink.h"

namespace engine {

// Entries per block of a tree with keys of `key_size` bytes.
int TreeCapacity(int key_size, int block_size);

class TreeBuilder {
 public:
  TreeBuilder(int key_size, bool root_first);

  void AddLeaf(const char* key, int child, std::uint32_t count);
  // Adds the leaf entries of `later`, a builder over keys of the same size, after these.
  void AddLeaves(const TreeBuilder& later);
  std::size_t leaves() const { return levels_[0].size(); }

  // Whether, in blocks of `block_size` bytes, every entry's count fits its word.
  bool CountsFit(int block_size) const;
  // The block size for the tree: `preferred` when the counts fit in it (or when it is
  // `largest` or more), else the smallest of the usual sizes above it, up to `largest`,
  // that they fit in; `largest` when none does (a count that does not fit then keeps
  // the largest value of the word).
  int BlockSizeFor(int preferred, int largest) const;

  // Writes the tree's blocks, in blocks of the header's block size, and sets its
  // counters, root and levels in `header`.
  void Write(BlockSink& sink, format::Header& header);

 private:
  struct Level {
    std::vector<char> keys;
    std::vector<int> children;
    std::vector<std::uint32_t> counts;
    std::size_t size() const { return children.size(); }
  };

  void BuildLevels();
  void NumberRootFirst();
  void NumberAsGrown();
  void Allocate(std::size_t level, std::size_t index, std::vector<int>::iterator* before);

  int key_size_;
  bool root_first_;
  std::size_t per_block_ = 0;             // entries per block, set by Write
  std::vector<Level> levels_;             // levels_[0] holds the leaf entries
  std::vector<std::vector<int>> number_;  // number_[l][b]: block number of block b of level l
  std::vector<int> chain_;                // block numbers in chain order
  int allocated_ = 0;
};

}  // namespace engine

#endif  // HINMEI_ENGINE_INDEX_TREE_BUILDER_H_
