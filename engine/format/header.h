// The header of a DB, PX, X or Y file: its bytes, kept as found, and the parsed view of
// them (layout.h). Changes patch single fields in the bytes, so that every byte of
// unknown meaning stays as it was.
#ifndef HINMEI_ENGINE_FORMAT_HEADER_H_
#define HINMEI_ENGINE_FORMAT_HEADER_H_

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/format/field_type.h"
#include "engine/format/layout.h"

namespace engine::format {

struct FieldDescriptor {
  FieldType type = FieldType::kAlpha;
  int descriptor_size = 0;  // as stored (BCD: the decimals)
  int size = 0;             // bytes in the record
  int offset = 0;           // offset in the record
  std::string name;         // CP932; empty in PX and Y files
  std::uint16_t number = 0; // field-number entry (level 4+ DB/X), else the position
};

class Header {
 public:
  Header() = default;  // an empty header; only Parse gives a usable one
  // Parses and checks the header at the start of a file of `file_size` bytes; `bytes`
  // must hold the first min(header size, file size) bytes. A header that does not add up
  // throws EDBEngineError naming `path` and the problem.
  static Header Parse(std::string bytes, std::uint64_t file_size, const std::string& path);

  // The header size a file announces in its first bytes (at least 4 of them).
  static int AnnouncedSize(const std::string& first_bytes);

  const std::string& bytes() const { return bytes_; }

  FileType type() const { return static_cast<FileType>(U8(off::kFileType)); }
  int record_size() const { return U16(off::kRecordSize); }
  int header_size() const { return U16(off::kHeaderSize); }
  int block_size() const { return U8(off::kBlockSizeCode) * 1024; }
  std::uint32_t records() const { return U32(off::kRecords); }
  int used_blocks() const { return U16(off::kUsedBlocks); }
  int total_blocks() const { return U16(off::kTotalBlocks); }
  int first_block() const { return U16(off::kFirstBlock); }
  int last_block() const { return U16(off::kLastBlock); }
  int first_free_block() const { return U16(off::kFirstFree); }
  int index_root() const { return U16(off::kIndexRoot); }
  int index_levels() const { return U8(off::kIndexLevels); }
  int key_fields() const { return key_fields_; }
  int version() const { return U8(off::kVersion); }
  bool has_data_header() const { return has_data_header_; }
  std::uint8_t sort_order() const { return U8(off::kSortOrder); }
  std::uint16_t code_page() const { return has_data_header_ ? U16(off::kCodePage) : 0; }
  std::uint8_t options() const { return U8(off::kOptions); }
  const std::string& sort_id() const { return sort_id_; }
  const std::string& index_name() const { return index_name_; }
  const std::string& table_name() const { return table_name_; }
  const std::vector<FieldDescriptor>& fields() const { return fields_; }
  // Bytes of the key: the first key_fields() fields of a DB or X record, all fields of a
  // PX or Y entry.
  int key_size() const { return key_size_; }
  int records_per_block() const { return (block_size() - kBlockHeaderSize) / record_size(); }
  // Whether the flags that make the original engine demand a rebuild are all clear.
  bool rebuild_flags_clear() const {
    return U8(off::kModified1) == 0 && U8(off::kModified2) == 0 && U8(off::kIndexUpdate) == 0;
  }
  // Clears them, as in a file written anew.
  void ClearRebuildFlags() {
    for (int flag : {off::kModified1, off::kModified2, off::kIndexUpdate}) SetU8(flag, 0);
  }

  std::uint8_t U8(int offset) const;
  std::uint16_t U16(int offset) const;
  std::uint32_t U32(int offset) const;
  void SetU8(int offset, std::uint8_t value);
  void SetU16(int offset, std::uint16_t value);
  void SetU32(int offset, std::uint32_t value);

  // Sets the block counters for a file of `blocks` blocks chained 1..blocks, without
  // free blocks, holding `records` records (entries, for PX/Y).
  void SetPackedBlocks(int blocks, std::uint32_t records);

 private:
  void ParseFields(const std::string& path);

  std::string bytes_;
  bool has_data_header_ = false;
  int key_fields_ = 0;
  int key_size_ = 0;
  std::vector<FieldDescriptor> fields_;
  std::string table_name_;
  std::string sort_id_;
  std::string index_name_;
};

}  // namespace engine::format

#endif  // HINMEI_ENGINE_FORMAT_HEADER_H_
