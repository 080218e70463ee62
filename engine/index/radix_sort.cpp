#include "engine/index/radix_sort.h"

#include <algorithm>
#include <utility>

namespace engine {
namespace {

std::size_t DigitOf(const SortEntry& e, int d) {
  return static_cast<std::size_t>(d < kTailDigits ? (std::uint64_t{e.tail} >> (kDigitBits * d)) & kDigitMask
                                                  : (e.head >> (kDigitBits * (d - kTailDigits))) & kDigitMask);
}

bool TwelveEqual(const SortEntry& a, const SortEntry& b) { return a.head == b.head && a.tail == b.tail; }

// Sorts entries by their twelve bytes, ties by row (they come in row order): one stable
// counting pass per digit, lowest first, leaving out digits every entry has alike.
void SortTwelve(SortEntry* begin, SortEntry* end, Spare& spare) {
  const std::ptrdiff_t n = end - begin;
  if (n < kRadixFrom) {
    std::sort(begin, end, [](const SortEntry& a, const SortEntry& b) {
      if (a.head != b.head) return a.head < b.head;
      return a.tail != b.tail ? a.tail < b.tail : a.row < b.row;
    });
    return;
  }
  DigitCounts& counts = spare.Counts();
  for (const SortEntry* e = begin; e != end; ++e) {
    for (int d = 0; d < kDigits; ++d) ++counts[static_cast<std::size_t>(d)][DigitOf(*e, d)];
  }
  SortEntry* from = begin;
  SortEntry* to = spare.Get(static_cast<std::size_t>(n));
  for (int d = 0; d < kDigits; ++d) {
    auto& count = counts[static_cast<std::size_t>(d)];
    if (std::find(count.begin(), count.end(), static_cast<std::uint32_t>(n)) != count.end()) continue;
    std::uint32_t at = 0;
    for (std::uint32_t& c : count) {
      std::uint32_t here = c;
      c = at;
      at += here;
    }
    for (const SortEntry* e = from; e != from + n; ++e) to[count[DigitOf(*e, d)]++] = *e;
    std::swap(from, to);
  }
  if (from != begin) std::copy(from, from + n, begin);
}

// Sorts a range of entries whose keys agree before `offset`. Entries that tie on their
// twelve bytes are sorted again on the next twelve, and get their own back afterwards:
// every entry leaves with the bytes it came with. Ties that reach `key_size` (the
// bytes that decide) stay in row order.
void SortRange(SortEntry* begin, SortEntry* end, std::size_t offset, std::size_t key_size, RefillEntries refill,
               const void* keys, Spare& spare) {
  SortTwelve(begin, end, spare);
  const std::size_t next = offset + kSortEntryBytes;
  if (next >= key_size) return;
  for (SortEntry* tie = begin; tie < end;) {
    SortEntry* tie_end = tie + 1;
    while (tie_end < end && TwelveEqual(*tie_end, *tie)) ++tie_end;
    if (tie_end - tie > 1) {
      const SortEntry alike = *tie;
      refill(tie, tie_end, next, keys);
      SortRange(tie, tie_end, next, key_size, refill, keys, spare);
      for (SortEntry* e = tie; e != tie_end; ++e) {
        e->head = alike.head;
        e->tail = alike.tail;
      }
    }
    tie = tie_end;
  }
}

// Turns the count of each digit's entries, held one place on (at d + 1), into where
// each digit's range starts, the end last. False, changing nothing, when all `n`
// entries have one digit.
bool CountsToStarts(std::vector<std::size_t>& starts, std::size_t n) {
  if (std::find(starts.begin(), starts.end(), n) != starts.end()) return false;
  for (std::size_t d = 1; d < starts.size(); ++d) starts[d] += starts[d - 1];
  return true;
}

}  // namespace

std::vector<std::size_t> SplitByDigit(SortEntry* begin, SortEntry* end, int* shift, Spare& spare) {
  const auto n = static_cast<std::size_t>(end - begin);
  std::vector<std::size_t> starts(kDigitMask + 2, 0);
  for (; *shift >= 0; *shift -= kDigitBits) {
    std::fill(starts.begin(), starts.end(), 0);
    for (const SortEntry* e = begin; e != end; ++e) ++starts[((e->head >> *shift) & kDigitMask) + 1];
    if (CountsToStarts(starts, n)) break;
  }
  if (*shift < 0) return {0, n};
  SortEntry* split = spare.Get(n);
  std::vector<std::size_t> at(starts.begin(), starts.end() - 1);
  for (const SortEntry* e = begin; e != end; ++e) split[at[(e->head >> *shift) & kDigitMask]++] = *e;
  std::copy(split, split + n, begin);
  return starts;
}

void SplitAndSort(SortEntry* begin, SortEntry* end, int shift, std::size_t offset, std::size_t key_size,
                  RefillEntries refill, const void* keys, Spare& spare) {
  if (end - begin <= kCacheEntries || shift < 0) {
    if (end - begin > 1) SortRange(begin, end, offset, key_size, refill, keys, spare);
    return;
  }
  std::vector<std::size_t> starts = SplitByDigit(begin, end, &shift, spare);
  if (starts.size() == 2) {
    SortRange(begin, end, offset, key_size, refill, keys, spare);
    return;
  }
  for (std::size_t d = 0; d + 1 < starts.size(); ++d) {
    SplitAndSort(begin + starts[d], begin + starts[d + 1], shift - kDigitBits, offset, key_size, refill, keys, spare);
  }
}


}  // namespace engine
