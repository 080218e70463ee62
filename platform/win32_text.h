// CP932 <-> UTF-16 at the Windows calls (Windows builds only).
#ifndef HINMEI_PLATFORM_WIN32_TEXT_H_
#define HINMEI_PLATFORM_WIN32_TEXT_H_

#include <string>
#include <string_view>

namespace platform {

// CP932 bytes to the wide text of the W functions; EConvertError on an invalid sequence.
std::wstring Wide(std::string_view cp932);
// Wide text back to CP932; EConvertError for a character CP932 cannot hold.
std::string Narrow(std::wstring_view wide);

}  // namespace platform

#endif  // HINMEI_PLATFORM_WIN32_TEXT_H_
