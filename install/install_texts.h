// The install run's texts, spelled once: its refusals (message boxes), the lines it and
// the copies write into the error log, its failures, and the two texts of Label1.
#ifndef HINMEI_INSTALL_INSTALL_TEXTS_H_
#define HINMEI_INSTALL_INSTALL_TEXTS_H_

#include "platform/fixed_text.h"

namespace install::texts {

using platform::Format;

// Label1: the instruction of the window's design, and the text while a run works.
HINMEI_TEXT(Instruction, "インストールする品名マスタ欄にチェックをして、インストールボタンを押してください。")
HINMEI_TEXT(Installing, "インストール中")

// Refusals (message boxes). A text that ends in "\r\n" is followed by a path.
HINMEI_MESSAGE(NoMasterTicked, "品名マスタが選択されていません。インストールする品名マスタ欄にチェックを入れて下さい。")
HINMEI_MESSAGE(ManagementTableMissing, "品名管理ファイルが見つかりません。\r\n")
HINMEI_MESSAGE(TypeFolderMissing, "品種設定ファイルのコピー先フォルダが見つかりません。\r\n")
HINMEI_MESSAGE(MasterAlreadyPresent, "指定したフォルダにすでに品名マスタが存在します。\r\n")
HINMEI_MESSAGE(ToInstallAMaster, "品名マスタをインストールするには")
HINMEI_MESSAGE(GiveAnEmptyFolder, "空のフォルダを指定してください。")
HINMEI_MESSAGE(InvalidFolderName, "フォルダ名に無効な文字が含まれています。\r\n")
HINMEI_MESSAGE(DestinationTooLong, "インストール先のフォルダ名が長すぎます。\r\n")
HINMEI_MESSAGE(LongestDestinationFormat, "フォルダ名は、末尾の \\ を除いて %d 文字までにしてください。")

// Lines of the error log.
HINMEI_MESSAGE(CannotAddPrefix, "品名管理ファイルに")
HINMEI_MESSAGE(CannotAddSuffix, "を追加できません。")
HINMEI_MESSAGE(CodeOver9999, "品名管理ファイルのコードが9999を超えました。")
HINMEI_MESSAGE(ItemMasterSourceMissing, "コピー元の品名マスタが見つかりません。")
HINMEI_MESSAGE(ClassificationSourceMissing, "コピー元の分類ファイルが見つかりません。")
HINMEI_MESSAGE(SetItemSourceMissing, "コピー元のセット品番ファイルが見つかりません。")
HINMEI_MESSAGE(UnitCopyAbandoned, "ファイルのコピーが正常に終了しなかったため、単位ファイルのコピーを中止しました。")
HINMEI_MESSAGE(UnitTableMissing, "使用中の単位ファイルが見つかりません。")
HINMEI_MESSAGE(TypeSourceMissing, "コピー元の品種ファイルが見つかりません。")

// Failures of the run (the failure box).
HINMEI_MESSAGE(CodeNotNumericFormat, "品名管理ファイルの最終行のコード (%s) を数値に変換できません")

}  // namespace install::texts

#endif  // HINMEI_INSTALL_INSTALL_TEXTS_H_
