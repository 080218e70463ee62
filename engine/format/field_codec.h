// Field values in a record. Numbers are stored big-endian with the sign bit flipped, so
// that comparing the bytes compares the values and all-zero bytes mean blank:
//   S, I, +, D, T: two's complement, top bit flipped;
//   N, $, @: IEEE double, top bit set when not negative, every byte inverted when negative;
//   #: byte 0 = sign (80 positive) | 40 (not blank) | decimals, then 32 BCD digits,
//      complemented when negative;  L: 80 false, 81 true;
//   A: text padded with 0x00;  Y: raw bytes.
// Blob fields (M, B, F, O, G) are blob.h's.
#ifndef HINMEI_ENGINE_FORMAT_FIELD_CODEC_H_
#define HINMEI_ENGINE_FORMAT_FIELD_CODEC_H_

#include <cstdint>
#include <optional>
#include <string>

#include "engine/field_value.h"
#include "engine/format/header.h"

namespace engine::format {

bool IsBlank(const char* data, int size);

// The value of a non-blob field: null when blank. A as text without its padding, Y as its
// bytes; S, I, + as integers; N, $, # as numbers; D as days, T as milliseconds and @ as
// its millisecond count (numbers); L as a logical.
FieldValue DecodeField(const FieldDescriptor& field, const char* data);

// Encodes `value` into the field's bytes at `out` (field.size bytes). Answers a sentence
// saying why the field cannot hold the value, or nothing when it was written. Texts go
// into A and Y fields only, and must fit whole: nothing is cut.
std::optional<std::string> EncodeField(const FieldDescriptor& field, const FieldValue& value,
                                       bool dbcs, char* out);

// The BCD bytes of a decimal text ("-12.34") for a field of `decimals` decimals.
std::optional<std::string> EncodeBcdText(const std::string& decimal, int decimals, char* out);

}  // namespace engine::format

#endif  // HINMEI_ENGINE_FORMAT_FIELD_CODEC_H_
