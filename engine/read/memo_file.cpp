#include "engine/read/memo_file.h"

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

}  // namespace

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

std::uint16_t MemoModCount(platform::File& mb, const std::string& path) {
  std::string head = ReadExactly(mb, path, 0, kSubHeader);
  if (head[0] != 0) ThrowCorrupt(texts::MemoFileWithoutHeader(), path);
  return GetLe16(head.data() + kMbModCountOffset);
}

}  // namespace engine
