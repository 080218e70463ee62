#include "engine/write/temporary_names.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <random>

#include "engine/family.h"

namespace engine {
namespace {

constexpr char kPrefix[] = "~HM";
constexpr std::size_t kTokenLength = 8;
constexpr char kRecordExtension[] = "JNL";
constexpr char kClaimExtension[] = "CLM";

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }

}  // namespace

std::string NewToken() {
  std::uint64_t seed = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
  try {
    std::random_device device;
    seed ^= static_cast<std::uint64_t>(device()) << 32 | device();
  } catch (...) {
    // The clock alone still keeps the tokens of one process apart.
  }
  static std::uint64_t counter = 0;
  seed ^= ++counter * 0x9E3779B97F4A7C15ull;
  char token[16];
  std::snprintf(token, sizeof token, "%08x", static_cast<unsigned>(seed ^ (seed >> 32)));
  return token;
}

std::string TokenOf(const std::string& name) {
  const std::string n = FoldName(name);
  const std::size_t dot = sizeof kPrefix - 1 + kTokenLength;
  if (n.size() <= dot + 1 || n.compare(0, sizeof kPrefix - 1, kPrefix) != 0 || n[dot] != '.') return {};
  for (std::size_t i = sizeof kPrefix - 1; i < dot; ++i) {
    if (!IsHexDigit(n[i])) return {};
  }
  if (n.find_first_of("\\/", dot) != std::string::npos) return {};
  return n.substr(sizeof kPrefix - 1, kTokenLength);
}

std::string IntentRecordName(const std::string& token) { return "~hm" + token + "." + kRecordExtension; }

bool IsIntentRecordName(const std::string& name) {
  const std::string token = TokenOf(name);
  return !token.empty() && FoldName(name) == FoldName(IntentRecordName(token));
}

std::string ClaimName(const std::string& token) { return "~hm" + token + "." + kClaimExtension; }

bool IsClaimName(const std::string& name) {
  const std::string token = TokenOf(name);
  return !token.empty() && FoldName(name) == FoldName(ClaimName(token));
}

std::string NewFileName(const std::string& token, int serial) {
  char extension[8];
  std::snprintf(extension, sizeof extension, "%03d", serial % 1000);
  return "~hm" + token + "." + extension;
}

std::string ScratchTableName(const std::string& token) { return "~hm" + token + ".DB"; }

}  // namespace engine
