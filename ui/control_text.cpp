#include "ui/control_text.h"

namespace ui {
namespace {

constexpr UINT kCodePage932 = 932;

}  // namespace

std::wstring ShownText(std::string_view cp932) {
  if (cp932.empty()) return {};
  int size = static_cast<int>(cp932.size());
  int length = MultiByteToWideChar(kCodePage932, 0, cp932.data(), size, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length > 0 ? length : 0), L'\0');
  if (length > 0) MultiByteToWideChar(kCodePage932, 0, cp932.data(), size, wide.data(), length);
  return wide;
}

std::string TypedText(std::wstring_view wide) {
  if (wide.empty()) return {};
  int size = static_cast<int>(wide.size());
  int length = WideCharToMultiByte(kCodePage932, WC_NO_BEST_FIT_CHARS, wide.data(), size, nullptr,
                                   0, "?", nullptr);
  std::string text(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
  if (length > 0) {
    WideCharToMultiByte(kCodePage932, WC_NO_BEST_FIT_CHARS, wide.data(), size, text.data(), length,
                        "?", nullptr);
  }
  return text;
}

std::optional<std::string> ExactCp932(std::wstring_view wide) {
  if (wide.empty()) return std::string();
  int size = static_cast<int>(wide.size());
  BOOL used_default = FALSE;
  int length = WideCharToMultiByte(kCodePage932, WC_NO_BEST_FIT_CHARS, wide.data(), size, nullptr,
                                   0, nullptr, &used_default);
  if (length <= 0 || used_default) return std::nullopt;
  std::string text(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(kCodePage932, WC_NO_BEST_FIT_CHARS, wide.data(), size, text.data(), length,
                      nullptr, &used_default);
  return text;
}

std::wstring WideWindowText(HWND window) {
  int length = GetWindowTextLengthW(window);
  if (length <= 0) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  int copied = GetWindowTextW(window, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
  return text;
}

std::string ControlText(HWND window) { return TypedText(WideWindowText(window)); }

void SetControlText(HWND window, std::string_view cp932) {
  SetWindowTextW(window, ShownText(cp932).c_str());
}

std::string EditedText(HWND edit, const std::string& stored) {
  std::wstring shown = WideWindowText(edit);
  if (shown == ShownText(stored)) return stored;
  return TypedText(shown);
}

}  // namespace ui
