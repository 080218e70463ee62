#include "engine/key_sort.h"

#include <algorithm>
#include <array>
#include <functional>
#include <memory>
#include <mutex>
#include <utility>
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

// A key range of the entries, sorted by itself: its heads agree above the digit at
// `shift`.
struct KeyRange {
  std::size_t begin;
  std::size_t end;
  int shift;
  std::size_t size() const { return end - begin; }
};

// Sets the entries of rows 0..n-1 split into key ranges by the top digit of their heads,
// each range in row order, without room beside them for a copy of them all. The rows,
// in chunks that threads may take in turn, are counted by their top digit; then each
// chunk's rows are placed in their ranges after those of the earlier chunks. The keys
// are read twice, a few rows at a time.
class TopDigitSplit {
 public:
  TopDigitSplit(SortEntry* entries, std::size_t n, std::size_t chunks, std::size_t offset, RefillEntries refill,
                const void* keys)
      : entries_(entries), n_(n), offset_(offset), refill_(refill), keys_(keys),
        at_(chunks, std::vector<std::size_t>(kDigitMask + 1, 0)) {}

  std::size_t chunks() const { return at_.size(); }

  void Count(std::size_t chunk) {
    std::vector<std::size_t>& count = at_[chunk];
    EachRow(From(chunk), From(chunk + 1), offset_, refill_, keys_, [&](const SortEntry& e) { ++count[TopDigit(e)]; });
  }

  // Once every chunk is counted: the key ranges, in key order. Each chunk's counts become
  // where its rows of each range go.
  std::vector<KeyRange> Ranges() {
    std::vector<KeyRange> ranges;
    std::size_t start = 0;
    for (std::size_t d = 0; d <= kDigitMask; ++d) {
      const std::size_t range_start = start;
      for (std::vector<std::size_t>& at : at_) start += std::exchange(at[d], start);
      if (start > range_start) ranges.push_back(KeyRange{range_start, start, kTopShift - kDigitBits});
    }
    return ranges;
  }

  // Once the ranges are made.
  void Place(std::size_t chunk) {
    std::vector<std::size_t>& at = at_[chunk];
    EachRow(From(chunk), From(chunk + 1), offset_, refill_, keys_,
            [&](const SortEntry& e) { entries_[at[TopDigit(e)]++] = e; });
  }

 private:
  std::size_t From(std::size_t chunk) const { return n_ * chunk / at_.size(); }

  SortEntry* entries_;
  std::size_t n_;
  std::size_t offset_;
  RefillEntries refill_;
  const void* keys_;
  std::vector<std::vector<std::size_t>> at_;  // by chunk and digit: a count, then a place
};

// The key ranges of `whole`, a range with its heads alike above its digit, split by
// digits where larger than `largest` entries, so that no one range keeps a thread long
// after the other ends. In key order.
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

// Work that two threads share in phases, each a number of items either thread takes,
// one at a time, so that a thread that starts late or is slowed takes fewer. The lead
// opens each phase and goes on once its items are done; the helper takes items of
// each phase as it comes, until the lead ends the work.
class SharedPhases {
 public:
  using Work = std::function<void(std::size_t item, Spare& spare)>;

  // The lead: opens a phase of `items` items and does them with the helper. `handed`,
  // when set, is told on this thread, in item order, of each item done with every item
  // before it. False when the helper failed (its error ends the sort).
  bool Run(std::size_t items, const Work& work, Spare& spare,
           const std::function<void(std::size_t item)>& handed = {}) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      work_ = &work;
      items_ = items;
      next_ = 0;
      done_.assign(items, false);
      changed_.NotifyAll();
    }
    for (std::size_t first_not_handed = 0; first_not_handed < items;) {
      std::size_t t = 0;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        for (; first_not_handed < items && done_[first_not_handed]; ++first_not_handed) {
          if (handed) {
            lock.unlock();
            handed(first_not_handed);
            lock.lock();
          }
        }
        if (first_not_handed == items) break;
        if (failed_) return false;
        if (next_ >= items_) {
          changed_.Wait(lock, [&] { return failed_ || done_[first_not_handed]; });
          continue;
        }
        t = next_++;
      }
      work(t, spare);
      Done(t);
    }
    return true;
  }

  // The lead: no phase follows, and when it stops early, no item more is taken.
  void End() {
    std::lock_guard<std::mutex> lock(mutex_);
    ended_ = true;
    items_ = next_;
    changed_.NotifyAll();
  }

  // The second thread: does items of each phase as it opens, until the work ends.
  void Help() {
    Spare spare;
    try {
      for (;;) {
        const Work* work = nullptr;
        std::size_t t = 0;
        {
          std::unique_lock<std::mutex> lock(mutex_);
          changed_.Wait(lock, [&] { return ended_ || next_ < items_; });
          if (next_ >= items_) return;
          work = work_;
          t = next_++;
        }
        (*work)(t, spare);
        Done(t);
      }
    } catch (...) {
      std::lock_guard<std::mutex> lock(mutex_);
      failed_ = true;
      items_ = next_;  // nothing more is taken
      changed_.NotifyAll();
      throw;
    }
  }

 private:
  void Done(std::size_t t) {
    std::lock_guard<std::mutex> lock(mutex_);
    done_[t] = true;
    changed_.NotifyAll();
  }

  std::mutex mutex_;
  WakefulCondition changed_;
  const Work* work_ = nullptr;
  std::size_t items_ = 0;
  std::size_t next_ = 0;
  std::vector<bool> done_;
  bool ended_ = false;
  bool failed_ = false;
};

}  // namespace

