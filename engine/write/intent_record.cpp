#include "engine/write/intent_record.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <stdexcept>

namespace engine {
namespace {

constexpr char kFirstLine[] = "HINMEI-INTENT 1\r\n";

std::uint32_t Crc32(const std::string& bytes) {
  static const std::array<std::uint32_t, 256> table = [] {
    std::array<std::uint32_t, 256> t{};
    for (std::uint32_t i = 0; i < 256; ++i) {
      std::uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[i] = c;
    }
    return t;
  }();
  std::uint32_t crc = 0xFFFFFFFFu;
  for (unsigned char b : bytes) crc = table[(crc ^ b) & 0xFF] ^ (crc >> 8);
  return crc ^ 0xFFFFFFFFu;
}

void RequireRecordable(const std::string& name) {
  if (name.empty()) throw std::invalid_argument("an intent record cannot hold an empty name");
  for (unsigned char c : name) {
    if (c < 0x20 || c == '\\' || c == '/') throw std::invalid_argument("an intent record cannot hold " + name);
  }
}

std::string EndLine(std::size_t steps, std::uint32_t crc) {
  char line[40];
  std::snprintf(line, sizeof line, "E %zu %08x\r\n", steps, static_cast<unsigned>(crc));
  return line;
}

}  // namespace

std::string EncodeIntent(const std::vector<IntentStep>& steps) {
  std::string body = kFirstLine;
  for (const IntentStep& step : steps) {
    RequireRecordable(step.from);
    if (step.kind == IntentStep::Kind::kRename) {
      RequireRecordable(step.to);
      body += "R " + step.from + "\t" + step.to + "\r\n";
    } else {
      body += "D " + step.from + "\r\n";
    }
  }
  return body + EndLine(steps.size(), Crc32(body));
}

std::optional<std::vector<IntentStep>> DecodeIntent(const std::string& bytes) {
  const std::string first = kFirstLine;
  if (bytes.compare(0, first.size(), first) != 0) return std::nullopt;
  std::vector<IntentStep> steps;
  std::size_t at = first.size();
  while (at < bytes.size()) {
    const std::size_t end = bytes.find("\r\n", at);
    if (end == std::string::npos) return std::nullopt;
    const std::string line = bytes.substr(at, end - at);
    if (line.rfind("E ", 0) == 0) {
      // The record ends here; anything after the E line is not ours.
      if (end + 2 != bytes.size() || line + "\r\n" != EndLine(steps.size(), Crc32(bytes.substr(0, at)))) {
        return std::nullopt;
      }
      return steps;
    }
    IntentStep step;
    if (line.rfind("R ", 0) == 0) {
      const std::size_t tab = line.find('\t', 2);
      if (tab == std::string::npos) return std::nullopt;
      step.from = line.substr(2, tab - 2);
      step.to = line.substr(tab + 1);
    } else if (line.rfind("D ", 0) == 0) {
      step.kind = IntentStep::Kind::kRemove;
      step.from = line.substr(2);
    } else {
      return std::nullopt;
    }
    steps.push_back(std::move(step));
    at = end + 2;
  }
  return std::nullopt;
}

}  // namespace engine
