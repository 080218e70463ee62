// Field types of a Paradox table and their stored sizes.
#ifndef HINMEI_ENGINE_FORMAT_FIELD_TYPE_H_
#define HINMEI_ENGINE_FORMAT_FIELD_TYPE_H_

#include <cstdint>
#include <optional>

namespace engine::format {

enum class FieldType : std::uint8_t {
  kAlpha = 0x01,          // A: text in the table's code page, padded with 0x00
  kDate = 0x02,           // D: days, 0001-01-01 = 1
  kShort = 0x03,          // S
  kLong = 0x04,           // I
  kMoney = 0x05,          // $: as N
  kNumber = 0x06,         // N: IEEE double
  kLogical = 0x09,        // L
  kMemo = 0x0C,           // M: leader + blob descriptor
  kBlob = 0x0D,           // B
  kFormattedMemo = 0x0E,  // F
  kOle = 0x0F,            // O
  kGraphic = 0x10,        // G
  kTime = 0x14,           // T: milliseconds since midnight
  kTimestamp = 0x15,      // @: days x 86,400,000 + milliseconds, as a double
  kAutoIncrement = 0x16,  // +: as I
  kBcd = 0x17,            // #: 17 bytes; the descriptor size holds the decimals
  kBytes = 0x18,          // Y: raw bytes
};

inline constexpr int kBcdStoredSize = 17;
inline constexpr int kBlobDescriptorSize = 10;

// The field type of a descriptor's type byte; nothing for an unknown byte.
std::optional<FieldType> FieldTypeOf(std::uint8_t code);

// Bytes the field takes in a record.
int StoredSize(FieldType type, int descriptor_size);

// Whether a descriptor size is allowed for the type.
bool ValidDescriptorSize(FieldType type, int descriptor_size);

bool IsBlob(FieldType type);
// The letter Paradox shows for the type ('A', 'N', '+', ...).
char TypeLetter(FieldType type);
std::optional<FieldType> FieldTypeOfLetter(char letter);

}  // namespace engine::format

#endif  // HINMEI_ENGINE_FORMAT_FIELD_TYPE_H_
