// Conversions through iconv's "CP932" (glibc's table of the Microsoft variant).
#include <errno.h>
#include <iconv.h>

#include <memory>
#include <string>

#include "platform/cp932.h"
#include "platform/exceptions.h"
#include "platform/system_texts.h"

namespace platform {
namespace {

std::string Convert(const char* to, const char* from, const char* data, std::size_t size) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    throw EConvertError(Format(texts::ConversionUnavailableFormat(), {from, to}));
  }
  std::unique_ptr<void, int (*)(iconv_t)> guard(cd, iconv_close);
  std::string out(size * 4 + 4, '\0');
  char* in_ptr = const_cast<char*>(data);
  std::size_t in_left = size;
  char* out_ptr = out.data();
  std::size_t out_left = out.size();
  while (in_left > 0) {
    if (iconv(cd, &in_ptr, &in_left, &out_ptr, &out_left) == static_cast<std::size_t>(-1)) {
      if (errno == E2BIG) {
        std::size_t used = out.size() - out_left;
        out.resize(out.size() * 2);
        out_ptr = out.data() + used;
        out_left = out.size() - used;
        continue;
      }
      // Bytes that are no character of the source, or a character the target lacks.
      bool unreadable = std::string_view(to) != "CP932";
      throw EConvertError(unreadable ? Format(texts::UnreadableTextFormat(), std::string(from))
                                     : Format(texts::UnrepresentableTextFormat(), std::string(to)));
    }
  }
  out.resize(out.size() - out_left);
  return out;
}

}  // namespace

std::u16string Cp932ToUtf16(std::string_view cp932) {
  std::string bytes = Convert("UTF-16LE", "CP932", cp932.data(), cp932.size());
  std::u16string out(bytes.size() / 2, u'\0');
  for (std::size_t i = 0; i < out.size(); ++i) {
    out[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                   static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
  }
  return out;
}

std::string Utf16ToCp932(std::u16string_view utf16) {
  std::string bytes(utf16.size() * 2, '\0');
  for (std::size_t i = 0; i < utf16.size(); ++i) {
    bytes[2 * i] = static_cast<char>(utf16[i] & 0xFF);
    bytes[2 * i + 1] = static_cast<char>(utf16[i] >> 8);
  }
  return Convert("CP932", "UTF-16LE", bytes.data(), bytes.size());
}

std::string Cp932ToUtf8(std::string_view cp932) {
  return Convert("UTF-8", "CP932", cp932.data(), cp932.size());
}

std::string Utf8ToCp932(std::string_view utf8) {
  return Convert("CP932", "UTF-8", utf8.data(), utf8.size());
}

}  // namespace platform
