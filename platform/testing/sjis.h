// The CP932 bytes of a UTF-8 literal, for the tests of every layer.
#ifndef HINMEI_PLATFORM_TESTING_SJIS_H_
#define HINMEI_PLATFORM_TESTING_SJIS_H_

#include <string>

#include "platform/cp932.h"

namespace platform::testing {

inline std::string Sjis(const std::string& utf8) { return Utf8ToCp932(utf8); }

}  // namespace platform::testing

#endif  // HINMEI_PLATFORM_TESTING_SJIS_H_
