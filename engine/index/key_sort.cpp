#include "engine/index/key_sort.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "engine/index/key_ranges.h"
#include "engine/index/radix_sort.h"
#include "engine/threads/shared_phases.h"
#include "platform/big_buffer.h"

namespace engine {
namespace {

#ifndef HINMEI_SMALL_THRESHOLDS
// From this many rows the key ranges are sorted on two threads.
constexpr std::size_t kSplitFrom = 1 << 16;
#else
constexpr std::size_t kSplitFrom = 16;  // fuzzing builds: every path for few rows
#endif

using Phases = SharedPhases<Spare>;

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
  const Phases::Work count = [&](std::size_t c, Spare&) { split.Count(c); };
  const Phases::Work place = [&](std::size_t c, Spare&) { split.Place(c); };
  std::vector<KeyRange> ranges;
  const std::size_t largest = std::max<std::size_t>(n / 8, static_cast<std::size_t>(kCacheEntries));
  std::vector<std::size_t> large;            // places in `ranges` of those larger than `largest`
  std::vector<std::vector<KeyRange>> parts;  // of each large range
  const Phases::Work split_range = [&](std::size_t t, Spare& spare) {
    parts[t] = SplitLargeRange(entries.data(), ranges[large[t]], largest, spare);
  };
  const Phases::Work sort_range = [&](std::size_t t, Spare& spare) {
    SortEntry* begin = entries.data() + ranges[t].begin;
    SortEntry* end = entries.data() + ranges[t].end;
    SplitAndSort(begin, end, ranges[t].shift, offset, deciding, refill, keys, spare);
    for (const SortEntry* e = begin; e != end; ++e) order[e - entries.data()] = e->row;
  };

  Phases phases;
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
