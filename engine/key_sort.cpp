#include "engine/key_sort.h"

#include <algorithm>
#include <array>
#include <future>
#include <thread>

namespace engine {
namespace {

// Below this many entries a comparison sort beats the radix passes.
constexpr std::ptrdiff_t kRadixFrom = 4096;
// From this many entries the sort is split into key ranges, sorted on two threads.
constexpr std::size_t kSplitFrom = 1 << 16;
// Key ranges of up to this many entries are sorted whole: their passes stay in the caches.
constexpr std::ptrdiff_t kCacheEntries = 1 << 15;

// Radix digits of 11 bits. Digit d of an entry's twelve bytes, lowest first: the tail's
// three, then the head's six.
constexpr int kDigitBits = 11;
constexpr std::uint64_t kDigitMask = (1u << kDigitBits) - 1;
constexpr int kTailDigits = (32 + kDigitBits - 1) / kDigitBits;
constexpr int kDigits = kTailDigits + (64 + kDigitBits - 1) / kDigitBits;
constexpr int kTopShift = 64 - kDigitBits;  // of the head's top digit

// Room for entries while they are moved, grown as needed and never zeroed.
class Spare {
 public:
  SortEntry* Get(std::size_t n) {
    if (n > size_) {
      entries_.reset(new SortEntry[n]);
      size_ = n;
    }
    return entries_.get();
  }

 private:
  std::unique_ptr<SortEntry[]> entries_;
  std::size_t size_ = 0;
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
  std::vector<std::array<std::size_t, kDigitMask + 1>> counts(kDigits);
  for (const SortEntry* e = begin; e != end; ++e) {
    for (int d = 0; d < kDigits; ++d) ++counts[static_cast<std::size_t>(d)][DigitOf(*e, d)];
  }
  SortEntry* from = begin;
  SortEntry* to = spare.Get(static_cast<std::size_t>(n));
  for (int d = 0; d < kDigits; ++d) {
    auto& count = counts[static_cast<std::size_t>(d)];
    if (std::find(count.begin(), count.end(), static_cast<std::size_t>(n)) != count.end()) continue;
    std::size_t at = 0;
    for (std::size_t& c : count) {
      std::size_t here = c;
      c = at;
      at += here;
    }
    for (const SortEntry* e = from; e != from + n; ++e) to[count[DigitOf(*e, d)]++] = *e;
    std::swap(from, to);
  }
  if (from != begin) std::copy(from, from + n, begin);
}

// Sorts a range of entries whose keys agree before `offset`.
void SortRange(SortEntry* begin, SortEntry* end, std::size_t offset, std::size_t key_size, RefillEntries refill,
               const void* keys) {
  struct Range {
    SortEntry* begin;
    SortEntry* end;
    std::size_t offset;
  };
  Spare spare;
  std::vector<Range> pending{{begin, end, offset}};
  while (!pending.empty()) {
    Range r = pending.back();
    pending.pop_back();
    SortTwelve(r.begin, r.end, spare);
    const std::size_t next = r.offset + kSortEntryBytes;
    if (next >= key_size) continue;
    for (SortEntry* tie = r.begin; tie < r.end;) {
      SortEntry* tie_end = tie + 1;
      while (tie_end < r.end && TwelveEqual(*tie_end, *tie)) ++tie_end;
      if (tie_end - tie > 1) {
        refill(tie, tie_end, next, keys);
        pending.push_back(Range{tie, tie_end, next});
      }
      tie = tie_end;
    }
  }
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
    if (std::find(starts.begin(), starts.end(), n) == starts.end()) break;
  }
  if (*shift < 0) return {0, n};
  for (std::size_t d = 1; d < starts.size(); ++d) starts[d] += starts[d - 1];
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
    if (end - begin > 1) SortRange(begin, end, offset, key_size, refill, keys);
    return;
  }
  std::vector<std::size_t> starts = SplitByDigit(begin, end, &shift, spare);
  if (starts.size() == 2) {
    SortRange(begin, end, offset, key_size, refill, keys);
    return;
  }
  for (std::size_t d = 0; d + 1 < starts.size(); ++d) {
    SplitAndSort(begin + starts[d], begin + starts[d + 1], shift - kDigitBits, offset, key_size, refill, keys, spare);
  }
}

}  // namespace

void SortEntries(SortEntry* begin, SortEntry* end, std::size_t offset, std::size_t key_size, RefillEntries refill,
                 const void* keys) {
  const auto n = static_cast<std::size_t>(end - begin);
  if (n < kSplitFrom) {
    SortRange(begin, end, offset, key_size, refill, keys);
    return;
  }
  // Many rows: they are split by the top bits of their keys into key ranges, those
  // again by the next bits, until each is small enough to sort in the processor's
  // caches; the lower and the upper ranges, about half the rows each, are sorted side by
  // side where there are two processors.
  Spare spare;
  int shift = kTopShift;
  std::vector<std::size_t> starts = SplitByDigit(begin, end, &shift, spare);
  SortEntry* data = begin;
  auto sort_ranges = [&](std::size_t from, std::size_t to) {
    Spare own;
    for (std::size_t d = from; d < to; ++d) {
      SplitAndSort(data + starts[d], data + starts[d + 1], shift - kDigitBits, offset, key_size, refill, keys, own);
    }
  };
  const std::size_t ranges = starts.size() - 1;
  spare = Spare();
  if (std::thread::hardware_concurrency() < 2) {
    sort_ranges(0, ranges);
    return;
  }
  std::size_t middle = 0;
  while (middle < ranges && starts[middle + 1] <= n / 2) ++middle;
  auto upper = std::async(std::launch::async, sort_ranges, middle, ranges);
  sort_ranges(0, middle);
  upper.get();
}

}  // namespace engine
