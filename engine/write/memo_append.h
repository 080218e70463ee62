// Adding new blobs at the end of a .MB file (format/blob.h), and storing the blobs of a
// row that a change appends to its table.
#ifndef HINMEI_ENGINE_WRITE_MEMO_APPEND_H_
#define HINMEI_ENGINE_WRITE_MEMO_APPEND_H_

#include <cstdint>
#include <map>
#include <string>

#include "engine/family.h"
#include "engine/format/header.h"
#include "engine/write/family_write.h"
#include "platform/file_system.h"

namespace engine {

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

// Stores the blobs of a row to be appended to the table of `db` (blob data by field
// position) into `record`: those that fit in their leader there, the others in a new
// .MB of the family, written through `write`: a copy of the old one with them added.
void StoreBlobs(FamilyWrite& write, const Family& family, const format::Header& db,
                const std::map<int, std::string>& blobs, std::string& record);

}  // namespace engine

#endif  // HINMEI_ENGINE_WRITE_MEMO_APPEND_H_
