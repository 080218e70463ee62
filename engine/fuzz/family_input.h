// The input of the family fuzzers: the member files of a table family one after another,
// separated by "HMFZ", in the order of their list of names (an empty part: that member is
// absent). A single file without a separator is the first member alone.
#ifndef HINMEI_ENGINE_FUZZ_FAMILY_INPUT_H_
#define HINMEI_ENGINE_FUZZ_FAMILY_INPUT_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace engine::fuzz {

inline constexpr char kMemberSeparator[] = "HMFZ";

// At most `members` parts; the last takes whatever follows the separator before it.
inline std::vector<std::string> SplitMembers(const std::string& bytes, std::size_t members) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (parts.size() + 1 < members) {
    std::size_t at = bytes.find(kMemberSeparator, start);
    if (at == std::string::npos) break;
    parts.push_back(bytes.substr(start, at - start));
    start = at + sizeof kMemberSeparator - 1;
  }
  parts.push_back(bytes.substr(start));
  return parts;
}

// A fuzzer's input: the member parts, and the control byte that ends it. False for an
// input too short to hold both.
inline bool SplitInput(const std::uint8_t* data, std::size_t size, std::size_t members,
                       std::vector<std::string>* parts, std::uint8_t* control) {
  if (size < 2) return false;
  *control = data[size - 1];
  *parts = SplitMembers(std::string(reinterpret_cast<const char*>(data), size - 1), members);
  return true;
}

}  // namespace engine::fuzz

#endif  // HINMEI_ENGINE_FUZZ_FAMILY_INPUT_H_
