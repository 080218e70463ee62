#include "platform/system_texts.h"

namespace texts {
namespace {

std::string Replace(const std::string& pattern, const char* placeholder, const std::string& value) {
  std::size_t at = pattern.find(placeholder);
  if (at == std::string::npos) return pattern;
  return pattern.substr(0, at) + value + pattern.substr(at + 2);
}

}  // namespace

std::string Format(const std::string& pattern, int value) {
  return Replace(pattern, "%d", std::to_string(value));
}

std::string Format(const std::string& pattern, const std::string& value) {
  return Replace(pattern, "%s", value);
}

}  // namespace texts
