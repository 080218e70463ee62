#include "engine/key_sort.h"

#include <algorithm>
#include <array>
#include <condition_variable>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/big_buffer.h"

namespace engine {
namespace {

#ifndef HINMEI_SMALL_THRESHOLDS
// Below this many entries a comparison sort beats the radix passes.
constexpr std::ptrdiff_t kRadixFrom = 4096;
// From this many rows the key ranges are sorted on two threads.
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

// A key range of the entries, sorted by itself: its heads agree above the digit at
// `shift`.
struct KeyRange {
  std::size_t begin;
  std::size_t end;
  int shift;
  std::size_t size() const { return end - begin; }
};

// The entries of all `n` rows, set and split into key ranges for two threads: by their
// top digit as their bytes are set, then ranges larger than an eighth of the rows split
// again, on this thread, so that no one range keeps a thread long after the other ends.
// In key order.
std::vector<KeyRange> RangesForTwoThreads(SortEntry* entries, std::size_t n, std::size_t offset, RefillEntries refill,
                              const void* keys, Spare& spare) {
  std::vector<KeyRange> ranges;
  std::vector<std::size_t> starts = FillSplitByTopDigit(entries, 0, n, offset, refill, keys);
  if (starts.empty()) {
    Fill(entries, 0, n, offset, refill, keys);
    ranges.push_back(KeyRange{0, n, kTopShift - kDigitBits});
  } else {
    for (std::size_t d = 0; d + 1 < starts.size(); ++d) {
      if (starts[d + 1] > starts[d]) ranges.push_back(KeyRange{starts[d], starts[d + 1], kTopShift - kDigitBits});
    }
  }
  const std::size_t largest = std::max<std::size_t>(n / 8, static_cast<std::size_t>(kCacheEntries));
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

// The key ranges two threads sort, and which of them are done: the helper takes ranges
// until none is left; the lead takes them too, and hands out the order's sorted part
// whenever the ranges from the first on are done.
class TwoThreadSort {
 public:
  using SortRange = std::function<void(std::size_t range, Spare& spare)>;

  explicit TwoThreadSort(const std::uint32_t* order) : order_(order) {}

  // Lets both threads begin; `ranges` in key order.
  void Start(std::vector<KeyRange> made) {
    std::lock_guard<std::mutex> lock(mutex_);
    ranges = std::move(made);
    done_.assign(ranges.size(), false);
    started_ = true;
    changed_.notify_all();
  }

  // Ends the sort early: no range is taken after this.
  void Stop() {
    std::lock_guard<std::mutex> lock(mutex_);
    stopped_ = true;
    started_ = true;
    changed_.notify_all();
  }

  // The second thread: waits for the ranges, then sorts ranges until none is left.
  void Help(const SortRange& sort_range) {
    {
      std::unique_lock<std::mutex> lock(mutex_);
      changed_.wait(lock, [&] { return started_; });
    }
    try {
      Spare spare;
      for (std::size_t t; (t = Take()) < ranges.size();) {
        sort_range(t, spare);
        Done(t);
      }
    } catch (...) {
      Stop();  // the lead no longer waits for the range this thread had taken
      throw;
    }
  }

  // This thread: sorts ranges, and hands out order[0, end) to `grows` whenever the
  // ranges before `end` are done, until the whole order is.
  void Lead(const SortRange& sort_range, const OrderGrows& grows) {
    Spare spare;
    std::size_t handed = 0;  // ranges before this one are handed out
    while (handed < ranges.size()) {
      std::size_t end = HandOut(&handed);
      if (end > 0 && grows) grows(order_, end);
      if (handed == ranges.size()) break;
      std::size_t t = Take();
      if (t < ranges.size()) {
        sort_range(t, spare);
        Done(t);
        continue;
      }
      std::unique_lock<std::mutex> lock(mutex_);
      changed_.wait(lock, [&] { return stopped_ || done_[handed]; });
      if (stopped_) return;  // the helper failed: its error ends the sort
    }
  }

  std::vector<KeyRange> ranges;

 private:
  std::size_t Take() {
    std::lock_guard<std::mutex> lock(mutex_);
    return stopped_ ? ranges.size() : next_++;
  }

  void Done(std::size_t t) {
    std::lock_guard<std::mutex> lock(mutex_);
    done_[t] = true;
    changed_.notify_all();
  }

  // Moves `*handed` past the ranges done; the end of the last of them, or 0 if none.
  std::size_t HandOut(std::size_t* handed) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::size_t end = 0;
    for (; *handed < ranges.size() && done_[*handed]; ++*handed) end = ranges[*handed].end;
    return end;
  }

  const std::uint32_t* order_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<bool> done_;
  std::size_t next_ = 0;
  bool started_ = false;
  bool stopped_ = false;
};

}  // namespace

void SortRows(std::size_t n, std::size_t offset, std::size_t key_size, std::size_t ordered_after,
              RefillEntries refill, const void* keys, std::uint32_t* order, const OrderGrows& grows) {
  // Rows tied up to `ordered_after` are in order: their ties are not followed further.
  const std::size_t deciding = std::min(key_size, ordered_after);
  platform::BigArray<SortEntry> entries(n);  // filled below, not zeroed first
  if (n < kSplitFrom || std::thread::hardware_concurrency() < 2) {
    // Too many rows for the caches are split by their top digit as their bytes are set:
    // the split then needs no room beside them.
    Spare spare;
    int shift = kTopShift;
    std::vector<std::size_t> starts;
    if (n > static_cast<std::size_t>(kCacheEntries)) {
      starts = FillSplitByTopDigit(entries.data(), 0, n, offset, refill, keys);
      shift -= kDigitBits;  // split on, or found alike in every row
    }
    if (starts.empty()) {
      Fill(entries.data(), 0, n, offset, refill, keys);
      starts = {0, n};
    }
    for (std::size_t d = 0; d + 1 < starts.size(); ++d) {
      SplitAndSort(entries.data() + starts[d], entries.data() + starts[d + 1], shift, offset, deciding, refill, keys,
                   spare);
    }
    for (std::size_t i = 0; i < n; ++i) order[i] = entries[i].row;
    if (grows) grows(order, n);
    return;
  }

  // Two threads take the key ranges in turn, in key order, each sorting a range whole
  // and writing its rows' places: a thread that starts late or is slowed takes fewer.
  // This thread also hands out the order as its sorted part grows, so that its reader
  // works while the rest is sorted. The second thread is started first, so that it
  // wakes while the ranges are made.
  TwoThreadSort sort(order);
  auto sort_range = [&](std::size_t t, Spare& spare) {
    const KeyRange& range = sort.ranges[t];
    SortEntry* begin = entries.data() + range.begin;
    SortEntry* end = entries.data() + range.end;
    SplitAndSort(begin, end, range.shift, offset, deciding, refill, keys, spare);
    for (const SortEntry* e = begin; e != end; ++e) order[e - entries.data()] = e->row;
  };
  auto helper = std::async(std::launch::async, [&] { sort.Help(sort_range); });
  try {
    Spare spare;
    sort.Start(RangesForTwoThreads(entries.data(), n, offset, refill, keys, spare));
    sort.Lead(sort_range, grows);
  } catch (...) {
    sort.Stop();
    helper.wait();
    throw;
  }
  helper.get();
}

}  // namespace engine
