// Fixed texts: how every layer spells its texts once. Each layer keeps its own texts in
// one header of named texts, written as UTF-8 literals; an accessor converts its text to
// CP932 on first use and returns those bytes afterwards.
//
//   HINMEI_TEXT(Name, "...")     a text of the window or a part of a message
//   HINMEI_MESSAGE(Name, "...")  a message a user can meet (a message box, the failure
//                                box or the error log); the failure catalogue lists each
#ifndef HINMEI_PLATFORM_FIXED_TEXT_H_
#define HINMEI_PLATFORM_FIXED_TEXT_H_

#include <initializer_list>
#include <string>

#include "platform/cp932.h"

#define HINMEI_TEXT(name, utf8)                                   \
  inline const std::string& name() {                              \
    static const std::string text = platform::Utf8ToCp932(utf8);  \
    return text;                                                  \
  }
#define HINMEI_MESSAGE(name, utf8) HINMEI_TEXT(name, utf8)

namespace platform {

// Replaces the first "%d" or "%s" of a CP932 pattern. CP932 trail bytes never take the
// value of '%', so a byte search is safe.
std::string Format(const std::string& pattern, int value);
std::string Format(const std::string& pattern, const std::string& value);
// Replaces the pattern's placeholders ("%d" or "%s") in order, one value each; values
// are not searched again, so a value holding "%s" stays as it is.
std::string Format(const std::string& pattern, std::initializer_list<std::string> values);

}  // namespace platform

#endif  // HINMEI_PLATFORM_FIXED_TEXT_H_
