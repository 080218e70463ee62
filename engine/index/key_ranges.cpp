#include "engine/index/key_ranges.h"

#include <algorithm>
#include <array>
#include <utility>

namespace engine {
namespace {

// Visits the entries of rows `from` to `to` in row order, set a few rows at a time.
template <typename Visit>
void EachRow(std::size_t from, std::size_t to, std::size_t offset, RefillEntries refill, const void* keys,
             Visit visit) {
  constexpr std::size_t kRowsAtATime = 256;
  std::array<SortEntry, kRowsAtATime> some;
  for (std::size_t first = from; first < to; first += kRowsAtATime) {
    const std::size_t last = std::min(to, first + kRowsAtATime);
    Fill(some.data(), first, last, offset, refill, keys);
    for (std::size_t i = 0; i < last - first; ++i) visit(some[i]);
  }
}

std::size_t TopDigit(const SortEntry& e) { return static_cast<std::size_t>(e.head >> kTopShift); }

}  // namespace

void Fill(SortEntry* begin, std::size_t from, std::size_t to, std::size_t offset, RefillEntries refill,
          const void* keys) {
  for (std::size_t i = from; i < to; ++i) begin[i - from].row = static_cast<std::uint32_t>(i);
  refill(begin, begin + (to - from), offset, keys);
}


TopDigitSplit::TopDigitSplit(SortEntry* entries, std::size_t n, std::size_t chunks, std::size_t offset,
                             RefillEntries refill, const void* keys)
    : entries_(entries), n_(n), offset_(offset), refill_(refill), keys_(keys),
      at_(chunks, std::vector<std::size_t>(kDigitMask + 1, 0)) {}

void TopDigitSplit::Count(std::size_t chunk) {
  std::vector<std::size_t>& count = at_[chunk];
  EachRow(From(chunk), From(chunk + 1), offset_, refill_, keys_, [&](const SortEntry& e) { ++count[TopDigit(e)]; });
}

std::vector<KeyRange> TopDigitSplit::Ranges() {
  std::vector<KeyRange> ranges;
  std::size_t start = 0;
  for (std::size_t d = 0; d <= kDigitMask; ++d) {
    const std::size_t range_start = start;
    for (std::vector<std::size_t>& at : at_) start += std::exchange(at[d], start);
    if (start > range_start) ranges.push_back(KeyRange{range_start, start, kTopShift - kDigitBits});
  }
  return ranges;
}

void TopDigitSplit::Place(std::size_t chunk) {
  std::vector<std::size_t>& at = at_[chunk];
  EachRow(From(chunk), From(chunk + 1), offset_, refill_, keys_,
          [&](const SortEntry& e) { entries_[at[TopDigit(e)]++] = e; });
}

std::vector<KeyRange> SplitLargeRange(SortEntry* entries, KeyRange whole, std::size_t largest, Spare& spare) {
  std::vector<KeyRange> ranges{whole};
  std::vector<KeyRange> taken;
  while (!ranges.empty()) {
    KeyRange t = ranges.back();
    ranges.pop_back();
    if (t.size() <= largest || t.shift < 0) {
      taken.push_back(t);
      continue;
    }
    int shift = t.shift;
    std::vector<std::size_t> within = SplitByDigit(entries + t.begin, entries + t.end, &shift, spare);
    if (within.size() == 2) {
      taken.push_back(KeyRange{t.begin, t.end, -1});  // its heads alike: only its ties are sorted on
      continue;
    }
    for (std::size_t d = 0; d + 1 < within.size(); ++d) {
      if (within[d + 1] > within[d]) {
        ranges.push_back(KeyRange{t.begin + within[d], t.begin + within[d + 1], shift - kDigitBits});
      }
    }
  }
  std::sort(taken.begin(), taken.end(), [](const KeyRange& a, const KeyRange& b) { return a.begin < b.begin; });
  return taken;
}


}  // namespace engine
