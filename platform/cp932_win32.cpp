// Conversions through Windows' own code page 932 tables, named explicitly so that the
// program behaves the same whatever the system's ANSI code page is.
#include <windows.h>

#include <string>

#include "platform/cp932.h"
#include "platform/exceptions.h"
#include "platform/system_texts.h"
#include "platform/win32_text.h"

namespace platform {
namespace {

constexpr UINT kCodePage932 = 932;

std::string CodePageName(UINT code_page) { return code_page == CP_UTF8 ? "UTF-8" : "CP" + std::to_string(code_page); }

std::wstring ToWide(UINT code_page, std::string_view text) {
  if (text.empty()) return {};
  int length = MultiByteToWideChar(code_page, MB_ERR_INVALID_CHARS, text.data(),
                                   static_cast<int>(text.size()), nullptr, 0);
  if (length <= 0) {
    throw EConvertError(Format(texts::UnreadableTextFormat(), CodePageName(code_page)));
  }
  std::wstring out(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(code_page, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()),
                      out.data(), length);
  return out;
}

std::string FromWide(UINT code_page, std::wstring_view text) {
  if (text.empty()) return {};
  BOOL used_default = FALSE;
  // Code page 65001 takes neither flag nor default-character argument.
  DWORD flags = code_page == CP_UTF8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
  BOOL* used_default_arg = code_page == CP_UTF8 ? nullptr : &used_default;
  int length = WideCharToMultiByte(code_page, flags, text.data(), static_cast<int>(text.size()),
                                   nullptr, 0, nullptr, used_default_arg);
  if (length <= 0 || used_default) {
    throw EConvertError(Format(texts::UnrepresentableTextFormat(), CodePageName(code_page)));
  }
  std::string out(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(code_page, flags, text.data(), static_cast<int>(text.size()), out.data(),
                      length, nullptr, used_default_arg);
  return out;
}

std::u16string AsUtf16(const std::wstring& wide) { return {wide.begin(), wide.end()}; }
std::wstring AsWide(std::u16string_view utf16) { return {utf16.begin(), utf16.end()}; }

}  // namespace

std::wstring Wide(std::string_view cp932) { return ToWide(kCodePage932, cp932); }
std::string Narrow(std::wstring_view wide) { return FromWide(kCodePage932, wide); }

std::u16string Cp932ToUtf16(std::string_view cp932) { return AsUtf16(Wide(cp932)); }
std::string Utf16ToCp932(std::u16string_view utf16) { return Narrow(AsWide(utf16)); }

std::string Cp932ToUtf8(std::string_view cp932) { return FromWide(CP_UTF8, Wide(cp932)); }
std::string Utf8ToCp932(std::string_view utf8) { return Narrow(ToWide(CP_UTF8, utf8)); }

}  // namespace platform
