#include "engine/index/collation.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "platform/cp932.h"

namespace engine {
namespace {

constexpr std::uint16_t kJapaneseCodePage = 932;
// The sort byte the original engine writes for its `japan` driver.
constexpr std::uint8_t kJapanSortByte = 0x0A;

std::string Lower(std::string s) {
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return s;
}

// Folds eight single-byte characters at once; false, changing nothing, when a byte has
// its top bit set. A byte b gets 0x20 taken off where b + 0x1F reaches 0x80 (b >= 'a')
// and b + 0x05 does not (b <= 'z'); below 0x80 no sum carries into the next byte.
bool FoldEight(std::uint64_t& x) {
  constexpr std::uint64_t kTopBits = 0x8080808080808080ull;
  if (x & kTopBits) return false;
  x -= ((x + 0x1F1F1F1F1F1F1F1Full) & ~(x + 0x0505050505050505ull) & kTopBits) >> 2;
  return true;
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
    std::snprintf(name, sizeof name, "0x%02X", header.sort_order());
    const bool japan = header.sort_order() == kJapanSortByte;
    c.name = header.sort_order() == 0 ? "ascii" : japan ? "japan" : name;
    c.bytewise = header.sort_order() == 0 || japan;
    if (japan) id = "japan";
  }
  c.dbcs = id == "japan" || header.code_page() == kJapaneseCodePage;
  return c;
}

void CopyFoldedToUpper(const char* from, char* to, int size, bool dbcs) {
  int i = 0;
  for (std::uint64_t x; i + 8 <= size; i += 8) {
    std::memcpy(&x, from + i, sizeof x);
    if (!FoldEight(x)) break;
    std::memcpy(to + i, &x, sizeof x);
  }
  if (i < size && size >= 8 && i + 8 > size) {
    // The last bytes as the eight that end the field: folding a letter again changes
    // nothing.
    std::uint64_t x;
    std::memcpy(&x, from + size - 8, sizeof x);
    if (FoldEight(x)) {
      std::memcpy(to + size - 8, &x, sizeof x);
      return;
    }
  }
  for (; i < size; ++i) {
    auto b = static_cast<unsigned char>(from[i]);
    to[i] = b >= 'a' && b <= 'z' ? static_cast<char>(b - 'a' + 'A') : from[i];
    if (dbcs && platform::IsLeadByte(b) && i + 1 < size) {
      ++i;  // its trail byte is no letter
      to[i] = from[i];
    }
  }
}

void FoldToUpper(char* data, int size, bool dbcs) { CopyFoldedToUpper(data, data, size, dbcs); }

}  // namespace engine
