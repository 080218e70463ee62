// The system's fixed texts, spelled once. The literals are UTF-8 source text; each
// accessor converts its text to CP932 on first use and returns those bytes afterwards.
#ifndef HINMEI_PLATFORM_SYSTEM_TEXTS_H_
#define HINMEI_PLATFORM_SYSTEM_TEXTS_H_

#include <string>

#include "platform/cp932.h"

#define HINMEI_TEXT(name, utf8)                                   \
  inline const std::string& name() {                              \
    static const std::string text = platform::Utf8ToCp932(utf8);  \
    return text;                                                  \
  }

namespace texts {

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
HINMEI_TEXT(Instruction, "インストールする品名マスタ欄にチェックをして、インストールボタンを押してください。")
HINMEI_TEXT(KeyHelp, "(↑↓キーで移動、スペースキーで選択・解除）")
HINMEI_TEXT(InstallButton, "ｲﾝｽﾄｰﾙ(&I)")
HINMEI_TEXT(CancelButton, "ｷｬﾝｾﾙ(&C)")
HINMEI_TEXT(BrowseTitle, "フォルダを選択してください。")
HINMEI_TEXT(LogCaption, "インストールエラー")
HINMEI_TEXT(LogCloseButton, "閉じる(&C)")
HINMEI_TEXT(WarningCaption, "警告")
HINMEI_TEXT(ErrorCaption, "エラー")

// Refusals of the install run (message boxes).
HINMEI_TEXT(NoMasterTicked, "品名マスタが選択されていません。インストールする品名マスタ欄にチェックを入れて下さい。")
HINMEI_TEXT(ManagementTableMissing, "品名管理ファイルが見つかりません。\r\n")
HINMEI_TEXT(TypeFolderMissing, "品種設定ファイルのコピー先フォルダが見つかりません。\r\n")
HINMEI_TEXT(MasterAlreadyPresent, "指定したフォルダにすでに品名マスタが存在します。\r\n")
HINMEI_TEXT(ToInstallAMaster, "品名マスタをインストールするには")
HINMEI_TEXT(GiveAnEmptyFolder, "空のフォルダを指定してください。")
HINMEI_TEXT(InvalidFolderName, "フォルダ名に無効な文字が含まれています。\r\n")
HINMEI_TEXT(Installing, "インストール中")

// Lines of the error log.
HINMEI_TEXT(CannotAddPrefix, "品名管理ファイルに")
HINMEI_TEXT(CannotAddSuffix, "を追加できません。")
HINMEI_TEXT(CodeOver9999, "品名管理ファイルのコードが9999を超えました。")
HINMEI_TEXT(CodeNotNumericFormat, "品名管理ファイルの最終行のコード (%s) を数値に変換できません")
HINMEI_TEXT(ItemMasterSourceMissing, "コピー元の品名マスタが見つかりません。")
HINMEI_TEXT(ClassificationSourceMissing, "コピー元の分類ファイルが見つかりません。")
HINMEI_TEXT(SetItemSourceMissing, "コピー元のセット品番ファイルが見つかりません。")
HINMEI_TEXT(UnitCopyAbandoned, "ファイルのコピーが正常に終了しなかったため、単位ファイルのコピーを中止しました。")
HINMEI_TEXT(UnitTableMissing, "使用中の単位ファイルが見つかりません。")
HINMEI_TEXT(TypeSourceMissing, "コピー元の品種ファイルが見つかりません。")

// File and list failures.
HINMEI_TEXT(FileNotFound, "ファイルが見つかりません")
HINMEI_TEXT(PathNotFound, "ファイル名の指定が間違っています")
HINMEI_TEXT(TooManyOpenFiles, "オープンしたファイルが多すぎます")
HINMEI_TEXT(AccessDenied, "ファイルへのアクセスが拒否されました")
HINMEI_TEXT(ReadPastEnd, "ファイルの末尾以降を読み込みました")
HINMEI_TEXT(DiskFull, "ディスクがいっぱいです")
HINMEI_TEXT(NotNumeric, "入力値が数値ではありません")
HINMEI_TEXT(IoErrorFormat, "I/O エラー (%d)")
HINMEI_TEXT(ListIndexFormat, "リストのインデックスが範囲を超えています (%d)")

// Table engine.
HINMEI_TEXT(FieldNotFoundFormat, "項目 '%s' が見つかりません")
HINMEI_TEXT(TableNotFoundFormat, "Table does not exist: %s")
HINMEI_TEXT(TableInUse, "テーブルが他のプログラムで使用中です。ケロナを終了してから、もう一度実行してください。")

}  // namespace texts

#undef HINMEI_TEXT

namespace texts {

// Replaces the first "%d" or "%s" of a CP932 pattern. CP932 trail bytes never take the
// value of '%', so a byte search is safe.
std::string Format(const std::string& pattern, int value);
std::string Format(const std::string& pattern, const std::string& value);

}  // namespace texts

#endif  // HINMEI_PLATFORM_SYSTEM_TEXTS_H_
