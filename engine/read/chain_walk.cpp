#include "engine/read/chain_walk.h"

#include <algorithm>

#include "engine/errors.h"
#include "engine/format/bytes.h"

namespace engine {
namespace {

int NextOf(const char* block) { return format::GetLe16(block); }
int PrevOf(const char* block) { return format::GetLe16(block + 2); }

}  // namespace

int RecordsOfBlockHead(const char* block, int record_size) {
  int ads = format::GetLeS16(block + 4);
  if (ads < -record_size || (ads + record_size) % record_size != 0) return -1;
  return ads == -record_size ? 0 : ads / record_size + 1;
}

BlocksInFile BlocksOfFile(const format::Header& header, std::uint64_t file_size) {
  const auto header_size = static_cast<std::uint64_t>(header.header_size());
  const auto block_size = static_cast<std::uint64_t>(header.block_size());
  const std::uint64_t after_header = file_size > header_size ? file_size - header_size : 0;
  const std::uint64_t counted = static_cast<std::uint64_t>(header.total_blocks()) * block_size;
  return BlocksInFile{std::min(counted, after_header), (after_header + block_size - 1) / block_size};
}

bool BlockLiesInFile(const format::Header& header, std::uint64_t present, int number, int records) {
  const std::uint64_t end = static_cast<std::uint64_t>(number - 1) * static_cast<std::uint64_t>(header.block_size()) +
                            format::kBlockHeaderSize +
                            static_cast<std::uint64_t>(records) * static_cast<std::uint64_t>(header.record_size());
  return end <= present;
}

ChainWalk::ChainWalk(const format::Header& header, std::uint64_t present, std::string path)
    : header_(header), present_(present), path_(std::move(path)),
      seen_(static_cast<std::size_t>(header.total_blocks()) + 1, false) {}

void ChainWalk::Corrupt(const std::string& detail) const { ThrowCorrupt(detail, path_); }

void ChainWalk::RequirePresent(int number, int records) const {
  if (!BlockLiesInFile(header_, present_, number, records)) Corrupt(texts::Format(texts::BlockPastEndFormat(), number));
}

void ChainWalk::Walk(const Fetch& fetch, const Visit& visit) {
  const format::Header& h = header_;
  const int total = h.total_blocks();
  const int capacity = h.records_per_block();
  int number = h.first_block();
  int prev = 0;
  int blocks = 0;
  std::uint64_t records = 0;
  if (number == 0 && (h.used_blocks() != 0 || h.records() != 0)) {
    Corrupt(texts::RecordsWithoutFirstBlock());
  }
  while (number != 0) {
    if (number < 1 || number > total) {
      Corrupt(texts::Format(texts::ChainLeavesFileFormat(), number));
    }
    if (seen_[static_cast<std::size_t>(number)]) Corrupt(texts::Format(texts::ChainLoopsFormat(), number));
    seen_[static_cast<std::size_t>(number)] = true;
    RequirePresent(number, 0);
    const char* block = fetch(number);
    if (PrevOf(block) != prev) {
      Corrupt(texts::Format(texts::WrongBackLinkFormat(),
                            {std::to_string(number), std::to_string(prev), std::to_string(PrevOf(block))}));
    }
    int count = RecordsOfBlockHead(block, h.record_size());
    if (count < 0 || count > capacity) Corrupt(texts::Format(texts::ImpossibleRecordCountFormat(), number));
    RequirePresent(number, count);
    visit(number, count, block);
    ++blocks;
    records += static_cast<std::uint64_t>(count);
    prev = number;
    number = NextOf(block);
  }
  if (blocks != h.used_blocks()) {
    Corrupt(texts::Format(texts::ChainedBlockCountFormat(), {std::to_string(blocks), std::to_string(h.used_blocks())}));
  }
  if (prev != h.last_block()) Corrupt(texts::WrongLastBlock());
  if (records != h.records()) {
    Corrupt(texts::Format(texts::RecordCountMismatchFormat(), {std::to_string(records), std::to_string(h.records())}));
  }
}

void ChainWalk::CheckFreeList(const Fetch& fetch) {
  int number = header_.first_free_block();
  while (number != 0) {
    if (number < 1 || number > header_.total_blocks() || seen_[static_cast<std::size_t>(number)]) {
      Corrupt(texts::Format(texts::FreeListBrokenFormat(), number));
    }
    seen_[static_cast<std::size_t>(number)] = true;
    RequirePresent(number, 0);
    number = NextOf(fetch(number));
  }
}

}  // namespace engine
