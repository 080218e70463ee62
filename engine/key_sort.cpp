#include "engine/key_sort.h"

#include <algorithm>
#include <array>
#include <future>
#include <memory>
#include <thread>
#include <vector>

#include "platform/big_buffer.h"

namespace engine {
namespace {

#ifndef HINMEI_SMALL_THRESHOLDS
// Below this many entries a comparison sort beats the radix passes.
constexpr std::ptrdiff_t kRadixFrom = 4096;
// From this many rows the sort is split into two halves, sorted on two threads.
constexpr std::size_t kSplitFrom = 1 << 16;
// Key ranges of up to this many entries are sorted whole: their passes stay in the caches.
constexpr std::ptrdiff_t kCacheEntries = 1 << 15;
#else
// Fuzzing builds: the few rows of a fuzzer's input go through every path.
constexpr std::ptrdiff_t kRadixFrom = 8;
constexpr std::size_t kSplitFrom = 16;
constexpr std::ptrdiff_t kCacheEntries = 32;
#endif

// Radix digits of 11 bits. Digit d of an entry's twelve bytes, lowest first: the tail's
// three, then the head's six.
constexpr int kDigitBits = 11;
constexpr std::uint64_t kDigitMask = (1u << kDigitBits) - 1;
constexpr int kTailDigits = (32 + kDigitBits - 1) / kDigitBits;
constexpr int kDigits = kTailDigits + (64 + kDigitBits - 1) / kDigitBits;
constexpr int kTopShift = 64 - kDigitBits;  // of the head's top digit

using DigitCounts = std::array<std::array<std::uint32_t, kDigitMask + 1>, kDigits>;

// What one thread's sort works in: room for entries while they are moved, grown as
// needed and never zeroed, and the counts of each digit. Both are kept from one range
// to the next: fresh memory costs more than sorting a range in it.
class Spare {
 public:
  SortEntry* Get(std::size_t n) {
    if (n > entries_.size()) entries_ = platform::BigArray<SortEntry>(n);
    return entries_.data();
  }

  // Every count zero.
  DigitCounts& Counts() {
    if (!counts_) counts_ = std::make_unique<DigitCounts>();
    for (auto& digit : *counts_) digit.fill(0);
    return *counts_;
  }

 private:
  platform::BigArray<SortEntry> entries_;
  std::unique_ptr<DigitCounts> counts_;
};

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

// Splits the range into key ranges by the first digit of the heads, from `*shift`
// down, that not every entry has alike (the range stays whole when there is none):
// answers where each range starts, the range's end last, and sets `*shift` to the
// digit's.
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

// Sorts a range, split by digits from `shift` down while its key ranges are larger than
// the processor's caches hold.
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

// Sets the entries of rows `from` to `to`, `begin` onwards, in row order.
void Fill(SortEntry* begin, std::size_t from, std::size_t to, std::size_t offset, RefillEntries refill,
          const void* keys) {
  for (std::size_t i = from; i < to; ++i) begin[i - from].row = static_cast<std::uint32_t>(i);
  refill(begin, begin + (to - from), offset, keys);
}

// Sets the entries of rows `from` to `to`, `begin` onwards, split into key ranges by
// the top digit of their heads, each range in row order: as SplitByDigit leaves them,
// without its room for a copy of them all. The keys are read twice, a few rows at a
// time: once to count each range, once to put every row in its own. Answers where each
// range starts, the end last; empty, with nothing set, when every row has the same top
// digit.
std::vector<std::size_t> FillSplitByTopDigit(SortEntry* begin, std::size_t from, std::size_t to, std::size_t offset,
                                             RefillEntries refill, const void* keys) {
  constexpr std::size_t kRowsAtATime = 256;
  std::array<SortEntry, kRowsAtATime> some;
  auto each_row = [&](auto visit) {
    for (std::size_t first = from; first < to; first += kRowsAtATime) {
      const std::size_t last = std::min(to, first + kRowsAtATime);
      Fill(some.data(), first, last, offset, refill, keys);
      for (std::size_t i = 0; i < last - first; ++i) visit(some[i]);
    }
  };
  auto top_digit = [](const SortEntry& e) { return static_cast<std::size_t>(e.head >> kTopShift); };
  std::vector<std::size_t> starts(kDigitMask + 2, 0);
  each_row([&](const SortEntry& e) { ++starts[top_digit(e) + 1]; });
  if (!CountsToStarts(starts, to - from)) return {};
  std::vector<std::size_t> at(starts.begin(), starts.end() - 1);
  each_row([&](const SortEntry& e) { begin[at[top_digit(e)]++] = e; });
  return starts;
}

// The merge order of two sorted runs of entries, which still hold their first twelve
// bytes: where those tie, the keys are compared on; equal keys keep the first run's
// row, the lower, first.
class MergeOrder {
 public:
  MergeOrder(std::size_t offset, CompareKeys compare, const void* keys)
      : rest_(offset + kSortEntryBytes), compare_(compare), keys_(keys) {}

