#include "engine/index/secondary_index.h"

#include "engine/errors.h"
#include "engine/read/field_lookup.h"

namespace engine {
namespace {

using format::FieldType;
using format::NewField;

NewField CopyOf(const format::FieldDescriptor& f, std::uint16_t number) {
  return NewField{f.type, f.descriptor_size, f.name, number};
}

}  // namespace

XLayout LayoutOf(const SecondaryIndex& index, const format::Header& db, int db_key_fields) {
  XLayout x;
  x.keyed = db_key_fields > 0;
  auto position = [&] { return static_cast<std::uint16_t>(x.fields.size() + 1); };
  for (std::size_t i = 0; i < index.fields.size(); ++i) {
    const format::FieldDescriptor& f = db.fields()[static_cast<std::size_t>(index.fields[i])];
    std::uint16_t number = static_cast<std::uint16_t>(index.fields[i] + 1);
    if (index.descending[i]) number |= format::kDescendingFieldBit;
    x.fields.push_back(CopyOf(f, number));
    x.indexed_size += f.size;
  }
  if (x.keyed) {
    for (int k = 0; k < db_key_fields; ++k) x.fields.push_back(CopyOf(db.fields()[static_cast<std::size_t>(k)], position()));
    x.fields.push_back(NewField{FieldType::kShort, 2, "Blk Num", position()});
    x.key_fields = static_cast<int>(x.fields.size()) - 1;
  } else {
    x.fields.push_back(NewField{FieldType::kLong, 4, "Tup No", position()});
    x.fields.push_back(NewField{FieldType::kShort, 2, "Blk Num", position()});
    x.fields.push_back(NewField{FieldType::kShort, 2, "Tup Offset", position()});
    x.key_fields = static_cast<int>(x.fields.size()) - 1;
  }
  for (std::size_t i = 0; i < x.fields.size(); ++i) {
    int size = format::StoredSize(x.fields[i].type, x.fields[i].descriptor_size);
    if (static_cast<int>(i) < x.key_fields) x.key_size += size;
    x.record_size += size;
  }
  return x;
}

SecondaryIndex IndexOfHeader(const format::Header& x, const format::Header& db, const SecondaryFiles& files) {
  SecondaryIndex index;
  index.files = files;
  index.composite = files.composite;
  index.number = files.number;
  index.maintained = format::IsMaintained(x.type());
  index.case_insensitive = (x.options() & format::kOptionCaseInsensitive) != 0;
  index.unique = (x.options() & format::kOptionUnique) != 0;
  const int nf = static_cast<int>(x.fields().size());
  const int m = db.type() == format::FileType::kKeyedData ? nf - 1 - db.key_fields() : nf - 3;
  if (m < 1) ThrowCorrupt(texts::IndexDoesNotFitKey(), files.x);
  for (int i = 0; i < m; ++i) {
    const format::FieldDescriptor& f = x.fields()[static_cast<std::size_t>(i)];
    int position = -1;
    bool descending = false;
    if (x.has_data_header()) {
      position = (f.number & ~format::kDescendingFieldBit) - 1;
      descending = (f.number & format::kDescendingFieldBit) != 0;
    } else {
      position = FindField(db, f.name);
      descending = (x.options() & format::kOptionDescending) != 0;
    }
    if (position < 0 || position >= static_cast<int>(db.fields().size()) ||
        db.fields()[static_cast<std::size_t>(position)].type != f.type ||
        db.fields()[static_cast<std::size_t>(position)].size != f.size) {
      ThrowCorrupt(texts::IndexNamesUnknownField(), files.x);
    }
    index.fields.push_back(position);
    index.descending.push_back(descending);
  }
  index.name = index.composite ? x.index_name() : db.fields()[static_cast<std::size_t>(index.fields[0])].name;
  return index;
}

bool TakesFieldNumberName(const std::string& name, const std::vector<int>& fields, const format::Header& db,
                          bool case_insensitive, bool descending) {
  return fields.size() == 1 && !case_insensitive && !descending &&
         FoldName(db.fields()[static_cast<std::size_t>(fields[0])].name) == FoldName(name);
}

std::string MemberTableName(const std::string& db_table_name, const std::string& extension) {
  std::size_t dot = db_table_name.rfind('.');
  std::string base = dot == std::string::npos ? db_table_name : db_table_name.substr(0, dot);
  return base + "." + extension;
}

}  // namespace engine
