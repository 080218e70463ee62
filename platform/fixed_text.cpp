#include "platform/fixed_text.h"

namespace platform {

std::string Format(const std::string& pattern, int value) { return Format(pattern, {std::to_string(value)}); }

std::string Format(const std::string& pattern, const std::string& value) { return Format(pattern, {value}); }

std::string Format(const std::string& pattern, std::initializer_list<std::string> values) {
  std::string out;
  auto next = values.begin();
  std::size_t at = 0;
  while (next != values.end()) {
    std::size_t found = pattern.find('%', at);
    if (found == std::string::npos || found + 1 >= pattern.size()) break;
    char kind = pattern[found + 1];
    out.append(pattern, at, found - at);
    if (kind == 'd' || kind == 's') {
      out += *next++;
    } else {
      out.append(pattern, found, 2);
    }
    at = found + 2;
  }
  out.append(pattern, at, std::string::npos);
  return out;
}

}  // namespace platform
