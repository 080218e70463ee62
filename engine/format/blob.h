// Blob fields (M, B, F, O, G) and the .MB file that holds their data.
//
// In the record a blob field is a leader (the first bytes of the data) followed by a
// 10-byte descriptor, little-endian:
//   +0 u32  block offset in the .MB | slot index (FF: a block of its own); 0 when the
//           whole data is in the leader
//   +4 u32  data length (0: blank)
//   +8 u16  modification number, equal to the one stored with the data
// The .MB file is a sequence of 4 KiB units. Unit 0 is the file header. A block starts
// with u8 type and u16 size in units:
//   type 2, one blob:  +3 u32 length, +7 u16 modification number, data at +9 (a graphic's
//           data starts with 8 bytes of its own before the image);
//   type 3, up to 64 small blobs: 12-byte header, then 64 slots of
//           {u8 offset / 16, u8 16-byte chunks, u16 modification number, u8 bytes in the
//           last chunk (1..16)}, used from slot 63 down; data from offset 0x150 on;
//   type 4, free.
#ifndef HINMEI_ENGINE_FORMAT_BLOB_H_
#define HINMEI_ENGINE_FORMAT_BLOB_H_

#include <cstdint>
#include <string>

#include "engine/format/header.h"

namespace engine::format {

inline constexpr int kMbUnit = 4096;
inline constexpr int kSingleBlobHeader = 9;
inline constexpr int kSubHeader = 12;
inline constexpr int kSubSlots = 64;
inline constexpr int kSubSlotSize = 5;
inline constexpr int kSubDataStart = 0x150;
inline constexpr int kSubChunk = 16;
// Blobs of this length and more get a block of their own.
inline constexpr int kSubThreshold = 2048;
inline constexpr std::uint8_t kSingleBlobIndex = 0xFF;
inline constexpr int kMbModCountOffset = 3;

struct BlobRef {
  std::uint32_t location = 0;  // block offset | slot index
  std::uint32_t length = 0;
  std::uint16_t mod = 0;
  std::uint64_t block_offset() const { return location & 0xFFFFFF00u; }
  std::uint8_t index() const { return static_cast<std::uint8_t>(location & 0xFF); }
  bool in_leader() const { return location == 0; }
};

int LeaderSize(const FieldDescriptor& field);
BlobRef ReadBlobRef(const FieldDescriptor& field, const char* data);
void WriteBlobRef(const FieldDescriptor& field, const BlobRef& ref, char* data);

// The header unit of a new, empty .MB file.
std::string NewMbHeader();

}  // namespace engine::format

#endif  // HINMEI_ENGINE_FORMAT_BLOB_H_
