#include "engine/read/table_file.h"

#include <cstring>

#include "engine/errors.h"
#include "engine/format/bytes.h"
#include "engine/read/chain_walk.h"

namespace engine {
namespace {

constexpr std::size_t kHeaderProbe = 0x800;

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
  // Files of the original engine may end inside their last block, after its records; a
  // file that does not reach its last block is cut short, and its counts are not to be
  // believed (nor used to size anything).
  const std::uint64_t block_size = static_cast<std::uint64_t>(h.block_size());
  const std::uint64_t after_header = size - static_cast<std::uint64_t>(h.header_size());
  const std::uint64_t blocks_present = (after_header + block_size - 1) / block_size;
  if (static_cast<std::uint64_t>(h.total_blocks()) > blocks_present) {
    m.Corrupt(texts::Format(texts::BlocksMissingFormat(),
                            {std::to_string(h.total_blocks()), std::to_string(blocks_present)}));
  }
  std::uint64_t area = static_cast<std::uint64_t>(h.total_blocks()) * block_size;
  std::uint64_t present = std::min(area, after_header);
  m.data_.resize(static_cast<std::size_t>(area));
  std::size_t got = present == 0 ? 0 : TranslateFileErrors(path, [&] {
    return file.ReadAt(static_cast<std::uint64_t>(h.header_size()), m.data_.data(), static_cast<std::size_t>(present));
  });
  if (got != present) m.Corrupt(texts::BlocksNotReadWhole());
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
  return b == nullptr ? 0 : RecordsOfBlockHead(b, header_.record_size());
}

void MemberFile::ReadChain() {
  ChainWalk walk(header_, present_, path_);
  auto fetch = [&](int number) { return block(number); };
  walk.Walk(fetch, [&](int number, int count, const char* b) {
    chain_.push_back(ChainBlock{number, count, records_.size()});
    auto at = static_cast<std::uint32_t>(b - data_.data()) + format::kBlockHeaderSize;
    for (int i = 0; i < count; ++i) records_.push_back(at + static_cast<std::uint32_t>(i * header_.record_size()));
  });
  walk.CheckFreeList(fetch);
}

std::size_t MemberFile::AddRecord(const char* bytes) {
  std::size_t at = data_.size();
  data_.insert(data_.end(), bytes, bytes + header_.record_size());
  records_.push_back(static_cast<std::uint32_t>(at));
  return records_.size() - 1;
}

void MemberFile::Reorder(std::span<const std::uint32_t> order) {
  std::vector<std::uint32_t> reordered(order.size());
  for (std::size_t i = 0; i < order.size(); ++i) reordered[i] = records_[order[i]];
  records_.swap(reordered);
}

}  // namespace engine
