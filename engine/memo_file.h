// Reading blob data from a .MB file, and adding new blobs at its end (format/blob.h).
#ifndef HINMEI_ENGINE_MEMO_FILE_H_
#define HINMEI_ENGINE_MEMO_FILE_H_

#include <cstdint>
#include <string>

#include "engine/format/header.h"
#include "platform/file_system.h"

namespace engine {

// The data of a blob field; the .MB file is needed only when the data is not all in the
// leader (nullptr otherwise). A descriptor that does not match the .MB ("Blob has been
// modified" to the original engine) is an engine error.
std::string ReadBlob(platform::File* mb, const std::string& mb_path, const format::FieldDescriptor& field,
                     const char* data);

// Whether data of this size needs the .MB file (it does not fit the leader).
bool NeedsMemoFile(const format::FieldDescriptor& field, std::size_t size);

// Fills a blob field whose data fits its leader.
void StoreInLeader(const format::FieldDescriptor& field, const std::string& data, char* out);

// Adds blobs to a .MB file from offset `end` on (a multiple of 4 KiB): small ones share
// sub-allocated blocks, large ones get blocks of their own.
class MemoAppender {
 public:
  MemoAppender(platform::File& out, std::string path, std::uint64_t end, std::uint16_t mod);
  // Writes the data and fills the field (leader and descriptor).
  void Store(const format::FieldDescriptor& field, const std::string& data, char* out);
  // Writes the last sub-allocated block.
  void Finish();
  std::uint64_t end() const { return end_; }

 private:
  void FlushSub();

  platform::File& out_;
  std::string path_;
  std::uint64_t end_;
  std::uint16_t mod_;
  std::string sub_;             // the sub-allocated block being filled, if any
  std::uint64_t sub_offset_ = 0;
  int sub_slots_ = 0;
  int sub_next_chunk_ = 0;
};

// The modification count in a .MB header (new blobs carry it).
std::uint16_t MemoModCount(platform::File& mb, const std::string& path);

}  // namespace engine

#endif  // HINMEI_ENGINE_MEMO_FILE_H_
