#include "engine/write/memo_append.h"

#include <cstring>

#include "engine/errors.h"
#include "engine/format/blob.h"
#include "engine/format/bytes.h"
#include "engine/read/memo_file.h"
#include "engine/write/file_copy.h"

namespace engine {
namespace {

using namespace format;

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

void StoreBlobs(FamilyWrite& write, const Family& family, const format::Header& db,
                const std::map<int, std::string>& blobs, std::string& record) {
  bool needs_mb = false;
  for (const auto& [position, data] : blobs) {
    const FieldDescriptor& f = db.fields()[static_cast<std::size_t>(position)];
    if (NeedsMemoFile(f, data.size())) {
      needs_mb = true;
    } else {
      StoreInLeader(f, data, record.data() + f.offset);
    }
  }
  if (!needs_mb) return;
  const std::string mb_path = family.mb.empty() ? family.Path("MB") : family.mb;
  platform::File& out = write.Create(mb_path);
  std::uint64_t end = format::kMbUnit;
  std::uint16_t mod = 1;
  if (family.mb.empty()) {
    std::string header = format::NewMbHeader();
    TranslateFileErrors(mb_path, [&] { out.WriteAt(0, header.data(), header.size()); });
  } else {
    platform::File& old = write.Hold(family.mb);
    mod = MemoModCount(old, mb_path);
    end = TranslateFileErrors(mb_path, [&] {
      const std::uint64_t size = CopyBetweenFiles(old, out);
      return (size + format::kMbUnit - 1) / format::kMbUnit * format::kMbUnit;
    });
  }
  MemoAppender appender(out, mb_path, end, mod);
  for (const auto& [position, data] : blobs) {
    const FieldDescriptor& f = db.fields()[static_cast<std::size_t>(position)];
    if (NeedsMemoFile(f, data.size())) appender.Store(f, data, record.data() + f.offset);
  }
  appender.Finish();
}

}  // namespace engine
