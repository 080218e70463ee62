// The on-disk layout of a Paradox table family, written down once.
//
// A family is T.DB (data), T.PX (primary index), T.Xnn/T.Ynn and T.XGn/T.YGn
// (secondary indexes: data part and its tree), T.MB (memo and blob data) and T.VAL
// (validity checks). Every file but .MB and .VAL starts with the header below and
// continues with blocks of `block size` bytes; block k (1-based) starts at
// headerSize + (k - 1) * blockSize. Control structures are little-endian.
//
// Fixed header, every DB/PX/X/Y file:
//   OFFSET SIZE MEANING
//   00     u16  record size (PX/Y: key bytes + 6)
//   02     u16  header size: bytes before block 1
//   04     u8   file type (FileType below)
//   05     u8   block size in KiB (1, 2, 3, 4, 8, 16, 32)
//   06     u32  records; PX/Y: entries over all tree levels
//   0A     u16  blocks in the chain
//   0C     u16  blocks in the file, free ones included
//   0E     u16  first block of the chain, 0 when empty
//   10     u16  last block of the chain (chain order, not the highest number)
//   12     u16  sequence counter of unknown meaning; kept, new files count up from it
//   14     u8   "rebuild required" flag, 0 in sound files
//   15     u8   X: DB field number of the first indexed field
//   16     8    two memory pointers (garbage): kept, new files write 0
//   1E     u16  PX/Y: root block
//   20     u8   PX/Y: tree levels (0 when empty)
//   21     s16  fields (PX: key fields; Y: key fields of its X)
//   23     s16  DB: key fields; X: key fields of the X record; PX/Y: 0
//   25     u32  level 4+ DB/X: FF00FF00 (the real value is at 5C); else encryption, 0
//   29     u8   sort order (language driver) byte, the same in every member
//   2A     u8   "rebuild required" flag, 0 in sound files
//   2C     u8   stamp: PX/Y copy their parent's counter here; DB/X: 0 / FF
//   2D     u8   stamp: DB: the counter PX copies; X: its own counter, Y copies it
//   2E     u8   stamp: DB: the table's identity, X and .VAL copy it
//   2F     u8   stamp: X: copy of PX[2C]
//   30     8    memory pointers (garbage)
//   39     u8   file version: 3, 4 (3.5), 5-9 (4.x), 0A/0B (5.x), 0C (7.x)
//   3A     u16  equals the blocks in the file
//   3E     2    DB/X: 1F 0F
//   49     u32  DB: last value given to the autoincrement field; PX/X/Y: unknown, kept
//   4D     u16  head of the free-block list, 0 when none
//   4F     u8   "index update required" flag, 0 in sound files
//   51     u16  bytes of the header actually used
//   55     u8   DB: 02 for the master of a referential link; X: option bits
//                 (01 case-insensitive, 10 descending, 20 unique)
//   56     u8   DB/X: 20
// Data header, DB and X files of version 5 and up only:
//   58     u16  0100 + version;   5A u16 the same
//   5C     u32  encryption, 0
//   60     u32  creation or restructure time (the .VAL copies it; never changed here)
//   64     u16  next free field id
//   66     u16  offset of the field-number array - 58
//   68     u16  XG: offset of the index name - 58
//   6A     u16  code page of the language driver
//   6C     2    01 01 (02 01 in detail tables of a link); kept
//   6E     u16  offset of the sort-order id - 58
//   70     8    counters of unknown meaning; kept
// Variable part, from 78 (level 4+ DB/X) or 58 (all others):
//   numFields x {u8 type, u8 size}; u32 pointer; DB/X: numFields x u32 pointers;
//   table name, NUL-padded to 79 bytes (261 at version 0C); DB/X: field names, each
//   NUL-terminated; level 4+ DB/X: numFields x u16 field numbers, the sort-order id
//   (NUL-terminated); XG: the index name (NUL-terminated). Zero up to the header size.
//
// Block header, 6 bytes: u16 next block (0 = last), u16 previous block (0 = first),
// s16 (records - 1) x record size. Records follow, packed; bytes after them are no
// records.
//
// PX/Y entry: key bytes, then three big-endian u16 with the top bit flipped: the child
// block (a DB/X block at the lowest level, an index block above), the records below
// the entry, and 0.
//
// X record: the indexed fields, then (keyed table) every key field and the DB block of
// the row ("Blk Num", S), or (unkeyed table) "Tup No" (I, 1-based row in chain order),
// "Blk Num" and "Tup Offset" (S, byte offset of the row in its block's records).
#ifndef HINMEI_ENGINE_FORMAT_LAYOUT_H_
#define HINMEI_ENGINE_FORMAT_LAYOUT_H_

#include <cstdint>

