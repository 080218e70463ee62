// The window's texts, spelled once: the application title, the captions and labels of
// the main window and the error-log window, the message boxes' captions and the folder
// browser's title.
#ifndef HINMEI_UI_UI_TEXTS_H_
#define HINMEI_UI_UI_TEXTS_H_

#include "platform/fixed_text.h"

namespace ui::texts {

// Program and windows.
HINMEI_TEXT(ApplicationTitle, "品名ﾏｽﾀｲﾝｽﾄｰﾙ")
HINMEI_TEXT(MainCaption, "ケロナV6  品名マスタ　インストール")
HINMEI_TEXT(FontFace, "ＭＳ Ｐゴシック")
HINMEI_TEXT(ManagementFolderLabel, "品名マスタ管理ファイルの場所 (DATA0_V5)")
HINMEI_TEXT(DefaultManagementFolder, "C:\\kelo_v6\\data0_v6")
HINMEI_TEXT(BrowseButton, "参照...")
HINMEI_TEXT(ReplaceTypeTableCheck, "品種設定ファイルをコピーして入れかえる")
HINMEI_TEXT(TypeFolderLabel, "品種設定ファイルの場所 (DATA1_V6)")
HINMEI_TEXT(DefaultTypeFolder, "C:\\kelo_v6\\data1_v6")
HINMEI_TEXT(ColumnNumber, "No.")
HINMEI_TEXT(ColumnName, "名称")
HINMEI_TEXT(ColumnDestination, "インストール先")
HINMEI_TEXT(EditorOk, "OK")
HINMEI_TEXT(EditorCancel, "ｷｬﾝｾﾙ")
HINMEI_TEXT(SelectAll, "全て選択")
HINMEI_TEXT(DeselectAll, "全て解除")
HINMEI_TEXT(KeyHelp, "(↑↓キーで移動、スペースキーで選択・解除）")
HINMEI_TEXT(InstallButton, "ｲﾝｽﾄｰﾙ(&I)")
HINMEI_TEXT(CancelButton, "ｷｬﾝｾﾙ(&C)")
HINMEI_TEXT(BrowseTitle, "フォルダを選択してください。")
HINMEI_TEXT(LogCaption, "インストールエラー")
HINMEI_TEXT(LogCloseButton, "閉じる(&C)")
HINMEI_TEXT(WarningCaption, "警告")
HINMEI_TEXT(ErrorCaption, "エラー")

}  // namespace ui::texts

#endif  // HINMEI_UI_UI_TEXTS_H_
