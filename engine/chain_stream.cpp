#include "engine/chain_stream.h"

#include <algorithm>

#include "engine/errors.h"

namespace engine {
namespace {

constexpr std::size_t kWindowBytes = 256 << 10;

}  // namespace

ChainStream::ChainStream(platform::File& file, const format::Header& header, std::string path)
    : file_(file), header_(header), path_(std::move(path)) {
  const auto block_size = static_cast<std::uint64_t>(header.block_size());
  const std::uint64_t size = TranslateFileErrors(path_, [&] { return file_.Size(); });
  const std::uint64_t after_header = size - static_cast<std::uint64_t>(header.header_size());
  const std::uint64_t blocks_present = (after_header + block_size - 1) / block_size;
  if (static_cast<std::uint64_t>(header.total_blocks()) > blocks_present) {
    ThrowCorrupt("the header counts " + std::to_string(header.total_blocks()) + " blocks but the file holds " +
                     std::to_string(blocks_present),
                 path_);
  }
  present_ = std::min(static_cast<std::uint64_t>(header.total_blocks()) * block_size, after_header);
  const auto largest = static_cast<int>(std::max<std::size_t>(1, kWindowBytes / static_cast<std::size_t>(block_size)));
  window_.resize(static_cast<std::size_t>(std::min(largest, std::max(1, header.total_blocks()))) *
                 static_cast<std::size_t>(block_size));
  next_blocks_ = static_cast<int>(window_.size() / static_cast<std::size_t>(block_size));
}

const char* ChainStream::Fetch(int number) {
  const auto block_size = static_cast<std::size_t>(header_.block_size());
  if (window_first_ > 0 && number >= window_first_ && number < window_first_ + window_blocks_) {
    return window_.data() + static_cast<std::size_t>(number - window_first_) * block_size;
  }
  // A chain that goes on where the window ended reads ever larger windows; one that
  // jumps reads just its block and starts growing again from there.
  const int largest = static_cast<int>(window_.size() / block_size);
  next_blocks_ = window_first_ > 0 && number == window_first_ + window_blocks_ ? std::min(largest, next_blocks_ * 2)
                 : window_first_ > 0                                            ? 1
                                                                                : next_blocks_;
  const std::uint64_t offset = static_cast<std::uint64_t>(number - 1) * block_size;
  const auto length = static_cast<std::size_t>(
      std::min<std::uint64_t>(static_cast<std::uint64_t>(next_blocks_) * block_size, present_ - offset));
  std::size_t got = TranslateFileErrors(path_, [&] {
    return file_.ReadAt(static_cast<std::uint64_t>(header_.header_size()) + offset, window_.data(), length);
  });
  if (got != length) ThrowCorrupt("the blocks could not be read whole", path_);
  window_first_ = number;
  window_blocks_ = next_blocks_;
  return window_.data();
}

void ChainStream::ForEachBlock(const ChainWalk::Visit& visit) {
  ChainWalk walk(header_, present_, path_);
  auto fetch = [&](int number) { return Fetch(number); };
  walk.Walk(fetch, visit);
  walk.CheckFreeList(fetch);
}

}  // namespace engine
