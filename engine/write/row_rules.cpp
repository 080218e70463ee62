#include "engine/write/row_rules.h"

#include "engine/format/bytes.h"
#include "engine/format/field_codec.h"

namespace engine {

void NumberAutoIncrement(format::Header& db, char* record) {
  auto last = static_cast<std::int32_t>(db.U32(format::off::kAutoInc));
  for (const format::FieldDescriptor& f : db.fields()) {
    if (f.type != format::FieldType::kAutoIncrement) continue;
    char* p = record + f.offset;
    if (format::IsBlank(p, f.size)) {
      ++last;
      format::PutBe32(p, static_cast<std::uint32_t>(last) ^ 0x80000000u);
    } else {
      auto value = static_cast<std::int32_t>(format::GetBe32(p) ^ 0x80000000u);
      if (value > last) last = value;
    }
  }
  db.SetU32(format::off::kAutoInc, static_cast<std::uint32_t>(last));
}

}  // namespace engine