  // Whether `later`, of the second run, goes before `earlier`, of the first.
  bool Before(const SortEntry& later, const SortEntry& earlier) const {
    if (later.head != earlier.head) return later.head < earlier.head;
    if (later.tail != earlier.tail) return later.tail < earlier.tail;
    return compare_(later.row, earlier.row, rest_, keys_) < 0;
  }

  void Merge(const SortEntry* a, const SortEntry* a_end, const SortEntry* b, const SortEntry* b_end,
             std::uint32_t* order) const {
    while (a != a_end && b != b_end) *order++ = Before(*b, *a) ? (b++)->row : (a++)->row;
    for (; a != a_end; ++a) *order++ = a->row;
    for (; b != b_end; ++b) *order++ = b->row;
  }

 private:
  std::size_t rest_;
  CompareKeys compare_;
  const void* keys_;
};

// Merges the sorted halves [0, middle) and [middle, n) of the entries into `order`, in
// two parts side by side: the first half's middle entry, and the second half's entries
// before it, divide them.
void MergeHalves(const SortEntry* entries, std::size_t middle, std::size_t n, const MergeOrder& merge,
                 std::uint32_t* order) {
  const SortEntry* a = entries;
  const SortEntry* const b = entries + middle;
  const SortEntry* const pivot = a + middle / 2;
  const SortEntry* b_split =
      std::partition_point(b, entries + n, [&](const SortEntry& e) { return merge.Before(e, *pivot); });
  std::uint32_t* second = order + (pivot - a) + (b_split - b);
  auto upper = std::async(std::launch::async, [&] { merge.Merge(pivot, b, b_split, entries + n, second); });
  merge.Merge(a, pivot, b, b_split, order);
  upper.get();
}

}  // namespace

void SortRows(std::size_t n, std::size_t offset, std::size_t key_size, std::size_t ordered_after,
              RefillEntries refill, CompareKeys compare, const void* keys, std::uint32_t* order) {
  // Rows tied up to `ordered_after` are in order: their ties are not followed further.
  const std::size_t deciding = std::min(key_size, ordered_after);
  platform::BigArray<SortEntry> entries(n);  // filled below, not zeroed first
  // Rows `from` to `to`, sorted on this thread: their bytes, then split by digits into
  // key ranges that fit the processor's caches. Too many rows for the caches are split
  // by their top digit as their bytes are set: the split then needs no room beside them.
  auto sort_rows = [&](std::size_t from, std::size_t to) {
    SortEntry* begin = entries.data() + from;
    SortEntry* end = entries.data() + to;
    Spare spare;
    int shift = kTopShift;
    if (to - from > static_cast<std::size_t>(kCacheEntries)) {
      std::vector<std::size_t> starts = FillSplitByTopDigit(begin, from, to, offset, refill, keys);
      shift -= kDigitBits;  // split on, or found alike in every row
      if (!starts.empty()) {
        for (std::size_t d = 0; d + 1 < starts.size(); ++d) {
          SplitAndSort(begin + starts[d], begin + starts[d + 1], shift, offset, deciding, refill, keys, spare);
        }
        return;
      }
    }
    Fill(begin, from, to, offset, refill, keys);
    SplitAndSort(begin, end, shift, offset, deciding, refill, keys, spare);
  };
  if (n < kSplitFrom || std::thread::hardware_concurrency() < 2) {
    sort_rows(0, n);
    for (std::size_t i = 0; i < n; ++i) order[i] = entries[i].row;
    return;
  }
  const std::size_t middle = n / 2;
  auto upper = std::async(std::launch::async, sort_rows, middle, n);
  sort_rows(0, middle);
  upper.get();
  MergeHalves(entries.data(), middle, n, MergeOrder(offset, compare, keys), order);
}

}  // namespace engine
