#include "engine/memo_file.h"

#include <cstring>

#include "engine/errors.h"
#include "engine/format/blob.h"
#include "engine/format/bytes.h"

namespace engine {
namespace {

using namespace format;

[[noreturn]] void BlobMismatch(const std::string& path) {
  ThrowEngineError(texts::BlobModified(), path);
}

std::string ReadExactly(platform::File& mb, const std::string& path, std::uint64_t at, std::size_t size) {
  // A length of billions in a damaged descriptor must not become an allocation.
  std::uint64_t file_size = TranslateFileErrors(path, [&] { return mb.Size(); });
  if (at > file_size || size > file_size - at) BlobMismatch(path);
  std::string bytes(size, '\0');
  std::size_t got = TranslateFileErrors(path, [&] { return mb.ReadAt(at, bytes.data(), size); });
  if (got != size) BlobMismatch(path);
  return bytes;
}

constexpr int kChunksPerUnit = kMbUnit / kSubChunk;

}  // namespace

bool NeedsMemoFile(const FieldDescriptor& field, std::size_t size) {
  return size > static_cast<std::size_t>(LeaderSize(field));
}

void StoreInLeader(const FieldDescriptor& field, const std::string& data, char* out) {
  std::memset(out, 0, static_cast<std::size_t>(field.size));
  if (data.empty()) return;
  std::memcpy(out, data.data(), data.size());
  WriteBlobRef(field, BlobRef{0, static_cast<std::uint32_t>(data.size()), 0}, out);
}

std::string ReadBlob(platform::File* mb, const std::string& mb_path, const FieldDescriptor& field, const char* data) {
  BlobRef ref = ReadBlobRef(field, data);
  if (ref.length == 0) return std::string();
  const int leader = LeaderSize(field);
  if (ref.in_leader()) {
    if (ref.length > static_cast<std::uint32_t>(leader)) BlobMismatch(mb_path);
    return std::string(data, ref.length);
  }
  if (mb == nullptr) ThrowEngineError(texts::MemoFileMissing(), mb_path, texts::AskForNewMedium());
  const std::uint64_t block = ref.block_offset();
  std::string head = ReadExactly(*mb, mb_path, block, kSubHeader);
  if (ref.index() == kSingleBlobIndex) {
    if (head[0] != 2 || GetLe32(head.data() + 3) != ref.length ||
        GetLe16(head.data() + 7) != ref.mod) {
      BlobMismatch(mb_path);
    }
    return ReadExactly(*mb, mb_path, block + kSingleBlobHeader, ref.length);
  }
  if (head[0] != 3 || ref.index() >= kSubSlots) BlobMismatch(mb_path);
  std::string slot = ReadExactly(*mb, mb_path, block + kSubHeader + static_cast<std::uint64_t>(ref.index()) * kSubSlotSize,
                                 kSubSlotSize);
  int offset = static_cast<std::uint8_t>(slot[0]) * kSubChunk;
  int chunks = static_cast<std::uint8_t>(slot[1]);
  int last = static_cast<std::uint8_t>(slot[4]);
  std::uint32_t length = chunks == 0 ? 0 : static_cast<std::uint32_t>((chunks - 1) * kSubChunk + last);
  if (offset == 0 || last == 0 || length != ref.length ||
      GetLe16(slot.data() + 2) != ref.mod || offset + static_cast<int>(length) > kMbUnit) {
    BlobMismatch(mb_path);
  }
  return ReadExactly(*mb, mb_path, block + static_cast<std::uint64_t>(offset), ref.length);
}

MemoAppender::MemoAppender(platform::File& out, std::string path, std::uint64_t end, std::uint16_t mod)
    : out_(out), path_(std::move(path)), end_(end), mod_(mod) {}

void MemoAppender::Store(const FieldDescriptor& field, const std::string& data, char* out) {
  if (!NeedsMemoFile(field, data.size())) {
    StoreInLeader(field, data, out);
    return;
  }
  const int leader = LeaderSize(field);
  std::memset(out, 0, static_cast<std::size_t>(field.size));
  std::memcpy(out, data.data(), static_cast<std::size_t>(leader));
  BlobRef ref{0, static_cast<std::uint32_t>(data.size()), mod_};
  const int chunks = static_cast<int>((data.size() + kSubChunk - 1) / kSubChunk);
  if (data.size() < static_cast<std::size_t>(kSubThreshold)) {
    if (sub_.empty() || sub_slots_ == kSubSlots || sub_next_chunk_ + chunks > kChunksPerUnit) {
      FlushSub();
      sub_.assign(kMbUnit, '\0');
      sub_[0] = 3;
      PutLe16(sub_.data() + 1, 1);
      sub_offset_ = end_;
      end_ += kMbUnit;
      sub_slots_ = 0;
      sub_next_chunk_ = kSubDataStart / kSubChunk;
    }
    int index = kSubSlots - 1 - sub_slots_++;
    char* slot = sub_.data() + kSubHeader + index * kSubSlotSize;
    slot[0] = static_cast<char>(sub_next_chunk_);
    slot[1] = static_cast<char>(chunks);
    PutLe16(slot + 2, mod_);
    int last = static_cast<int>(data.size() % kSubChunk);
    slot[4] = static_cast<char>(last == 0 ? kSubChunk : last);
    std::memcpy(sub_.data() + sub_next_chunk_ * kSubChunk, data.data(), data.size());
    sub_next_chunk_ += chunks;
    ref.location = static_cast<std::uint32_t>(sub_offset_) | static_cast<std::uint32_t>(index);
  } else {
    std::uint64_t units = (kSingleBlobHeader + data.size() + kMbUnit - 1) / kMbUnit;
    std::string block(static_cast<std::size_t>(units) * kMbUnit, '\0');
    block[0] = 2;
    PutLe16(block.data() + 1, static_cast<std::uint16_t>(units));
    PutLe32(block.data() + 3, static_cast<std::uint32_t>(data.size()));
    PutLe16(block.data() + 7, mod_);
    std::memcpy(block.data() + kSingleBlobHeader, data.data(), data.size());
    TranslateFileErrors(path_, [&] { out_.WriteAt(end_, block.data(), block.size()); });
    ref.location = static_cast<std::uint32_t>(end_) | kSingleBlobIndex;
    end_ += block.size();
  }
  WriteBlobRef(field, ref, out);
}

void MemoAppender::FlushSub() {
  if (sub_.empty()) return;
  TranslateFileErrors(path_, [&] { out_.WriteAt(sub_offset_, sub_.data(), sub_.size()); });
  sub_.clear();
}

void MemoAppender::Finish() { FlushSub(); }

std::uint16_t MemoModCount(platform::File& mb, const std::string& path) {
  std::string head = ReadExactly(mb, path, 0, kSubHeader);
  if (head[0] != 0) ThrowCorrupt(texts::MemoFileWithoutHeader(), path);
  return GetLe16(head.data() + kMbModCountOffset);
}

}  // namespace engine
