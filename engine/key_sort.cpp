#include "engine/key_sort.h"

#include <algorithm>
#include <array>
#include <future>
#include <thread>

namespace engine {
namespace {

// Below this many entries a comparison sort beats the radix passes.
constexpr std::ptrdiff_t kRadixFrom = 4096;
// From this many entries the sort is split in two and run on two threads.
constexpr std::size_t kSplitFrom = 1 << 16;
// Key ranges of up to this many entries are sorted whole: their passes stay in the caches.
constexpr std::ptrdiff_t kCacheEntries = 1 << 15;
constexpr int kDigitBits = 11;
constexpr int kTopShift = 64 - kDigitBits;

std::uint64_t HeadOf(const SortEntry& e) { return e.head; }
std::uint64_t TailOf(const SortEntry& e) { return e.tail; }

// Sorts entries by part(e), `bits` wide, ties by row (they come in row order): one
// stable counting pass per digit, lowest first, leaving out digits every entry has alike.
template <std::uint64_t (*Part)(const SortEntry&)>
void SortBy(SortEntry* begin, SortEntry* end, int bits, std::vector<SortEntry>& spare) {
  const std::ptrdiff_t n = end - begin;
  if (n < kRadixFrom) {
    std::sort(begin, end, [](const SortEntry& a, const SortEntry& b) {
      return Part(a) != Part(b) ? Part(a) < Part(b) : a.row < b.row;
    });
    return;
  }
  constexpr std::uint64_t kMask = (1u << kDigitBits) - 1;
  const int digits = (bits + kDigitBits - 1) / kDigitBits;
  std::vector<std::array<std::size_t, kMask + 1>> counts(static_cast<std::size_t>(digits));
  for (const SortEntry* e = begin; e != end; ++e) {
    std::uint64_t part = Part(*e);
    for (auto& count : counts) {
      ++count[part & kMask];
      part >>= kDigitBits;
    }
  }
  if (spare.size() < static_cast<std::size_t>(n)) spare.resize(static_cast<std::size_t>(n));
  SortEntry* from = begin;
  SortEntry* to = spare.data();
  for (int d = 0; d < digits; ++d) {
    auto& count = counts[static_cast<std::size_t>(d)];
    if (std::find(count.begin(), count.end(), static_cast<std::size_t>(n)) != count.end()) continue;
    std::size_t at = 0;
    for (std::size_t& c : count) {
      std::size_t here = c;
      c = at;
      at += here;
    }
    const int shift = kDigitBits * d;
    for (const SortEntry* e = from; e != from + n; ++e) to[count[(Part(*e) >> shift) & kMask]++] = *e;
    std::swap(from, to);
  }
  if (from != begin) std::copy(from, from + n, begin);
}

// The end of the run of entries that share part(e) with the first one.
template <std::uint64_t (*Part)(const SortEntry&)>
SortEntry* RunEnd(SortEntry* begin, SortEntry* end) {
  SortEntry* e = begin + 1;
  while (e < end && Part(*e) == Part(*begin)) ++e;
  return e;
}

// Sorts a range of entries whose keys agree before `offset`.
void SortRange(SortEntry* begin, SortEntry* end, std::size_t offset, std::size_t key_size, RefillEntries refill,
               const void* keys) {
  struct Range {
    SortEntry* begin;
    SortEntry* end;
    std::size_t offset;
  };
  std::vector<SortEntry> spare;
  std::vector<Range> pending{{begin, end, offset}};
  while (!pending.empty()) {
    Range r = pending.back();
    pending.pop_back();
    SortBy<HeadOf>(r.begin, r.end, 64, spare);
    for (SortEntry* run = r.begin; run < r.end;) {
      SortEntry* run_end = RunEnd<HeadOf>(run, r.end);
      if (run_end - run > 1) {
        SortBy<TailOf>(run, run_end, 32, spare);
        const std::size_t next = r.offset + kSortEntryBytes;
        for (SortEntry* tie = run; tie < run_end;) {
          SortEntry* tie_end = RunEnd<TailOf>(tie, run_end);
          if (tie_end - tie > 1 && next < key_size) {
            refill(tie, tie_end, next, keys);
            pending.push_back(Range{tie, tie_end, next});
          }
          tie = tie_end;
        }
      }
      run = run_end;
    }
  }
}

// Splits the range into key ranges by the first digit of the heads, from `*shift`
// down, that not every entry has alike (the range stays whole when there is none):
// answers where each range starts, the range's end last, and sets `*shift` to the
// digit's.
std::vector<std::size_t> SplitByDigit(SortEntry* begin, SortEntry* end, int* shift, std::vector<SortEntry>& spare) {
  constexpr std::uint64_t kMask = (1u << kDigitBits) - 1;
  const auto n = static_cast<std::size_t>(end - begin);
  std::vector<std::size_t> starts(kMask + 2, 0);
  for (; *shift >= 0; *shift -= kDigitBits) {
    std::fill(starts.begin(), starts.end(), 0);
    for (const SortEntry* e = begin; e != end; ++e) ++starts[((e->head >> *shift) & kMask) + 1];
    if (std::find(starts.begin(), starts.end(), n) == starts.end()) break;
  }
  if (*shift < 0) return {0, n};
  for (std::size_t d = 1; d < starts.size(); ++d) starts[d] += starts[d - 1];
  if (spare.size() < n) spare.resize(n);
  std::vector<std::size_t> at(starts.begin(), starts.end() - 1);
  for (const SortEntry* e = begin; e != end; ++e) spare[at[(e->head >> *shift) & kMask]++] = *e;
  std::copy(spare.begin(), spare.begin() + static_cast<std::ptrdiff_t>(n), begin);
  return starts;
}

// Sorts a range, split by digits from `shift` down while its key ranges are larger than
// the processor's caches hold.
void SplitAndSort(SortEntry* begin, SortEntry* end, int shift, std::size_t offset, std::size_t key_size,
                  RefillEntries refill, const void* keys, std::vector<SortEntry>& spare) {
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

void SortEntries(std::vector<SortEntry>& entries, std::size_t offset, std::size_t key_size, RefillEntries refill,
                 const void* keys) {
  const std::size_t n = entries.size();
  if (n < kSplitFrom) {
    SortRange(entries.data(), entries.data() + n, offset, key_size, refill, keys);
    return;
  }
  // Many rows: they are split by the top bits of their keys into key ranges, those
  // again by the next bits, until each is small enough to sort in the processor's
  // caches; the lower and the upper ranges, about half the rows each, are sorted side by
  // side where there are two processors.
  std::vector<SortEntry> spare(n);
  int shift = kTopShift;
  std::vector<std::size_t> starts = SplitByDigit(entries.data(), entries.data() + n, &shift, spare);
  SortEntry* data = entries.data();
  auto sort_ranges = [&](std::size_t from, std::size_t to) {
    std::vector<SortEntry> own;
    for (std::size_t d = from; d < to; ++d) {
      SplitAndSort(data + starts[d], data + starts[d + 1], shift - kDigitBits, offset, key_size, refill, keys, own);
    }
  };
  const std::size_t ranges = starts.size() - 1;
  spare = std::vector<SortEntry>();
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
