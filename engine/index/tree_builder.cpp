#include "engine/index/tree_builder.h"

#include <algorithm>
#include <cstring>

#include "engine/format/bytes.h"

namespace engine {
namespace {

constexpr std::uint32_t kLargestCount = 0xFFFF;

// The record count of an entry is a 16-bit word; a subtree of more records keeps the
// largest value the word holds.
std::uint16_t CountWord(std::uint32_t count) {
  return static_cast<std::uint16_t>(std::min(count, kLargestCount) ^ 0x8000);
}

// Entries per block as the original engine packs a rebuilt tree.
std::size_t EntriesPerBlock(int key_size, int block_size) {
  return static_cast<std::size_t>(std::max(2, TreeCapacity(key_size, block_size) - 1));
}

// Block sizes of index files, in KiB.
constexpr int kBlockSizesKib[] = {1, 2, 4, 8, 16, 32};

}  // namespace

int TreeCapacity(int key_size, int block_size) {
  return (block_size - format::kBlockHeaderSize) / (key_size + format::kIndexEntryTail);
}

TreeBuilder::TreeBuilder(int key_size, bool root_first) : key_size_(key_size), root_first_(root_first), levels_(1) {}

void TreeBuilder::AddLeaf(const char* key, int child, std::uint32_t count) {
  Level& leaf = levels_[0];
  leaf.keys.insert(leaf.keys.end(), key, key + key_size_);
  leaf.children.push_back(child);
  leaf.counts.push_back(count);
}

void TreeBuilder::AddLeaves(const TreeBuilder& later) {
  Level& leaf = levels_[0];
  const Level& more = later.levels_[0];
  leaf.keys.insert(leaf.keys.end(), more.keys.begin(), more.keys.end());
  leaf.children.insert(leaf.children.end(), more.children.begin(), more.children.end());
  leaf.counts.insert(leaf.counts.end(), more.counts.begin(), more.counts.end());
}

bool TreeBuilder::CountsFit(int block_size) const {
  const std::size_t per = EntriesPerBlock(key_size_, block_size);
  std::vector<std::uint32_t> counts = levels_[0].counts;
  for (;;) {
    for (std::uint32_t c : counts) {
      if (c > kLargestCount) return false;
    }
    if (counts.size() <= per) return true;
    std::vector<std::uint32_t> above;
    for (std::size_t first = 0; first < counts.size(); first += per) {
      std::uint64_t sum = 0;
      for (std::size_t i = first; i < std::min(counts.size(), first + per); ++i) sum += counts[i];
      above.push_back(static_cast<std::uint32_t>(std::min<std::uint64_t>(sum, 0xFFFFFFFFu)));
    }
    counts.swap(above);
  }
}

int TreeBuilder::BlockSizeFor(int preferred, int largest) const {
  if (preferred >= largest || CountsFit(preferred)) return preferred;
  for (int kib : kBlockSizesKib) {
    int size = kib * 1024;
    if (size > preferred && size <= largest && CountsFit(size)) return size;
  }
  return largest;
}

void TreeBuilder::BuildLevels() {
  const std::size_t per = per_block_;
  while (levels_.back().size() > per) {
    const Level& below = levels_.back();
    Level above;
    for (std::size_t first = 0; first < below.size(); first += per) {
      std::size_t end = std::min(below.size(), first + per);
      const char* key = below.keys.data() + first * static_cast<std::size_t>(key_size_);
      above.keys.insert(above.keys.end(), key, key + key_size_);
      above.children.push_back(0);  // numbered later
      std::uint32_t sum = 0;
      for (std::size_t i = first; i < end; ++i) sum += below.counts[i];
      above.counts.push_back(sum);
    }
    levels_.push_back(std::move(above));
  }
  number_.assign(levels_.size(), {});
  for (std::size_t l = 0; l < levels_.size(); ++l) {
    number_[l].assign((levels_[l].size() + per - 1) / per, 0);
  }
}

void TreeBuilder::NumberRootFirst() {
  int next = 0;
  for (std::size_t l = levels_.size(); l-- > 0;) {
    for (int& n : number_[l]) {
      n = ++next;
      chain_.push_back(n);
    }
  }
}

void TreeBuilder::Allocate(std::size_t level, std::size_t index, std::vector<int>::iterator* before) {
  int n = ++allocated_;
  number_[level][index] = n;
  std::vector<int>::iterator at = before == nullptr ? chain_.end() : *before;
  at = chain_.insert(at, n);
  const std::size_t per = per_block_;
  if (level + 1 < levels_.size() && index > 0 && (index == 1 || index % per == 0)) {
    std::size_t parent = index / per;
    if (number_[level + 1][parent] == 0) Allocate(level + 1, parent, &at);
  }
}

void TreeBuilder::NumberAsGrown() {
  for (std::size_t b = 0; b < number_[0].size(); ++b) Allocate(0, b, nullptr);
}

void TreeBuilder::Write(BlockSink& sink, format::Header& header) {
  per_block_ = EntriesPerBlock(key_size_, header.block_size());
  header.SetU16(format::off::kIndexRoot, 1);
  if (levels_[0].size() == 0) {
    header.SetPackedBlocks(0, 0);
    header.SetU8(format::off::kIndexLevels, 0);
    return;
  }
  BuildLevels();
  if (root_first_) {
    NumberRootFirst();
  } else {
    NumberAsGrown();
  }
  const std::size_t blocks = chain_.size();
  std::vector<std::pair<std::size_t, std::size_t>> at_number(blocks + 1);
  for (std::size_t l = 0; l < levels_.size(); ++l) {
    for (std::size_t b = 0; b < number_[l].size(); ++b) at_number[static_cast<std::size_t>(number_[l][b])] = {l, b};
    if (l > 0) {
      for (std::size_t i = 0; i < levels_[l].size(); ++i) levels_[l].children[i] = number_[l - 1][i];
    }
  }
  std::vector<int> next(blocks + 1, 0), prev(blocks + 1, 0);
  for (std::size_t i = 0; i < blocks; ++i) {
    auto n = static_cast<std::size_t>(chain_[i]);
    prev[n] = i == 0 ? 0 : chain_[i - 1];
    next[n] = i + 1 == blocks ? 0 : chain_[i + 1];
  }
  const int entry_size = key_size_ + format::kIndexEntryTail;
  const std::size_t per = per_block_;
  std::uint32_t entries = 0;
  for (std::size_t n = 1; n <= blocks; ++n) {
    auto [l, b] = at_number[n];
    const Level& level = levels_[l];
    std::size_t first = b * per;
    std::size_t end = std::min(level.size(), first + per);
    char* block = sink.NextBlock(format::kBlockHeaderSize + (end - first) * static_cast<std::size_t>(entry_size));
    PutBlockHead(block, next[n], prev[n], static_cast<int>(end - first), entry_size);
    char* out = block + format::kBlockHeaderSize;
    for (std::size_t i = first; i < end; ++i, out += entry_size) {
      std::memcpy(out, level.keys.data() + i * static_cast<std::size_t>(key_size_), static_cast<std::size_t>(key_size_));
      format::PutBe16(out + key_size_, static_cast<std::uint16_t>(level.children[i] ^ 0x8000));
      format::PutBe16(out + key_size_ + 2, CountWord(level.counts[i]));
      format::PutBe16(out + key_size_ + 4, 0x8000);
    }
    entries += static_cast<std::uint32_t>(end - first);
  }
  header.SetPackedBlocks(static_cast<int>(blocks), entries);
  header.SetU16(format::off::kFirstBlock, static_cast<std::uint16_t>(chain_.front()));
  header.SetU16(format::off::kLastBlock, static_cast<std::uint16_t>(chain_.back()));
  header.SetU16(format::off::kIndexRoot, static_cast<std::uint16_t>(number_.back()[0]));
  header.SetU8(format::off::kIndexLevels, static_cast<std::uint8_t>(levels_.size()));
}

}  // namespace engine
