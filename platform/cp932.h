// CP932 (Shift_JIS, Microsoft variant) byte rules and conversions.
//
// Lead bytes are 0x81-0x9F and 0xE0-0xFC; the byte after a lead byte is its trail byte
// (0x40-0x7E, 0x80-0xFC), which may have the value of '\' (0x5C), as in 表 (0x95 0x5C).
// Conversions use the platform's own converter with code page 932 named explicitly
// (MultiByteToWideChar(932) on Windows, iconv "CP932" elsewhere).
#ifndef HINMEI_PLATFORM_CP932_H_
#define HINMEI_PLATFORM_CP932_H_

#include <string>
#include <string_view>

namespace platform {

bool IsLeadByte(unsigned char byte);

// Length in bytes of the character that starts at text[pos]: 2 for a lead byte followed
// by another byte, else 1. A lead byte at the very end counts as one byte.
std::size_t CharLengthAt(std::string_view text, std::size_t pos);

// True when the last character of `text` is the single-byte '\'. The trail byte 0x5C of a
// double-byte character is no delimiter.
bool EndsWithPathDelimiter(std::string_view text);

// True when cutting `text` after `length` bytes would split a double-byte character.
bool CutsDoubleByteChar(std::string_view text, std::size_t length);

// Conversions. An invalid CP932 sequence, or a character CP932 cannot hold, throws
// EConvertError.
std::u16string Cp932ToUtf16(std::string_view cp932);
std::string Utf16ToCp932(std::u16string_view utf16);
std::string Cp932ToUtf8(std::string_view cp932);
std::string Utf8ToCp932(std::string_view utf8);

}  // namespace platform

#endif  // HINMEI_PLATFORM_CP932_H_
