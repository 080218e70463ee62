// The operating system's texts: the fixed messages of file failures by error code, of a
// list index out of range, and of text that no code page conversion can carry.
#ifndef HINMEI_PLATFORM_SYSTEM_TEXTS_H_
#define HINMEI_PLATFORM_SYSTEM_TEXTS_H_

#include "platform/fixed_text.h"

namespace platform::texts {

using platform::Format;

// File failures, by operating-system or runtime I/O code.
HINMEI_MESSAGE(FileNotFound, "ファイルが見つかりません")
HINMEI_MESSAGE(PathNotFound, "ファイル名の指定が間違っています")
HINMEI_MESSAGE(TooManyOpenFiles, "オープンしたファイルが多すぎます")
HINMEI_MESSAGE(AccessDenied, "ファイルへのアクセスが拒否されました")
HINMEI_MESSAGE(ReadPastEnd, "ファイルの末尾以降を読み込みました")
HINMEI_MESSAGE(DiskFull, "ディスクがいっぱいです")
HINMEI_MESSAGE(NotNumeric, "入力値が数値ではありません")
HINMEI_MESSAGE(IoErrorFormat, "I/O エラー (%d)")

// List failures.
HINMEI_MESSAGE(ListIndexFormat, "リストのインデックスが範囲を超えています (%d)")

// Texts that the code page conversion cannot carry (a catalogue or a path with bytes
// that are no CP932 character, a name with characters CP932 lacks).
HINMEI_MESSAGE(UnreadableTextFormat, "文字コード %s の文字として読めないバイトがあります。")
HINMEI_MESSAGE(UnrepresentableTextFormat, "文字コード %s で表せない文字があります。")
HINMEI_MESSAGE(ConversionUnavailableFormat, "文字コード %s から %s への変換を利用できません。")

}  // namespace platform::texts

#endif  // HINMEI_PLATFORM_SYSTEM_TEXTS_H_
