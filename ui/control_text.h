// The system's CP932 texts on windows and controls.
//
// Shown texts are converted with code page 932 and never fail: a byte sequence that is
// no valid CP932 shows as the converter's default character. Typed texts are read back
// the same way: a character CP932 cannot hold reads as '?', which no file name takes,
// so a folder typed with one is refused later like any other impossible folder.
#ifndef HINMEI_UI_CONTROL_TEXT_H_
#define HINMEI_UI_CONTROL_TEXT_H_

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace ui {

std::wstring ShownText(std::string_view cp932);
std::string TypedText(std::wstring_view wide);
// The exact CP932 bytes of a wide text, or nothing when CP932 cannot hold one of its
// characters.
std::optional<std::string> ExactCp932(std::wstring_view wide);

std::wstring WideWindowText(HWND window);
std::string ControlText(HWND window);
void SetControlText(HWND window, std::string_view cp932);

// The edit box's text as the bytes to store in place of `stored`: `stored` itself while
// the box still shows it unchanged, so that confirming an untouched text keeps bytes
// with a second spelling in CP932 (the NEC and IBM duplicates) or invalid bytes as read.
std::string EditedText(HWND edit, const std::string& stored);

}  // namespace ui

#endif  // HINMEI_UI_CONTROL_TEXT_H_
