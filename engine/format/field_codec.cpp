#include "engine/format/field_codec.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "engine/engine_texts.h"
#include "engine/format/bytes.h"
#include "platform/cp932.h"

namespace engine::format {
namespace {

constexpr int kBcdDigits = 32;

std::uint64_t DoubleBits(double v) {
  std::uint64_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  return bits;
}

double BitsDouble(std::uint64_t bits) {
  double v;
  std::memcpy(&v, &bits, sizeof v);
  return v;
}

void PutDouble(double v, char* out) {
  std::uint64_t bits = DoubleBits(v);
  bits = (bits >> 63) ? ~bits : bits | (std::uint64_t{1} << 63);
  PutBe64(out, bits);
}

double GetDouble(const char* data) {
  std::uint64_t bits = GetBe64(data);
  bits = (bits >> 63) ? bits & ~(std::uint64_t{1} << 63) : ~bits;
  return BitsDouble(bits);
}

std::int64_t SignedBe(const char* data, int size) {
  if (size == 2) return static_cast<std::int16_t>(GetBe16(data) ^ 0x8000);
  return static_cast<std::int32_t>(GetBe32(data) ^ 0x80000000u);
}

double DecodeBcd(const char* data) {
  auto head = static_cast<std::uint8_t>(data[0]);
  bool negative = (head & 0x80) == 0;
  int decimals = head & 0x3F;
  double value = 0;
  for (int i = 0; i < kBcdDigits; ++i) {
    int nibble = (static_cast<std::uint8_t>(data[1 + i / 2]) >> (i % 2 == 0 ? 4 : 0)) & 0x0F;
    if (negative) nibble = 0x0F - nibble;
    value = value * 10 + nibble;
  }
  value /= std::pow(10.0, decimals);
  return negative ? -value : value;
}

std::string TooBig(const FieldDescriptor& f) {
  return texts::Format(texts::ValueOutOfRangeFormat(), f.name);
}

std::optional<std::string> EncodeInteger(const FieldDescriptor& f, std::int64_t v, char* out) {
  switch (f.type) {
    case FieldType::kShort:
      if (v < -32767 || v > 32767) return TooBig(f);
      PutBe16(out, static_cast<std::uint16_t>(static_cast<std::uint16_t>(v) ^ 0x8000));
      return std::nullopt;
    case FieldType::kLong:
    case FieldType::kAutoIncrement:
    case FieldType::kDate:
    case FieldType::kTime:
      if (v < -2147483647 || v > 2147483647) return TooBig(f);
      if (f.type == FieldType::kTime && (v < 0 || v >= 86400000)) return TooBig(f);
      PutBe32(out, static_cast<std::uint32_t>(v) ^ 0x80000000u);
      return std::nullopt;
    case FieldType::kNumber:
    case FieldType::kMoney:
    case FieldType::kTimestamp:
      PutDouble(static_cast<double>(v), out);
      return std::nullopt;
    case FieldType::kBcd:
      return EncodeBcdText(std::to_string(v), f.descriptor_size, out);
    default:
      return std::nullopt;
  }
}

std::optional<std::string> EncodeNumber(const FieldDescriptor& f, double v, char* out) {
  if (!std::isfinite(v)) return TooBig(f);
  switch (f.type) {
    case FieldType::kNumber:
    case FieldType::kMoney:
    case FieldType::kTimestamp:
      PutDouble(v, out);
      return std::nullopt;
    case FieldType::kBcd: {
      char text[400];
      std::snprintf(text, sizeof text, "%.*f", f.descriptor_size, v);
      return EncodeBcdText(text, f.descriptor_size, out);
    }
    default:
      if (v != std::floor(v)) return texts::Format(texts::WholeNumbersOnlyFormat(), f.name);
      return EncodeInteger(f, static_cast<std::int64_t>(v), out);
  }
}

std::optional<std::string> EncodeText(const FieldDescriptor& f, const std::string& text, bool dbcs,
                                      char* out) {
  if (text.size() > static_cast<std::size_t>(f.size)) {
    return texts::Format(texts::TextTooLongFormat(), {std::to_string(text.size()), std::to_string(f.size), f.name});
  }
  if (f.type == FieldType::kAlpha) {
    if (text.find('\0') != std::string::npos) return texts::Format(texts::TextHoldsNulFormat(), f.name);
    if (dbcs && !text.empty()) {
      std::size_t pos = 0;
      while (pos < text.size()) {
        std::size_t n = platform::CharLengthAt(text, pos);
        if (n == 1 && platform::IsLeadByte(static_cast<unsigned char>(text[pos]))) {
          return texts::Format(texts::TextEndsInsideCharacterFormat(), f.name);
        }
        pos += n;
      }
    }
  }
  std::memset(out, 0, static_cast<std::size_t>(f.size));
  std::memcpy(out, text.data(), text.size());
  return std::nullopt;
}

}  // namespace

bool IsBlank(const char* data, int size) {
  for (int i = 0; i < size; ++i) {
    if (data[i] != 0) return false;
  }
  return true;
}

FieldValue DecodeField(const FieldDescriptor& f, const char* data) {
  if (IsBlank(data, f.size)) return FieldValue();
  switch (f.type) {
    case FieldType::kAlpha: {
      std::size_t n = 0;
      while (n < static_cast<std::size_t>(f.size) && data[n] != 0) ++n;
      return FieldValue::Text(std::string(data, n));
    }
    case FieldType::kBytes:
      return FieldValue::Text(std::string(data, static_cast<std::size_t>(f.size)));
    case FieldType::kShort:
    case FieldType::kLong:
    case FieldType::kAutoIncrement:
      return FieldValue::Integer(SignedBe(data, f.size));
    case FieldType::kDate:
    case FieldType::kTime:
      return FieldValue::Number(static_cast<double>(SignedBe(data, f.size)));
    case FieldType::kNumber:
    case FieldType::kMoney:
    case FieldType::kTimestamp:
      return FieldValue::Number(GetDouble(data));
    case FieldType::kBcd:
      return FieldValue::Number(DecodeBcd(data));
    case FieldType::kLogical:
      return FieldValue::Logical((static_cast<std::uint8_t>(data[0]) & 0x7F) != 0);
    default:
      return FieldValue();
  }
}

std::optional<std::string> EncodeField(const FieldDescriptor& f, const FieldValue& value, bool dbcs,
                                       char* out) {
  if (value.IsNull()) {
    std::memset(out, 0, static_cast<std::size_t>(f.size));
    return std::nullopt;
  }
  bool text_field = f.type == FieldType::kAlpha || f.type == FieldType::kBytes;
  if (value.IsText()) {
    if (!text_field) return texts::Format(texts::TakesNoTextFormat(), f.name);
    return EncodeText(f, value.text(), dbcs, out);
  }
  if (value.IsLogical()) {
    if (f.type != FieldType::kLogical) return texts::Format(texts::TakesNoLogicalFormat(), f.name);
    out[0] = static_cast<char>(value.logical() ? 0x81 : 0x80);
    return std::nullopt;
  }
  if (f.type == FieldType::kAlpha) {
    return EncodeText(f, value.IsInteger() ? std::to_string(value.integer()) : std::to_string(value.number()),
                      dbcs, out);
  }
  if (text_field || f.type == FieldType::kLogical || IsBlob(f.type)) {
    return texts::Format(texts::TakesNoNumberFormat(), f.name);
  }
  return value.IsInteger() ? EncodeInteger(f, value.integer(), out) : EncodeNumber(f, value.number(), out);
}

std::optional<std::string> EncodeBcdText(const std::string& decimal, int decimals, char* out) {
  bool negative = !decimal.empty() && decimal[0] == '-';
  std::string int_part, frac_part;
  bool in_frac = false;
  for (std::size_t i = negative ? 1 : 0; i < decimal.size(); ++i) {
    char c = decimal[i];
    if (c == '.' && !in_frac) {
      in_frac = true;
    } else if (c >= '0' && c <= '9') {
      (in_frac ? frac_part : int_part) += c;
    } else {
      return texts::Format(texts::NotADecimalFormat(), decimal);
    }
  }
  if (frac_part.size() > static_cast<std::size_t>(decimals)) return texts::Format(texts::TooManyDecimalsFormat(), decimal);
  frac_part.resize(static_cast<std::size_t>(decimals), '0');
  std::size_t first = int_part.find_first_not_of('0');
  int_part = first == std::string::npos ? "" : int_part.substr(first);
  std::string digits = int_part + frac_part;
  if (digits.size() > static_cast<std::size_t>(kBcdDigits)) return texts::Format(texts::TooManyDigitsFormat(), decimal);
  digits.insert(0, static_cast<std::size_t>(kBcdDigits) - digits.size(), '0');
  if (digits.find_first_not_of('0') == std::string::npos) negative = false;
  out[0] = static_cast<char>((negative ? 0x40 : 0xC0) | decimals);
  for (int i = 0; i < kBcdDigits; i += 2) {
    int hi = digits[static_cast<std::size_t>(i)] - '0';
    int lo = digits[static_cast<std::size_t>(i) + 1] - '0';
    if (negative) {
      hi = 0x0F - hi;
      lo = 0x0F - lo;
    }
    out[1 + i / 2] = static_cast<char>(hi << 4 | lo);
  }
  return std::nullopt;
}

}  // namespace engine::format
