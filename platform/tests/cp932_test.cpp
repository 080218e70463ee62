#include "platform/cp932.h"

#include <gtest/gtest.h>

#include "platform/exceptions.h"

namespace platform {
namespace {

// 表 is 0x95 0x5C: its trail byte has the value of '\'.
const std::string kHyo = "\x95\x5C";
const std::string kSo = "\x83\x5C";  // ソ

TEST(Cp932Bytes, LeadByteRanges) {
  for (int b : {0x81, 0x9F, 0xE0, 0xFC}) EXPECT_TRUE(IsLeadByte(static_cast<unsigned char>(b))) << b;
  for (int b : {0x00, 0x5C, 0x7F, 0x80, 0xA0, 0xA1, 0xDF, 0xFD, 0xFF}) {
    EXPECT_FALSE(IsLeadByte(static_cast<unsigned char>(b))) << b;
  }
}

TEST(Cp932Bytes, TrailingDelimiterIsJudgedOnTheLastCharacter) {
  EXPECT_TRUE(EndsWithPathDelimiter("C:\\data\\"));
  EXPECT_TRUE(EndsWithPathDelimiter("\\"));
  EXPECT_FALSE(EndsWithPathDelimiter(""));
  EXPECT_FALSE(EndsWithPathDelimiter("C:\\data"));
  EXPECT_FALSE(EndsWithPathDelimiter("C:\\" + kHyo));
  EXPECT_FALSE(EndsWithPathDelimiter(kSo + kHyo));
  EXPECT_TRUE(EndsWithPathDelimiter("C:\\" + kHyo + "\\"));
  // A half-width katakana byte is a character of its own, not a lead byte.
  EXPECT_TRUE(EndsWithPathDelimiter("\xB1\\"));
  // A lead byte directly before a '\' swallows it: the pair is one character.
  EXPECT_FALSE(EndsWithPathDelimiter("a\x95\\"));
}

TEST(Cp932Bytes, CutsInsideDoubleByteCharacter) {
  std::string text = "a" + kHyo + "b";  // a 表 b: bytes a 95 5C b
  EXPECT_FALSE(CutsDoubleByteChar(text, 1));
  EXPECT_TRUE(CutsDoubleByteChar(text, 2));
  EXPECT_FALSE(CutsDoubleByteChar(text, 3));
  EXPECT_FALSE(CutsDoubleByteChar(text, 10));
}

TEST(Cp932Conversion, KnownCharactersBothWays) {
  // 品名マスタ, half-width ｱ, ～ (0x8160, U+FF5E in the Microsoft table), and 表.
  std::string cp932 = "\x95\x69\x96\xBC\x83\x7D\x83\x58\x83\x5E\xB1\x81\x60" + kHyo + "\\";
  std::u16string utf16 = u"品名マスタｱ～表\\";
  EXPECT_EQ(Cp932ToUtf16(cp932), utf16);
  EXPECT_EQ(Utf16ToCp932(utf16), cp932);
  EXPECT_EQ(Cp932ToUtf8(cp932), "品名マスタｱ～表\\");
  EXPECT_EQ(Utf8ToCp932("品名マスタｱ～表\\"), cp932);
  EXPECT_EQ(Cp932ToUtf8(""), "");
}

TEST(Cp932Conversion, InvalidInputIsRefused) {
  EXPECT_THROW(Cp932ToUtf16("abc\x95"), EConvertError);  // lead byte without trail byte
  EXPECT_THROW(Utf8ToCp932("\xF0\x9F\x98\x80"), EConvertError);  // emoji: no CP932 code
  EXPECT_THROW(Utf8ToCp932("\xC3"), EConvertError);              // broken UTF-8
}

}  // namespace
}  // namespace platform
