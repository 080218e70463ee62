#include "engine/format/field_type.h"

namespace engine::format {
namespace {

struct TypeInfo {
  FieldType type;
  char letter;
  int fixed_size;  // 0 when the descriptor gives the size
};

constexpr TypeInfo kTypes[] = {
    {FieldType::kAlpha, 'A', 0},        {FieldType::kDate, 'D', 4},
    {FieldType::kShort, 'S', 2},        {FieldType::kLong, 'I', 4},
    {FieldType::kMoney, '$', 8},        {FieldType::kNumber, 'N', 8},
    {FieldType::kLogical, 'L', 1},      {FieldType::kMemo, 'M', 0},
    {FieldType::kBlob, 'B', 0},         {FieldType::kFormattedMemo, 'F', 0},
    {FieldType::kOle, 'O', 0},          {FieldType::kGraphic, 'G', 0},
    {FieldType::kTime, 'T', 4},         {FieldType::kTimestamp, '@', 8},
    {FieldType::kAutoIncrement, '+', 4}, {FieldType::kBcd, '#', kBcdStoredSize},
    {FieldType::kBytes, 'Y', 0},
};

const TypeInfo& Info(FieldType type) {
  for (const TypeInfo& info : kTypes) {
    if (info.type == type) return info;
  }
  return kTypes[0];
}

}  // namespace

std::optional<FieldType> FieldTypeOf(std::uint8_t code) {
  for (const TypeInfo& info : kTypes) {
    if (static_cast<std::uint8_t>(info.type) == code) return info.type;
  }
  return std::nullopt;
}

int StoredSize(FieldType type, int descriptor_size) {
  int fixed = Info(type).fixed_size;
  return fixed != 0 ? fixed : descriptor_size;
}

bool ValidDescriptorSize(FieldType type, int size) {
  switch (type) {
    case FieldType::kAlpha:
    case FieldType::kBytes:
      return size >= 1 && size <= 255;
    case FieldType::kMemo:
      return size >= kBlobDescriptorSize + 1 && size <= 250;
    case FieldType::kBlob:
    case FieldType::kFormattedMemo:
    case FieldType::kOle:
    case FieldType::kGraphic:
      return size >= kBlobDescriptorSize && size <= 250;
    case FieldType::kBcd:
      return size >= 0 && size <= 32;
    default:
      return size == Info(type).fixed_size;
  }
}

bool IsBlob(FieldType type) {
  return type == FieldType::kMemo || type == FieldType::kBlob ||
         type == FieldType::kFormattedMemo || type == FieldType::kOle ||
         type == FieldType::kGraphic;
}

char TypeLetter(FieldType type) { return Info(type).letter; }

std::optional<FieldType> FieldTypeOfLetter(char letter) {
  if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
  for (const TypeInfo& info : kTypes) {
    if (info.letter == letter) return info.type;
  }
  return std::nullopt;
}

}  // namespace engine::format
