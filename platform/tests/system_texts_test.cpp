#include "platform/system_texts.h"

#include <gtest/gtest.h>

#include "platform/exceptions.h"
#include "platform/os_error.h"

namespace {

TEST(SystemTexts, ExactCp932Bytes) {
  // 品名 in kanji, the rest half-width katakana.
  EXPECT_EQ(texts::ApplicationTitle(), "\x95\x69\x96\xBC\xCF\xBD\xC0\xB2\xDD\xBD\xC4\xB0\xD9");
  // Two ASCII spaces after V6, one ideographic space (81 40) before インストール.
  EXPECT_EQ(texts::MainCaption(),
            "\x83\x50\x83\x8D\x83\x69V6  \x95\x69\x96\xBC\x83\x7D\x83\x58\x83\x5E\x81\x40"
            "\x83\x43\x83\x93\x83\x58\x83\x67\x81\x5B\x83\x8B");
  EXPECT_EQ(texts::FontFace(), "\x82\x6C\x82\x72\x20\x82\x6F\x83\x53\x83\x56\x83\x62\x83\x4E");
  EXPECT_EQ(texts::EditorCancel(), "\xB7\xAC\xDD\xBE\xD9");
  // ASCII opening parenthesis, full-width closing one (81 6A).
  const std::string& help = texts::KeyHelp();
  EXPECT_EQ(help.front(), '(');
  EXPECT_EQ(help.substr(help.size() - 2), "\x81\x6A");
  EXPECT_EQ(texts::ManagementTableMissing().substr(texts::ManagementTableMissing().size() - 2), "\r\n");
}

TEST(SystemTexts, FormatReplacesThePlaceholder) {
  EXPECT_EQ(texts::Format(texts::IoErrorFormat(), 1117), "I/O \x83\x47\x83\x89\x81\x5B (1117)");
  EXPECT_EQ(texts::Format(texts::FieldNotFoundFormat(), std::string("fHinban")),
            "\x8D\x80\x96\xDA 'fHinban' \x82\xAA\x8C\xA9\x82\xC2\x82\xA9\x82\xE8\x82\xDC\x82\xB9\x82\xF1");
}

TEST(OsErrorMessages, FixedTextsByCode) {
  EXPECT_EQ(platform::OsErrorMessage(2), texts::FileNotFound());
  EXPECT_EQ(platform::OsErrorMessage(3), texts::PathNotFound());
  EXPECT_EQ(platform::OsErrorMessage(4), texts::TooManyOpenFiles());
  EXPECT_EQ(platform::OsErrorMessage(5), texts::AccessDenied());
  EXPECT_EQ(platform::OsErrorMessage(100), texts::ReadPastEnd());
  EXPECT_EQ(platform::OsErrorMessage(101), texts::DiskFull());
  EXPECT_EQ(platform::OsErrorMessage(112), texts::DiskFull());
  EXPECT_EQ(platform::OsErrorMessage(106), texts::NotNumeric());
  EXPECT_EQ(platform::OsErrorMessage(32), texts::Format(texts::IoErrorFormat(), 32));
  EXPECT_EQ(texts::FileNotFound(), "\x83\x74\x83\x40\x83\x43\x83\x8B\x82\xAA\x8C\xA9\x82\xC2\x82\xA9\x82\xE8\x82\xDC\x82\xB9\x82\xF1");
}

TEST(Exceptions, MessagesOfListAndFileFailures) {
  platform::EListError list(2);
  EXPECT_EQ(list.Message(), texts::Format(texts::ListIndexFormat(), 2));
  EXPECT_EQ(list.Message().substr(list.Message().size() - 4), " (2)");
  platform::EInOutError io(2, "kelo.txt");
  EXPECT_EQ(io.Message(), texts::FileNotFound());
  EXPECT_EQ(io.ErrorCode(), 2);
  EXPECT_EQ(io.Path(), "kelo.txt");
}

}  // namespace
