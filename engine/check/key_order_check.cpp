#include "engine/check/key_order_check.h"

#include <cstring>

#include "engine/index/collation.h"

namespace engine {
namespace {

// The field of the record in which two keys first differ; -1 when they are equal.
int FirstDifferingField(const format::Header& h, const char* a, const char* b, int key_size) {
  for (std::size_t i = 0; i < h.fields().size(); ++i) {
    const format::FieldDescriptor& f = h.fields()[i];
    if (f.offset >= key_size) break;
    if (std::memcmp(a + f.offset, b + f.offset, static_cast<std::size_t>(f.size)) != 0) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace

KeyOrderResult CheckKeyOrder(const MemberFile& m, int key_size, const std::vector<int>& fields) {
  const format::Header& h = m.header();
  const Collation collation = CollationOf(h);
  bool alpha = false;
  for (int f : fields) alpha = alpha || h.fields()[static_cast<std::size_t>(f)].type == format::FieldType::kAlpha;
  if (alpha && !collation.bytewise) return KeyOrderResult{KeyOrder::kNotChecked, 0};
  for (std::size_t i = 1; i < m.size(); ++i) {
    if (std::memcmp(m.record(i - 1), m.record(i), static_cast<std::size_t>(key_size)) < 0) continue;
    int field = FirstDifferingField(h, m.record(i - 1), m.record(i), key_size);
    bool text = field >= 0 && h.fields()[static_cast<std::size_t>(field)].type == format::FieldType::kAlpha;
    return KeyOrderResult{text && collation.dbcs ? KeyOrder::kOtherCollation : KeyOrder::kOutOfOrder, i};
  }
  return KeyOrderResult{};
}

}  // namespace engine
