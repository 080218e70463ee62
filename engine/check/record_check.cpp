#include "engine/check/record_check.h"

#include <cmath>
#include <cstring>

#include "engine/format/bytes.h"
#include "engine/format/field_codec.h"

namespace engine {
namespace {

using format::FieldType;

constexpr std::int64_t kLastDay = 3652059;  // 9999-12-31, counted from 0001-01-01 = 1
constexpr std::int64_t kDayMilliseconds = 86400000;

std::int64_t SignedBe32(const char* data) {
  return static_cast<std::int32_t>(format::GetBe32(data) ^ 0x80000000u);
}

bool FiniteDouble(const char* data) {
  std::uint64_t bits = format::GetBe64(data);
  bits = (bits >> 63) ? bits & ~(std::uint64_t{1} << 63) : ~bits;
  double v;
  std::memcpy(&v, &bits, sizeof v);
  return std::isfinite(v);
}

bool PaddedText(const char* data, int size) {
  const char* end = data + size;
  const char* nul = static_cast<const char*>(std::memchr(data, 0, static_cast<std::size_t>(size)));
  if (nul == nullptr) return true;
  for (const char* p = nul; p < end; ++p) {
    if (*p != 0) return false;
  }
  return true;
}

}  // namespace

bool FieldHoldsValue(const format::FieldDescriptor& field, const char* data) {
  if (format::IsBlank(data, field.size)) return true;
  switch (field.type) {
    case FieldType::kAlpha:
      return PaddedText(data, field.size);
    case FieldType::kLogical:
      return static_cast<std::uint8_t>(data[0]) == 0x80 || static_cast<std::uint8_t>(data[0]) == 0x81;
    case FieldType::kDate: {
      const std::int64_t day = SignedBe32(data);
      return day >= 1 && day <= kLastDay;
    }
    case FieldType::kTime: {
      const std::int64_t ms = SignedBe32(data);
      return ms >= 0 && ms < kDayMilliseconds;
    }
    case FieldType::kNumber:
    case FieldType::kMoney:
    case FieldType::kTimestamp:
      return FiniteDouble(data);
    case FieldType::kBcd:
      return (static_cast<std::uint8_t>(data[0]) & 0x40) != 0 &&
             (static_cast<std::uint8_t>(data[0]) & 0x3F) == field.descriptor_size;
    default:
      return true;
  }
}

int FirstUnreadableField(const format::Header& header, const char* record) {
  for (std::size_t i = 0; i < header.fields().size(); ++i) {
    const format::FieldDescriptor& f = header.fields()[i];
    if (!FieldHoldsValue(f, record + f.offset)) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace engine
