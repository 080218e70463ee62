// The table engine's texts, spelled once: every message of an engine error, the parts
// that name what is damaged in a table file, and what the user can do about it. A new
// message is one more line here (and one more entry of the failure catalogue).
#ifndef HINMEI_ENGINE_ENGINE_TEXTS_H_
#define HINMEI_ENGINE_ENGINE_TEXTS_H_

#include "platform/fixed_text.h"

namespace engine::texts {

using platform::Format;

// Tables and fields.
HINMEI_MESSAGE(TableNotFound, "テーブルが見つかりません。")
HINMEI_MESSAGE(NotATable, "テーブル (.DB) のファイルではありません。")
HINMEI_MESSAGE(FieldNotFoundFormat, "項目 '%s' が見つかりません")
HINMEI_MESSAGE(FieldTakesTextOnlyFormat, "項目 '%s' には文字列しか書き込めません。")
HINMEI_MESSAGE(GraphicNotWritable, "グラフィック項目には書き込めません。")
HINMEI_MESSAGE(ValueNotWritableFormat, "値を書き込めません: %s。")
HINMEI_MESSAGE(OpenTable, "開いているテーブルにはこの操作を実行できません。")
HINMEI_MESSAGE(TableNotOpen, "テーブルが開かれていません。")
HINMEI_MESSAGE(NotAppending, "テーブルが追加の状態ではありません。")
HINMEI_MESSAGE(NoTableName, "テーブル名 (TableName) が指定されていません。")
HINMEI_MESSAGE(NoDatabaseName, "データベース名 (DatabaseName) が指定されていません。")
HINMEI_MESSAGE(RowSizeMismatch, "行の長さがテーブルのレコード長と一致しません。")
HINMEI_MESSAGE(TableFull, "テーブルがいっぱいで、これ以上行を追加できません。")
HINMEI_MESSAGE(EncryptedTable, "暗号化されたテーブルには対応していません。")
HINMEI_MESSAGE(FileToMoveNotHeld, "移動するファイルが変更のために確保されていません。")
HINMEI_MESSAGE(ReplacementInOtherFolder, "テーブルは同じフォルダにあるテーブルでしか置き換えられません。")
HINMEI_MESSAGE(BackupFolderNotCreated, "修復の前にテーブルを退避するフォルダを作成できません。")

// Why a value does not fit its field (the part after "値を書き込めません: ").
HINMEI_TEXT(ValueOutOfRangeFormat, "項目 '%s' の範囲を超える値です")
HINMEI_TEXT(WholeNumbersOnlyFormat, "項目 '%s' には整数しか書き込めません")
HINMEI_TEXT(TextTooLongFormat, "%d バイトの文字列は %d バイトの項目 '%s' に収まりません")
HINMEI_TEXT(TextHoldsNulFormat, "項目 '%s' の文字列に NUL 文字があります")
HINMEI_TEXT(TextEndsInsideCharacterFormat, "項目 '%s' の文字列が 2 バイト文字の途中で終わっています")
HINMEI_TEXT(TakesNoTextFormat, "項目 '%s' には文字列を書き込めません")
HINMEI_TEXT(TakesNoLogicalFormat, "項目 '%s' には論理値を書き込めません")
HINMEI_TEXT(TakesNoNumberFormat, "項目 '%s' には数値を書き込めません")
HINMEI_TEXT(NotADecimalFormat, "'%s' は 10 進数ではありません")
HINMEI_TEXT(TooManyDecimalsFormat, "'%s' は小数点以下の桁が多すぎます")
HINMEI_TEXT(TooManyDigitsFormat, "'%s' は桁が多すぎます")

// Keys and indexes.
HINMEI_MESSAGE(KeyViolation, "キーが重複しています。")
HINMEI_TEXT(TwoRowsOneKey, "同じキーの行が 2 つあります。")
HINMEI_TEXT(UniqueIndexKeyTwiceFormat, "一意のインデックス '%s' に同じキーが 2 つ入ります。")
HINMEI_MESSAGE(FieldTwiceInIndexFormat, "項目 '%s' がインデックスに 2 回指定されています。")
HINMEI_MESSAGE(BlobFieldInIndexFormat, "項目 '%s' はメモ項目または BLOB 項目なので、インデックスを作成できません。")
HINMEI_MESSAGE(IndexWithoutFields, "インデックスに項目が指定されていません。")
HINMEI_MESSAGE(PrimaryIndexNotLeading, "主インデックスは、テーブルの先頭の項目にその順序で作成してください。")
HINMEI_MESSAGE(TooManySecondaryIndexes, "テーブルの二次インデックスが多すぎます。")
HINMEI_MESSAGE(SecondaryIndexWithoutName, "二次インデックスには名前が必要です。")
HINMEI_MESSAGE(IndexOrderIncomplete, "インデックスの並べ替えが途中で終わりました。")
HINMEI_MESSAGE(UnsupportedSortOrderFormat, "このテーブルのソート順 '%s' では、文字項目 '%s' にインデックスを作成できません。")

// Memo and BLOB files.
HINMEI_MESSAGE(MemoFileMissing, "テーブルのメモファイル (.MB) が見つかりません。")
HINMEI_MESSAGE(BlobModified, "メモ項目または BLOB 項目が、メモファイル (.MB) の内容と一致しません。")

// Damaged or foreign files: the message, with what is damaged in place of %s.
HINMEI_MESSAGE(CorruptFormat, "テーブルのファイルが壊れています（%s）。")
HINMEI_TEXT(RunsPastHeaderFormat, "%sがヘッダーの外にはみ出しています")
HINMEI_TEXT(FieldDescriptors, "項目の定義")
HINMEI_TEXT(TableNamePointer, "テーブル名のポインタ")
HINMEI_TEXT(FieldNamePointers, "項目名のポインタ")
HINMEI_TEXT(TableNamePart, "テーブル名")
HINMEI_TEXT(FieldNames, "項目名")
HINMEI_TEXT(FieldNumbers, "項目番号")
HINMEI_TEXT(SortOrderId, "ソート順 ID")
HINMEI_TEXT(IndexName, "インデックス名")
HINMEI_TEXT(MisplacedForVersionFormat, "ヘッダーがファイルのバージョン %d に合いません（%sの位置）")
HINMEI_TEXT(TooShortForHeader, "ファイルが短すぎて、テーブルのヘッダーが入っていません")
HINMEI_TEXT(HeaderTooSmall, "ヘッダーの大きさが小さすぎます")
HINMEI_TEXT(HeaderLargerThanFile, "ヘッダーがファイルより大きくなっています")
HINMEI_TEXT(HeaderNotReadWhole, "ヘッダーを最後まで読み込めません")
HINMEI_TEXT(UnknownFileTypeFormat, "ファイルの種類 %d は不明です")
HINMEI_TEXT(UnknownBlockSizeFormat, "ブロックの大きさのコード %d は不明です")
HINMEI_TEXT(UnknownVersionFormat, "ファイルのバージョン %d は不明です")
HINMEI_TEXT(RecordLargerThanBlock, "レコード長がブロックに収まりません")
HINMEI_TEXT(InvalidFieldCountFormat, "項目数 %d は正しくありません")
HINMEI_TEXT(InvalidKeyFieldCount, "キーの項目数が正しくありません")
HINMEI_TEXT(UnkeyedWithKeyFields, "キーのないテーブルにキーの項目数があります")
HINMEI_TEXT(KeyedWithoutKeyFields, "キーのあるテーブルにキーの項目がありません")
HINMEI_TEXT(UnknownFieldTypeFormat, "項目 %d の型 %d は不明です")
HINMEI_TEXT(InvalidFieldSizeFormat, "項目 %d の大きさ %d は正しくありません")
HINMEI_TEXT(FieldSizesMismatch, "項目の大きさの合計がレコード長と一致しません")
HINMEI_TEXT(BlocksMissingFormat, "ヘッダーではブロックが %d 個ですが、ファイルには %d 個しかありません")
HINMEI_TEXT(BlocksNotReadWhole, "ブロックを最後まで読み込めません")
HINMEI_TEXT(BlockPastEndFormat, "ブロック %d がファイルの末尾より後ろにあります")
HINMEI_TEXT(RecordsWithoutFirstBlock, "ヘッダーに行数がありますが、最初のブロックがありません")
HINMEI_TEXT(ChainLeavesFileFormat, "ブロックのつながりがファイルの外のブロック %d を指しています")
HINMEI_TEXT(ChainLoopsFormat, "ブロックのつながりがブロック %d で輪になっています")
HINMEI_TEXT(WrongBackLinkFormat, "ブロック %d の前のブロックが %d ではなく %d になっています")
HINMEI_TEXT(ImpossibleRecordCountFormat, "ブロック %d の行数があり得ない値です")
HINMEI_TEXT(ChainedBlockCountFormat, "つながっているブロックは %d 個ですが、ヘッダーでは %d 個です")
HINMEI_TEXT(WrongLastBlock, "ヘッダーの最後のブロックが正しくありません")
HINMEI_TEXT(RecordCountMismatchFormat, "ブロックの行数は %d ですが、ヘッダーでは %d です")
HINMEI_TEXT(FreeListBrokenFormat, "空きブロックの一覧がブロック %d で壊れています")
HINMEI_TEXT(MemoFileWithoutHeader, "メモファイル (.MB) にヘッダーがありません")
HINMEI_TEXT(IndexDoesNotFitKey, "インデックスがテーブルのキーに合いません")
HINMEI_TEXT(IndexNamesUnknownField, "インデックスがテーブルにない項目を指しています")

// File operations.
HINMEI_MESSAGE(TableInUse, "テーブルが他のプログラムで使用中です。")
HINMEI_MESSAGE(FileOperationFailedFormat, "ファイルの操作に失敗しました（%s）。")
HINMEI_MESSAGE(NetFileUnusableFormat, "ネットワーク制御ファイルを使用できません（%s）。")
HINMEI_MESSAGE(NetFileNotCreatedFormat, "ネットワーク制御ファイルを作成できません（%s）。")
HINMEI_MESSAGE(NetFileNotOpened, "ネットワーク制御ファイルを開けません。")

// Aliases and sessions.
HINMEI_MESSAGE(UnknownAliasFormat, "エイリアス '%s' が見つかりません。")
HINMEI_MESSAGE(AliasWithoutFolderFormat, "エイリアス '%s' にフォルダが指定されていません。")
HINMEI_MESSAGE(AliasStoreDamagedFormat, "エイリアスの設定ファイルの %d 行目が壊れています。")
HINMEI_MESSAGE(AliasStoreFolderNotCreated, "エイリアスの設定ファイルのフォルダを作成できません。")
HINMEI_MESSAGE(InvalidAliasParameterFormat, "'%s' はエイリアスのパラメータとして正しくありません。")
HINMEI_MESSAGE(InvalidAliasNameFormat, "'%s' はエイリアス名として正しくありません。")
HINMEI_MESSAGE(NoSuchSessionFormat, "セッション '%s' はありません。")
HINMEI_MESSAGE(SessionExistsFormat, "セッション '%s' はすでにあります。")

// New tables (test data, the demo medium and the benchmark write them).
HINMEI_MESSAGE(LevelNotCreatableFormat, "レベル %d のテーブルは作成できません。")
HINMEI_MESSAGE(UnknownFieldLetterFormat, "項目 '%s' の型 '%s' は不明です。")
HINMEI_MESSAGE(FieldNameInvalidFormat, "項目名 '%s' が空か、長すぎます。")
HINMEI_MESSAGE(FieldNeedsLevel5Format, "項目 '%s' にはレベル 5 以上のテーブルが必要です。")
HINMEI_MESSAGE(FieldSizeInvalidFormat, "項目 '%s' の大きさ %d は正しくありません。")
HINMEI_MESSAGE(BlockSizeInvalidFormat, "ブロックの大きさ %d KiB はこのレベルでは使えません。")
HINMEI_MESSAGE(FieldCountInvalid, "テーブルの項目は 1 個から 255 個までです。")
HINMEI_MESSAGE(FieldNameTwiceFormat, "項目名 '%s' が 2 回使われています。")
HINMEI_MESSAGE(KeyLongerThanTable, "キーの項目数がテーブルの項目数を超えています。")
HINMEI_MESSAGE(BlobKeyField, "メモ項目と BLOB 項目はキーにできません。")
HINMEI_MESSAGE(RecordTooLargeForBlock, "レコードがこの大きさのブロックに収まりません。")
HINMEI_MESSAGE(ValueCountMismatch, "行には項目ごとに 1 つの値が必要です。")
HINMEI_MESSAGE(RowProblemFormat, "%d 行目の値を書き込めません: %s。")

// What the user can do, on the line after the path.
HINMEI_TEXT(CloseTheApplication, "ケロナを終了してから、もう一度実行してください。")
HINMEI_TEXT(FreeDiskSpace, "ディスクの空き領域を増やしてから、もう一度実行してください。")
HINMEI_TEXT(AllowWriting, "ファイルやフォルダが読み取り専用になっていないか、書き込みが許可されているかを確認してください。")
HINMEI_TEXT(RepairOrNewMedium,
            "ケロナのデータであれば pdxtool check で調べて pdxtool repair で修復し、"
            "インストール媒体のファイルであれば新しい媒体を取り寄せてください。")
HINMEI_TEXT(AskForNewMedium, "インストール媒体のファイルであれば、新しい媒体を取り寄せてください。")
HINMEI_TEXT(DeleteAliasStore, "このファイルを削除してから、もう一度実行してください。")

}  // namespace engine::texts

#endif  // HINMEI_ENGINE_ENGINE_TEXTS_H_
