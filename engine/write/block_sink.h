// Writes a member file front to back: the header, then its blocks in number order,
// through one large buffer so that the disk sees few, large writes. The buffer is never
// zeroed as a whole: a small file touches only the memory of the blocks it writes.
#ifndef HINMEI_ENGINE_WRITE_BLOCK_SINK_H_
#define HINMEI_ENGINE_WRITE_BLOCK_SINK_H_

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/big_buffer.h"
#include "platform/file_system.h"

namespace engine {

class BlockSink {
 public:
  BlockSink(platform::File& out, std::string path, int header_size, int block_size);

  // A buffer for the next block, numbered from 1, valid until the next call. The caller
  // writes its first `filled` bytes; the rest are zero.
  char* NextBlock(std::size_t filled);
  int blocks() const { return blocks_; }
  // Writes the blocks still buffered, then `header` at the start, cuts the file after
  // the last block, and begins its flush (File::BeginFlush).
  void Finish(const std::string& header);

 private:
  void Flush();

  platform::File& out_;
  std::string path_;
  int header_size_;
  int block_size_;
  int blocks_ = 0;
  std::uint64_t written_ = 0;  // bytes of blocks on disk
  platform::BigBuffer buffer_;  // not zeroed: NextBlock zeroes what its caller leaves
  std::size_t used_ = 0;
};

// Writes the six-byte block header.
void PutBlockHead(char* block, int next, int prev, int records, int record_size);

}  // namespace engine

#endif  // HINMEI_ENGINE_WRITE_BLOCK_SINK_H_
