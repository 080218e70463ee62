#include "platform/system_texts.h"

#include <gtest/gtest.h>

#include "platform/exceptions.h"
#include "platform/os_error.h"

namespace platform {
namespace {

TEST(FixedTexts, FormatReplacesThePlaceholdersInOrder) {
  EXPECT_EQ(Format(texts::IoErrorFormat(), 1117), "I/O \x83\x47\x83\x89\x81\x5B (1117)");
  EXPECT_EQ(Format("%s: %d of %d", {"a%d", "1", "2"}), "a%d: 1 of 2");  // values are not searched again
  EXPECT_EQ(Format("100% %s", {"x"}), "100% x");                        // a lone % stays
  EXPECT_EQ(Format("%s and %s", {"one"}), "one and %s");                // a missing value leaves its placeholder
  EXPECT_EQ(Format("no placeholder", {"x"}), "no placeholder");
}

TEST(OsErrorMessages, FixedTextsByCode) {
  EXPECT_EQ(OsErrorMessage(2), texts::FileNotFound());
  EXPECT_EQ(OsErrorMessage(3), texts::PathNotFound());
  EXPECT_EQ(OsErrorMessage(4), texts::TooManyOpenFiles());
  EXPECT_EQ(OsErrorMessage(5), texts::AccessDenied());
  EXPECT_EQ(OsErrorMessage(100), texts::ReadPastEnd());
  EXPECT_EQ(OsErrorMessage(106), texts::NotNumeric());
  EXPECT_EQ(OsErrorMessage(32), Format(texts::IoErrorFormat(), 32));
  // Windows' disk-full codes read as the runtime's.
  for (int code : {101, 39, 112}) {
    EXPECT_EQ(OsErrorMessage(code), texts::DiskFull()) << code;
    EXPECT_TRUE(IsDiskFull(code)) << code;
  }
  EXPECT_FALSE(IsDiskFull(5));
  EXPECT_TRUE(IsWriteRefused(5));
  EXPECT_TRUE(IsWriteRefused(19));
  EXPECT_FALSE(IsWriteRefused(112));
  EXPECT_EQ(texts::FileNotFound(), "\x83\x74\x83\x40\x83\x43\x83\x8B\x82\xAA\x8C\xA9\x82\xC2\x82\xA9\x82\xE8\x82\xDC\x82\xB9\x82\xF1");
}

TEST(Exceptions, MessagesOfListAndFileFailures) {
  EListError list(2);
  EXPECT_EQ(list.Message(), Format(texts::ListIndexFormat(), 2));
  EXPECT_EQ(list.Message().substr(list.Message().size() - 4), " (2)");
  EInOutError io(2, "kelo.txt");
  EXPECT_EQ(io.Message(), texts::FileNotFound());
  EXPECT_EQ(io.ErrorCode(), 2);
  EXPECT_EQ(io.Path(), "kelo.txt");
}

TEST(Exceptions, ConversionFailuresSayWhatCannotBeConverted) {
  try {
    Cp932ToUtf8("\x81");  // a lead byte without its trail byte
    FAIL() << "no failure";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), Format(texts::UnreadableTextFormat(), std::string("CP932")));
  }
  try {
    Utf8ToCp932("\xF0\x9F\x98\x80");  // an emoji, which CP932 lacks
    FAIL() << "no failure";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), Format(texts::UnrepresentableTextFormat(), std::string("CP932")));
  }
}

}  // namespace
}  // namespace platform
