// Field values as pdxtool shows and takes them: UTF-8 text for the console.
#ifndef HINMEI_TOOLS_PDXTOOL_VALUE_TEXT_H_
#define HINMEI_TOOLS_PDXTOOL_VALUE_TEXT_H_

#include <string>

#include "engine/field_value.h"
#include "engine/format/header.h"

namespace pdxtool {

// Table text as UTF-8: CP932 text converted, bytes that do not convert (or any byte
// above 0x7F of a table of another code page) written as \xNN; control characters
// escaped (\r, \n, \t, \xNN).
std::string DisplayText(const std::string& bytes, bool cp932);

// A path or another CP932 text of the system for the console: converted to UTF-8, or as
// DisplayText shows bytes that do not convert.
std::string ConsoleText(const std::string& cp932);

// A value for display: dates as YYYY-MM-DD, times as HH:MM:SS.mmm, logicals as
// true/false, numbers in the shortest exact form, binary data over 64 bytes by its size;
// an empty text for a blank value.
std::string DisplayValue(const engine::format::FieldDescriptor& field, const engine::FieldValue& value,
                         bool cp932);

// A value typed for a field (CP932): whole numbers for S, I, +; decimals for N, $, #;
// YYYY-MM-DD for D; HH:MM:SS for T; true/false for L; text for the others. An empty
// text is a blank value. Throws EDBEngineError for a value the field type cannot take.
engine::FieldValue ParseValue(const engine::format::FieldDescriptor& field, const std::string& text);

}  // namespace pdxtool

#endif  // HINMEI_TOOLS_PDXTOOL_VALUE_TEXT_H_
