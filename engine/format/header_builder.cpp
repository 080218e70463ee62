#include "engine/format/header_builder.h"

#include "engine/format/bytes.h"

namespace engine::format {
namespace {

void Append(std::string& out, const std::string& s) { out += s; out.push_back('\0'); }

void AppendLe16(std::string& out, std::uint16_t v) {
  char b[2];
  PutLe16(b, v);
  out.append(b, 2);
}

// Offsets inside the variable part are stored relative to 0x58.
std::uint16_t OffsetFromDataHeader(const std::string& h) {
  return static_cast<std::uint16_t>(h.size() - off::kFixedEnd);
}

}  // namespace

std::string BuildHeader(const HeaderSpec& shape) {
  const bool data_like = IsDataLike(shape.type);
  const bool data_header = data_like && shape.version >= kFirstDataHeaderVersion;
  const int n = static_cast<int>(shape.fields.size());
  std::string h(data_header ? off::kDataHeaderEnd : off::kFixedEnd, '\0');
  char* p = h.data();

  int record = 0;
  for (const NewField& f : shape.fields) record += StoredSize(f.type, f.descriptor_size);
  PutLe16(p + off::kRecordSize, static_cast<std::uint16_t>(data_like ? record : record + kIndexEntryTail));
  p[off::kFileType] = static_cast<char>(shape.type);
  p[off::kBlockSizeCode] = static_cast<char>(shape.block_size_code);
  PutLe16(p + off::kSequence, shape.sequence);
  p[off::kIndexField] = static_cast<char>(shape.index_field);
  if (IsTree(shape.type)) PutLe16(p + off::kIndexRoot, 1);
  PutLe16(p + off::kNumFields, static_cast<std::uint16_t>(n));
  PutLe16(p + off::kKeyFields, static_cast<std::uint16_t>(data_like ? shape.key_fields : 0));
  if (data_like && shape.version >= 5) PutLe32(p + off::kEncryption1, kLevel4Encryption1);
  p[off::kSortOrder] = static_cast<char>(shape.sort_order);
  for (int i = 0; i < 4; ++i) p[off::kStamp2C + i] = static_cast<char>(shape.stamps[static_cast<std::size_t>(i)]);
  p[off::kVersion] = static_cast<char>(shape.version);
  if (data_like) {
    p[off::kMarker3E] = 0x1F;
    p[off::kMarker3E + 1] = 0x0F;
    p[off::kMarker56] = 0x20;
  }
  PutLe32(p + off::kAutoInc, shape.auto_increment);
  p[off::kOptions] = static_cast<char>(shape.options);
  if (data_header) {
    auto version_id = static_cast<std::uint16_t>(0x0100 + shape.version);
    PutLe16(p + off::kVersionId2, version_id);
    PutLe16(p + off::kVersionId3, version_id);
    PutLe32(p + off::kUpdateTime, shape.update_time);
    PutLe16(p + off::kNextFieldId, static_cast<std::uint16_t>(n + 1));
    PutLe16(p + off::kCodePage, shape.code_page);
    p[off::kLinkBytes] = static_cast<char>(shape.link_byte);
    p[off::kLinkBytes + 1] = 1;
  }

  for (const NewField& f : shape.fields) {
    h.push_back(static_cast<char>(f.type));
    h.push_back(static_cast<char>(f.descriptor_size));
  }
  h.append(4, '\0');                     // table name pointer
  if (data_like) h.append(4 * static_cast<std::size_t>(n), '\0');  // field name pointers
  std::string name = shape.table_name.substr(0, static_cast<std::size_t>(TableNameLength(shape.version) - 1));
  name.resize(static_cast<std::size_t>(TableNameLength(shape.version)), '\0');
  h += name;
  if (data_like) {
    for (const NewField& f : shape.fields) Append(h, f.name);
    if (data_header) {
      PutLe16(h.data() + off::kFieldNumbersOfs, OffsetFromDataHeader(h));
      for (const NewField& f : shape.fields) AppendLe16(h, f.number);
      PutLe16(h.data() + off::kSortIdOfs, OffsetFromDataHeader(h));
      Append(h, shape.sort_id);
      if (!shape.index_name.empty()) {
        PutLe16(h.data() + off::kIndexNameOfs, OffsetFromDataHeader(h));
        Append(h, shape.index_name);
      }
    }
  }
  // Version 3 data files end their header right after the field names.
  const bool exact = shape.version <= 3 && data_like;
  std::size_t used = h.size();
  std::size_t size = exact ? used : used <= 0x800 ? 0x800 : 0x1000;
  if (!exact) PutLe16(h.data() + off::kRealHeaderSize, static_cast<std::uint16_t>(used));
  h.resize(size, '\0');
  PutLe16(h.data() + off::kHeaderSize, static_cast<std::uint16_t>(size));
  return h;
}

Header NewHeader(const HeaderSpec& shape) {
  std::string bytes = BuildHeader(shape);
  std::uint64_t size = bytes.size();
  return Header::Parse(std::move(bytes), size, "(new header)");
}

}  // namespace engine::format