namespace engine::format {

enum class FileType : std::uint8_t {
  kKeyedData = 0,
  kPrimaryIndex = 1,
  kUnkeyedData = 2,
  kSecondaryData = 3,           // .Xnn, not maintained
  kSecondaryTree = 4,           // .Ynn
  kMaintainedSecondaryData = 5, // .Xnn, maintained
  kCompositeData = 6,           // .XGn, not maintained
  kCompositeTree = 7,           // .YGn
  kMaintainedCompositeData = 8, // .XGn, maintained
};

// DB and X files carry field names; PX and Y files do not.
constexpr bool IsDataLike(FileType t) {
  return t == FileType::kKeyedData || t == FileType::kUnkeyedData ||
         t == FileType::kSecondaryData || t == FileType::kMaintainedSecondaryData ||
         t == FileType::kCompositeData || t == FileType::kMaintainedCompositeData;
}
constexpr bool IsTree(FileType t) {
  return t == FileType::kPrimaryIndex || t == FileType::kSecondaryTree ||
         t == FileType::kCompositeTree;
}
constexpr bool IsSecondaryData(FileType t) { return IsDataLike(t) && static_cast<int>(t) >= 3; }
constexpr bool IsMaintained(FileType t) {
  return t == FileType::kMaintainedSecondaryData || t == FileType::kMaintainedCompositeData;
}

namespace off {
inline constexpr int kRecordSize = 0x00;
inline constexpr int kHeaderSize = 0x02;
inline constexpr int kFileType = 0x04;
inline constexpr int kBlockSizeCode = 0x05;
inline constexpr int kRecords = 0x06;
inline constexpr int kUsedBlocks = 0x0A;
inline constexpr int kTotalBlocks = 0x0C;
inline constexpr int kFirstBlock = 0x0E;
inline constexpr int kLastBlock = 0x10;
inline constexpr int kSequence = 0x12;
inline constexpr int kModified1 = 0x14;
inline constexpr int kIndexField = 0x15;
inline constexpr int kPointers16 = 0x16;
inline constexpr int kIndexRoot = 0x1E;
inline constexpr int kIndexLevels = 0x20;
inline constexpr int kNumFields = 0x21;
inline constexpr int kKeyFields = 0x23;
inline constexpr int kEncryption1 = 0x25;
inline constexpr int kSortOrder = 0x29;
inline constexpr int kModified2 = 0x2A;
inline constexpr int kStamp2C = 0x2C;
inline constexpr int kStamp2D = 0x2D;
inline constexpr int kStamp2E = 0x2E;
inline constexpr int kStamp2F = 0x2F;
inline constexpr int kPointers30 = 0x30;
inline constexpr int kVersion = 0x39;
inline constexpr int kMaxBlocks = 0x3A;
inline constexpr int kMarker3E = 0x3E;
inline constexpr int kAutoInc = 0x49;
inline constexpr int kFirstFree = 0x4D;
inline constexpr int kIndexUpdate = 0x4F;
inline constexpr int kRealHeaderSize = 0x51;
inline constexpr int kOptions = 0x55;
inline constexpr int kMarker56 = 0x56;
inline constexpr int kFixedEnd = 0x58;
inline constexpr int kVersionId2 = 0x58;
inline constexpr int kVersionId3 = 0x5A;
inline constexpr int kEncryption2 = 0x5C;
inline constexpr int kUpdateTime = 0x60;
inline constexpr int kNextFieldId = 0x64;
inline constexpr int kFieldNumbersOfs = 0x66;
inline constexpr int kIndexNameOfs = 0x68;
inline constexpr int kCodePage = 0x6A;
inline constexpr int kLinkBytes = 0x6C;
inline constexpr int kSortIdOfs = 0x6E;
inline constexpr int kDataHeaderEnd = 0x78;
}  // namespace off

inline constexpr int kBlockHeaderSize = 6;
inline constexpr int kIndexEntryTail = 6;  // child, count, 0
inline constexpr int kVersion7 = 0x0C;
inline constexpr int kFirstDataHeaderVersion = 5;
inline constexpr std::uint32_t kLevel4Encryption1 = 0xFF00FF00;

// X option bits at 0x55.
inline constexpr std::uint8_t kOptionCaseInsensitive = 0x01;
inline constexpr std::uint8_t kOptionDescending = 0x10;
inline constexpr std::uint8_t kOptionUnique = 0x20;
// X field numbers: this bit marks a descending indexed field.
inline constexpr std::uint16_t kDescendingFieldBit = 0x8000;

constexpr int TableNameLength(int version) { return version >= kVersion7 ? 261 : 79; }

}  // namespace engine::format

#endif  // HINMEI_ENGINE_FORMAT_LAYOUT_H_
