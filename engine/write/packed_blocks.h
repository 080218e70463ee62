// Writing records into full data blocks chained in number order (1 → 2 → … → n), the
// way a rebuilt DB or X file holds them: every block full but the last.
#ifndef HINMEI_ENGINE_WRITE_PACKED_BLOCKS_H_
#define HINMEI_ENGINE_WRITE_PACKED_BLOCKS_H_

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "engine/format/layout.h"
#include "engine/write/block_sink.h"

namespace engine {

// Writes `n` records of `record_size` bytes into full blocks chained in number order, as
// the records become known, first to last.
class PackedBlocks {
 public:
  PackedBlocks(BlockSink& sink, std::size_t n, int record_size, int capacity)
      : sink_(sink), n_(n), record_size_(record_size), capacity_(static_cast<std::size_t>(capacity)),
        blocks_((n + capacity_ - 1) / capacity_) {}

  // Writes the blocks not yet written whose records are all among the first `known`,
  // the record of position i being at record_at(i).
  template <typename RecordAt>
  void WriteUpTo(std::size_t known, RecordAt record_at) {
    for (; written_ < blocks_; ++written_) {
      const std::size_t first = written_ * capacity_;
      const std::size_t count = std::min(capacity_, n_ - first);
      if (first + count > known) return;
      char* block = sink_.NextBlock(format::kBlockHeaderSize + count * static_cast<std::size_t>(record_size_));
      PutBlockHead(block, written_ + 1 == blocks_ ? 0 : static_cast<int>(written_) + 2, static_cast<int>(written_),
                   static_cast<int>(count), record_size_);
      char* out = block + format::kBlockHeaderSize;
      for (std::size_t i = 0; i < count; ++i, out += record_size_) {
        std::memcpy(out, record_at(first + i), static_cast<std::size_t>(record_size_));
      }
    }
  }

  int count() const { return static_cast<int>(blocks_); }
  bool complete() const { return written_ == blocks_; }

 private:
  BlockSink& sink_;
  const std::size_t n_;
  const int record_size_;
  const std::size_t capacity_;
  const std::size_t blocks_;
  std::size_t written_ = 0;  // blocks
};

// Writes `n` records of `record_size` bytes into full blocks; returns the block count.
template <typename RecordAt>
int WritePacked(BlockSink& sink, std::size_t n, int record_size, int capacity, RecordAt record_at) {
  PackedBlocks blocks(sink, n, record_size, capacity);
  blocks.WriteUpTo(n, record_at);
  return blocks.count();
}

}  // namespace engine

#endif  // HINMEI_ENGINE_WRITE_PACKED_BLOCKS_H_
