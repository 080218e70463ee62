// Headers for new files: a table the engine creates, or an index file it adds to a
// family. The counts describe an empty file; the writers set them with
// Header::SetPackedBlocks once the blocks are known.
#ifndef HINMEI_ENGINE_FORMAT_HEADER_BUILDER_H_
#define HINMEI_ENGINE_FORMAT_HEADER_BUILDER_H_

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/format/field_type.h"
#include "engine/format/header.h"
#include "engine/format/layout.h"

namespace engine::format {

struct NewField {
  FieldType type = FieldType::kAlpha;
  int descriptor_size = 0;  // as stored (BCD: the decimals; M: leader + 10)
  std::string name;         // CP932; unused in PX and Y files
  std::uint16_t number = 0; // field-number entry
};

struct HeaderSpec {
  FileType type = FileType::kUnkeyedData;
  int version = kVersion7;
  int block_size_code = 2;
  std::vector<NewField> fields;
  int key_fields = 0;              // DB: primary key fields; X: key fields of the X record
  std::uint8_t sort_order = 0;
  std::uint16_t code_page = 0;
  std::string sort_id;             // level 4+ DB/X
  std::string index_name;          // XG only
  std::string table_name;          // informational name stored in the header
  std::uint16_t sequence = 0;      // header word 0x12
  std::uint8_t index_field = 0;    // X: DB field number of the first indexed field
  std::uint8_t options = 0;        // X: option bits; DB: 0x55 as it should be
  std::array<std::uint8_t, 4> stamps{};  // bytes 0x2C to 0x2F
  std::uint32_t update_time = 0;   // level 4+ DB/X
  std::uint32_t auto_increment = 0;
  std::uint8_t link_byte = 1;      // 0x6C
};

// The header bytes, zero-filled to the usual 2048 bytes (4096 when they do not fit;
// exactly the used length for version 3 files).
std::string BuildHeader(const HeaderSpec& shape);

// The parsed header of BuildHeader(shape).
Header NewHeader(const HeaderSpec& shape);

}  // namespace engine::format

#endif  // HINMEI_ENGINE_FORMAT_HEADER_BUILDER_H_
