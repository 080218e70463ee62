#include "engine/table_file.h"

#include <cstring>

#include "engine/errors.h"
#include "engine/format/bytes.h"

namespace engine {
namespace {

constexpr std::size_t kHeaderProbe = 0x800;

struct BlockHead {
  int next;
  int prev;
  int add_data_size;
};

BlockHead ReadBlockHead(const char* p) {
  return BlockHead{format::GetLe16(p), format::GetLe16(p + 2), format::GetLeS16(p + 4)};
}

}  // namespace

format::Header ReadHeader(platform::File& file, const std::string& path) {
  return TranslateFileErrors(path, [&] {
    std::uint64_t size = file.Size();
    std::string bytes(static_cast<std::size_t>(std::min<std::uint64_t>(size, kHeaderProbe)), '\0');
    bytes.resize(file.ReadAt(0, bytes.data(), bytes.size()));
    std::size_t announced = static_cast<std::size_t>(format::Header::AnnouncedSize(bytes));
    if (announced > bytes.size() && announced <= size) {
      bytes.resize(announced);
      bytes.resize(file.ReadAt(0, bytes.data(), bytes.size()));
    }
    return format::Header::Parse(std::move(bytes), size, path);
  });
}

MemberFile MemberFile::Load(platform::File& file, const std::string& path) {
  MemberFile m;
  m.path_ = path;
  m.header_ = ReadHeader(file, path);
  const format::Header& h = m.header_;
  std::uint64_t size = TranslateFileErrors(path, [&] { return file.Size(); });
  // Files of the original engine may end inside their last block, after its records.
  std::uint64_t area = static_cast<std::uint64_t>(h.total_blocks()) * static_cast<std::uint64_t>(h.block_size());
  std::uint64_t present = std::min(area, size - static_cast<std::uint64_t>(h.header_size()));
  m.data_.resize(static_cast<std::size_t>(area));
  std::size_t got = TranslateFileErrors(path, [&] {
    return file.ReadAt(static_cast<std::uint64_t>(h.header_size()), m.data_.data(), static_cast<std::size_t>(present));
  });
  if (got != present) m.Corrupt("the blocks could not be read whole");
  m.present_ = static_cast<std::size_t>(present);
  m.ReadChain();
  return m;
}

MemberFile MemberFile::Empty(format::Header header, std::string path) {
  MemberFile m;
  m.header_ = std::move(header);
  m.path_ = std::move(path);
  return m;
}

void MemberFile::Corrupt(const std::string& detail) const { ThrowCorrupt(detail, path_); }

const char* MemberFile::block(int number) const {
  if (number < 1 || number > header_.total_blocks()) return nullptr;
  return data_.data() + static_cast<std::size_t>(number - 1) * static_cast<std::size_t>(header_.block_size());
}

int MemberFile::records_in_block(int number) const {
  const char* b = block(number);
  if (b == nullptr) return 0;
  int ads = ReadBlockHead(b).add_data_size;
  int rs = header_.record_size();
  if (ads < -rs || (ads + rs) % rs != 0) return -1;
  return ads == -rs ? 0 : ads / rs + 1;
}

void MemberFile::ReadChain() {
  const format::Header& h = header_;
  const int total = h.total_blocks();
  const int capacity = h.records_per_block();
  std::vector<bool> seen(static_cast<std::size_t>(total) + 1, false);
  int number = h.first_block();
  int prev = 0;
  std::uint64_t records = 0;
  if (number == 0 && (h.used_blocks() != 0 || h.records() != 0)) {
    Corrupt("the header counts records but names no first block");
  }
  while (number != 0) {
    if (number < 1 || number > total) {
      Corrupt("the block chain points at block " + std::to_string(number) + " outside the file");
    }
    if (seen[static_cast<std::size_t>(number)]) {
      Corrupt("the block chain loops at block " + std::to_string(number));
    }
    seen[static_cast<std::size_t>(number)] = true;
    RequirePresent(number, 0);
    BlockHead head = ReadBlockHead(block(number));
    if (head.prev != prev) {
      Corrupt("block " + std::to_string(number) + " links back to block " + std::to_string(head.prev) +
              " instead of " + std::to_string(prev));
    }
    int count = records_in_block(number);
    if (count < 0 || count > capacity) {
      Corrupt("block " + std::to_string(number) + " has an impossible record count");
    }
    RequirePresent(number, count);
    chain_.push_back(ChainBlock{number, count, records_.size()});
    std::uint32_t at = static_cast<std::uint32_t>(block(number) - data_.data()) + format::kBlockHeaderSize;
    for (int i = 0; i < count; ++i) {
      records_.push_back(at + static_cast<std::uint32_t>(i * h.record_size()));
    }
    records += static_cast<std::uint64_t>(count);
    prev = number;
    number = head.next;
  }
  if (static_cast<int>(chain_.size()) != h.used_blocks()) {
    Corrupt(std::to_string(chain_.size()) + " blocks are chained but the header counts " +
            std::to_string(h.used_blocks()));
  }
  if (prev != h.last_block()) Corrupt("the header names the wrong last block");
  if (records != h.records()) {
    Corrupt("the blocks hold " + std::to_string(records) + " records but the header counts " +
            std::to_string(h.records()));
  }
  CheckFreeList(seen);
}

void MemberFile::CheckFreeList(std::vector<bool>& seen) const {
  int number = header_.first_free_block();
  while (number != 0) {
    if (number < 1 || number > header_.total_blocks() || seen[static_cast<std::size_t>(number)]) {
      Corrupt("the free-block list is broken at block " + std::to_string(number));
    }
    seen[static_cast<std::size_t>(number)] = true;
    RequirePresent(number, 0);
    number = ReadBlockHead(block(number)).next;
  }
}

void MemberFile::RequirePresent(int number, int records) const {
  std::size_t end = static_cast<std::size_t>(number - 1) * static_cast<std::size_t>(header_.block_size()) +
                    format::kBlockHeaderSize + static_cast<std::size_t>(records) * static_cast<std::size_t>(header_.record_size());
  if (end > present_) Corrupt("block " + std::to_string(number) + " lies past the end of the file");
}

std::size_t MemberFile::AddRecord(const char* bytes) {
  std::size_t at = data_.size();
  data_.insert(data_.end(), bytes, bytes + header_.record_size());
  records_.push_back(static_cast<std::uint32_t>(at));
  return records_.size() - 1;
}

void MemberFile::Reorder(const std::vector<std::uint32_t>& order) {
  std::vector<std::uint32_t> reordered(order.size());
  for (std::size_t i = 0; i < order.size(); ++i) reordered[i] = records_[order[i]];
  records_.swap(reordered);
}

}  // namespace engine
