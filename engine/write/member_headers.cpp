#include "engine/write/member_headers.h"

#include "engine/format/layout.h"
#include "engine/index/tree_builder.h"

namespace engine {
namespace {

using format::FileType;
using format::Header;
using format::NewField;
namespace off = format::off;

int NewTreeBlockCode(int key_size) {
  for (int code : {2, 4, 8, 16, 32}) {
    if (TreeCapacity(key_size, code * 1024) >= 3) return code;
  }
  return 32;
}

std::uint8_t SecondaryOptions(const SecondaryIndex& index) {
  std::uint8_t options = 0;
  if (index.case_insensitive) options |= format::kOptionCaseInsensitive;
  if (index.unique) options |= format::kOptionUnique;
  for (bool d : index.descending) {
    if (d) options |= format::kOptionDescending;
  }
  return options;
}

}  // namespace

std::vector<NewField> FieldsOf(const Header& db, int count) {
  std::vector<NewField> fields;
  for (int i = 0; i < count; ++i) {
    const format::FieldDescriptor& f = db.fields()[static_cast<std::size_t>(i)];
    fields.push_back(NewField{f.type, f.descriptor_size, f.name, f.number});
  }
  return fields;
}

bool SameFields(const Header& h, const std::vector<NewField>& fields) {
  if (h.fields().size() != fields.size()) return false;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (h.fields()[i].type != fields[i].type || h.fields()[i].descriptor_size != fields[i].descriptor_size) {
      return false;
    }
  }
  return true;
}

bool MemberHeaders::Keeps(const std::optional<Header>& old) const {
  return old && old->sort_order() == db_.sort_order();
}

format::HeaderSpec MemberHeaders::NewMemberSpec(FileType type, std::vector<NewField> fields,
                                                const std::string& extension) {
  format::HeaderSpec shape;
  shape.type = type;
  shape.version = db_.version();
  shape.fields = std::move(fields);
  shape.sort_order = db_.sort_order();
  shape.table_name = MemberTableName(db_.table_name(), extension);
  shape.sequence = static_cast<std::uint16_t>(sequence_++);
  return shape;
}

Header MemberHeaders::Tree(const std::optional<Header>& old, FileType type, const std::vector<NewField>& fields,
                           const std::string& extension, int key_size, std::uint8_t parent_counter) {
  Header h;
  if (Keeps(old) && old->type() == type && SameFields(*old, fields)) {
    h = *old;
    h.ClearRebuildFlags();
  } else {
    format::HeaderSpec shape = NewMemberSpec(type, fields, extension);
    shape.block_size_code = NewTreeBlockCode(key_size);
    shape.auto_increment = 1;
    h = format::NewHeader(shape);
  }
  h.SetU8(off::kStamp2C, parent_counter);
  return h;
}

Header MemberHeaders::Secondary(const SecondaryIndex& index, const XLayout& layout,
                                 std::optional<std::uint8_t> px_stamp) {
  const FileType type = index.composite
                            ? (index.maintained ? FileType::kMaintainedCompositeData : FileType::kCompositeData)
                            : (index.maintained ? FileType::kMaintainedSecondaryData : FileType::kSecondaryData);
  const std::uint8_t options = SecondaryOptions(index);
  Header x;
  if (Keeps(index.old_x) && index.old_x->sort_id() == db_.sort_id() && index.old_x->type() == type &&
      index.old_x->options() == options && index.old_x->key_fields() == layout.key_fields &&
      SameFields(*index.old_x, layout.fields)) {
    x = *index.old_x;
    x.ClearRebuildFlags();
  } else {
    format::HeaderSpec shape =
        NewMemberSpec(type, layout.fields, SecondaryExtension(index.composite, index.number, false));
    shape.block_size_code = db_.block_size() / 1024;
    shape.key_fields = layout.key_fields;
    shape.code_page = db_.code_page();
    shape.sort_id = db_.sort_id();
    if (index.composite) shape.index_name = index.name;
    shape.index_field = static_cast<std::uint8_t>(index.fields[0] + 1);
    shape.options = options;
    shape.update_time = db_.has_data_header() ? db_.U32(off::kUpdateTime) : 0;
    // The index's own counter: any value; the old one where there was one.
    std::uint8_t own = index.old_x ? index.old_x->U8(off::kStamp2D)
                                   : static_cast<std::uint8_t>(db_.U8(off::kStamp2D) + 0x35 + index.number * 7);
    shape.stamps = {0xFF, own, 0, 0};
    x = format::NewHeader(shape);
  }
  x.SetU8(off::kStamp2C, 0xFF);
  x.SetU8(off::kStamp2E, db_.U8(off::kStamp2E));
  if (px_stamp) x.SetU8(off::kStamp2F, *px_stamp);
  return x;
}

}  // namespace engine
