// The texts the window shows, byte for byte in CP932 as the design spells them; the
// engine's and the install run's texts are CP932 of the same kind.
#include <gtest/gtest.h>

#include "engine/engine_texts.h"
#include "install/install_texts.h"
#include "ui/ui_texts.h"

namespace {

TEST(WindowTexts, ExactCp932Bytes) {
  // 品名 in kanji, the rest half-width katakana.
  EXPECT_EQ(ui::texts::ApplicationTitle(), "\x95\x69\x96\xBC\xCF\xBD\xC0\xB2\xDD\xBD\xC4\xB0\xD9");
  // Two ASCII spaces after V6, one ideographic space (81 40) before インストール.
  EXPECT_EQ(ui::texts::MainCaption(),
            "\x83\x50\x83\x8D\x83\x69V6  \x95\x69\x96\xBC\x83\x7D\x83\x58\x83\x5E\x81\x40"
            "\x83\x43\x83\x93\x83\x58\x83\x67\x81\x5B\x83\x8B");
  EXPECT_EQ(ui::texts::FontFace(), "\x82\x6C\x82\x72\x20\x82\x6F\x83\x53\x83\x56\x83\x62\x83\x4E");
  EXPECT_EQ(ui::texts::EditorCancel(), "\xB7\xAC\xDD\xBE\xD9");
  // ASCII opening parenthesis, full-width closing one (81 6A).
  const std::string& help = ui::texts::KeyHelp();
  EXPECT_EQ(help.front(), '(');
  EXPECT_EQ(help.substr(help.size() - 2), "\x81\x6A");
}

TEST(InstallTexts, ExactCp932Bytes) {
  EXPECT_EQ(install::texts::ManagementTableMissing().substr(install::texts::ManagementTableMissing().size() - 2),
            "\r\n");
  // 項目 'fHinban' が見つかりません: no "." of its own, and no path after it.
  EXPECT_EQ(engine::texts::Format(engine::texts::FieldNotFoundFormat(), std::string("fHinban")),
            "\x8D\x80\x96\xDA 'fHinban' \x82\xAA\x8C\xA9\x82\xC2\x82\xA9\x82\xE8\x82\xDC\x82\xB9\x82\xF1");
  // The "\" of the longest-destination text is the one byte 0x5C.
  EXPECT_NE(install::texts::LongestDestinationFormat().find(" \\ "), std::string::npos);
}

}  // namespace
