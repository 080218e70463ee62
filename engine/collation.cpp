#include "engine/collation.h"

#include <cstdio>

#include "platform/cp932.h"

namespace engine {
namespace {

constexpr std::uint16_t kJapaneseCodePage = 932;

std::string Lower(std::string s) {
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return s;
}

}  // namespace

Collation CollationOf(const format::Header& header) {
  Collation c;
  std::string id = Lower(header.sort_id());
  if (header.has_data_header()) {
    c.name = header.sort_id();
    // "DBWINUS0" is the driver Paradox lists as 'ascii' ANSI.
    c.bytewise = id == "ascii" || id == "dbwinus0" || id == "japan";
  } else {
    char name[32];
    std::snprintf(name, sizeof name, "sort order 0x%02X", header.sort_order());
    c.name = header.sort_order() == 0 ? "ascii" : name;
    c.bytewise = header.sort_order() == 0;
  }
  c.dbcs = id == "japan" || header.code_page() == kJapaneseCodePage;
  return c;
}

void FoldToUpper(char* data, int size, bool dbcs) {
  for (int i = 0; i < size; ++i) {
    auto b = static_cast<unsigned char>(data[i]);
    if (dbcs && platform::IsLeadByte(b)) {
      ++i;
    } else if (b >= 'a' && b <= 'z') {
      data[i] = static_cast<char>(b - 'a' + 'A');
    }
  }
}

}  // namespace engine
