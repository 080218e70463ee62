#include "engine/write/block_sink.h"

#include <algorithm>
#include <cstring>

#include "engine/errors.h"
#include "engine/format/bytes.h"

namespace engine {
namespace {

constexpr std::size_t kBufferBytes = 1 << 20;

}  // namespace

BlockSink::BlockSink(platform::File& out, std::string path, int header_size, int block_size)
    : out_(out), path_(std::move(path)), header_size_(header_size), block_size_(block_size),
      buffer_(std::max<std::size_t>(1, kBufferBytes / static_cast<std::size_t>(block_size)) *
              static_cast<std::size_t>(block_size)) {}

char* BlockSink::NextBlock(std::size_t filled) {
  if (used_ == buffer_.size()) Flush();
  char* block = buffer_.data() + used_;
  filled = std::min(filled, static_cast<std::size_t>(block_size_));
  std::memset(block + filled, 0, static_cast<std::size_t>(block_size_) - filled);
  used_ += static_cast<std::size_t>(block_size_);
  ++blocks_;
  return block;
}

void BlockSink::Flush() {
  if (used_ == 0) return;
  TranslateFileErrors(path_, [&] {
    out_.WriteAt(static_cast<std::uint64_t>(header_size_) + written_, buffer_.data(), used_);
  });
  written_ += used_;
  used_ = 0;
}

void BlockSink::Finish(const std::string& header) {
  Flush();
  TranslateFileErrors(path_, [&] {
    out_.WriteAt(0, header.data(), header.size());
    out_.Truncate(static_cast<std::uint64_t>(header_size_) + written_);
    // The file is complete: the disk takes it while the change writes the others, and
    // the flush before its rename finds little left to wait for.
    out_.BeginFlush();
  });
}

void PutBlockHead(char* block, int next, int prev, int records, int record_size) {
  format::PutLe16(block, static_cast<std::uint16_t>(next));
  format::PutLe16(block + 2, static_cast<std::uint16_t>(prev));
  format::PutLe16(block + 4, static_cast<std::uint16_t>(static_cast<std::int16_t>((records - 1) * record_size)));
}

}  // namespace engine