bool SortPaysForTwoThreads(std::size_t n) { return n >= kSplitFrom; }

void SortRows(std::size_t n, std::size_t offset, std::size_t key_size, std::size_t ordered_after,
              RefillEntries refill, const void* keys, std::uint32_t* order, const OrderGrows& grows,
              HelperThread* helper) {
  // Rows tied up to `ordered_after` are in order: their ties are not followed further.
  const std::size_t deciding = std::min(key_size, ordered_after);
  platform::BigArray<SortEntry> entries(n);  // filled below, not zeroed first
  auto sort_on_this_thread = [&] {
    // Too many rows for the caches are split by their top digit as their bytes are set.
    std::vector<KeyRange> ranges{KeyRange{0, n, kTopShift}};
    if (n > static_cast<std::size_t>(kCacheEntries)) {
      TopDigitSplit split(entries.data(), n, 1, offset, refill, keys);
      split.Count(0);
      ranges = split.Ranges();
      split.Place(0);
    } else {
      Fill(entries.data(), 0, n, offset, refill, keys);
    }
    Spare spare;
    for (const KeyRange& r : ranges) {
      SplitAndSort(entries.data() + r.begin, entries.data() + r.end, r.shift, offset, deciding, refill, keys, spare);
    }
    for (std::size_t i = 0; i < n; ++i) order[i] = entries[i].row;
    if (grows) grows(order, n);
  };
  const bool two_threads = SortPaysForTwoThreads(n);
  std::unique_ptr<HelperThread> own;
  if (two_threads && !helper) {
    own = HelperThread::Start();
    helper = own.get();
  }
  if (!two_threads || !helper) {
    sort_on_this_thread();
    return;
  }

  // On two threads, in four phases: the rows, in chunks, are counted by their top
  // digit; then set in their key ranges, each chunk's rows of a range after the earlier
  // chunks' ones; then ranges larger than an eighth of the rows are split again; then
  // the ranges are sorted whole, in key order, each writing its rows' places, and this
  // thread hands out the order as its sorted part grows, so that its reader works while
  // the rest is sorted. The helper is given its part first, so that it wakes meanwhile.
  TopDigitSplit split(entries.data(), n, 16, offset, refill, keys);
  const SharedPhases::Work count = [&](std::size_t c, Spare&) { split.Count(c); };
  const SharedPhases::Work place = [&](std::size_t c, Spare&) { split.Place(c); };
  std::vector<KeyRange> ranges;
  const std::size_t largest = std::max<std::size_t>(n / 8, static_cast<std::size_t>(kCacheEntries));
  std::vector<std::size_t> large;            // places in `ranges` of those larger than `largest`
  std::vector<std::vector<KeyRange>> parts;  // of each large range
  const SharedPhases::Work split_range = [&](std::size_t t, Spare& spare) {
    parts[t] = SplitLargeRange(entries.data(), ranges[large[t]], largest, spare);
  };
  const SharedPhases::Work sort_range = [&](std::size_t t, Spare& spare) {
    SortEntry* begin = entries.data() + ranges[t].begin;
    SortEntry* end = entries.data() + ranges[t].end;
    SplitAndSort(begin, end, ranges[t].shift, offset, deciding, refill, keys, spare);
    for (const SortEntry* e = begin; e != end; ++e) order[e - entries.data()] = e->row;
  };

  SharedPhases phases;
  helper->Run([&] { phases.Help(); });
  try {
    Spare spare;
    bool ok = phases.Run(split.chunks(), count, spare);
    if (ok) {
      ranges = split.Ranges();
      ok = phases.Run(split.chunks(), place, spare);
    }
    if (ok) {
      for (std::size_t t = 0; t < ranges.size(); ++t) {
        if (ranges[t].size() > largest) large.push_back(t);
      }
      parts.resize(large.size());
      ok = phases.Run(large.size(), split_range, spare);
    }
    if (ok) {
      for (std::size_t i = large.size(); i-- > 0;) {
        const auto at = ranges.erase(ranges.begin() + static_cast<std::ptrdiff_t>(large[i]));
        ranges.insert(at, parts[i].begin(), parts[i].end());
      }
      ok = phases.Run(ranges.size(), sort_range, spare, [&](std::size_t t) {
        if (grows) grows(order, ranges[t].end);
      });
    }
  } catch (...) {
    phases.End();
    try {
      helper->Wait();
    } catch (...) {
      // The lead's error is the one told.
    }
    throw;
  }
  phases.End();
  helper->Wait();
}

}  // namespace engine
