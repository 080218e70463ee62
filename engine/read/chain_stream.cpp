#include "engine/read/chain_stream.h"

#include <algorithm>

#include "engine/errors.h"

namespace engine {
namespace {

// Windows are small enough to stay in the cache until their blocks are visited.
constexpr std::size_t kWindowBytes = 256 << 10;

}  // namespace

ChainStream::ChainStream(platform::File& file, const format::Header& header, std::string path)
    : file_(file), header_(header), path_(std::move(path)) {
  const auto block_size = static_cast<std::uint64_t>(header.block_size());
  const std::uint64_t size = TranslateFileErrors(path_, [&] { return file_.Size(); });
  const BlocksInFile in_file = BlocksOfFile(header, size);
  if (static_cast<std::uint64_t>(header.total_blocks()) > in_file.blocks) {
    ThrowCorrupt(texts::Format(texts::BlocksMissingFormat(),
                               {std::to_string(header.total_blocks()), std::to_string(in_file.blocks)}),
                 path_);
  }
  present_ = in_file.present;
  largest_ = std::min(std::max(1, static_cast<int>(kWindowBytes / block_size)), std::max(1, header.total_blocks()));
  window_.resize(static_cast<std::size_t>(largest_) * block_size);
}

void ChainStream::Read(int first, int blocks) {
  const auto block_size = static_cast<std::uint64_t>(header_.block_size());
  const std::uint64_t offset = static_cast<std::uint64_t>(first - 1) * block_size;
  const auto length =
      static_cast<std::size_t>(std::min<std::uint64_t>(static_cast<std::uint64_t>(blocks) * block_size, present_ - offset));
  std::size_t got = TranslateFileErrors(path_, [&] {
    return file_.ReadAt(static_cast<std::uint64_t>(header_.header_size()) + offset, window_.data(), length);
  });
  if (got != length) ThrowCorrupt(texts::BlocksNotReadWhole(), path_);
  first_ = first;
  blocks_ = blocks;
}

const char* ChainStream::Fetch(int number) {
  const auto block_size = static_cast<std::size_t>(header_.block_size());
  if (first_ > 0 && number >= first_ && number < first_ + blocks_) {
    return window_.data() + static_cast<std::size_t>(number - first_) * block_size;
  }
  // A chain that goes on where the window ended reads ever larger windows; one that
  // jumps reads just its block and starts growing again from there.
  const bool goes_on = first_ > 0 && number == first_ + blocks_;
  Read(number, goes_on ? std::min(largest_, blocks_ * 2) : first_ > 0 ? 1 : largest_);
  return window_.data();
}

void ChainStream::ForEachBlock(const ChainWalk::Visit& visit) {
  ChainWalk walk(header_, present_, path_);
  auto fetch = [&](int number) { return Fetch(number); };
  walk.Walk(fetch, visit);
  walk.CheckFreeList(fetch);
}

}  // namespace engine
