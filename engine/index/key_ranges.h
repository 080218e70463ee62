// Splitting the key sort's entries into key ranges that can be sorted apart, on either
// of two threads: by the top digit of their heads as they are set, and large ranges
// again by the digits below.
#ifndef HINMEI_ENGINE_INDEX_KEY_RANGES_H_
#define HINMEI_ENGINE_INDEX_KEY_RANGES_H_

#include <cstddef>
#include <vector>

#include "engine/index/key_sort.h"
#include "engine/index/radix_sort.h"

namespace engine {

// Sets the entries of rows `from` to `to`, `begin` onwards, in row order.
void Fill(SortEntry* begin, std::size_t from, std::size_t to, std::size_t offset, RefillEntries refill,
          const void* keys);

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
                const void* keys);

  std::size_t chunks() const { return at_.size(); }

  void Count(std::size_t chunk);

  // Once every chunk is counted: the key ranges, in key order. Each chunk's counts become
  // where its rows of each range go.
  std::vector<KeyRange> Ranges();

  // Once the ranges are made.
  void Place(std::size_t chunk);

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
std::vector<KeyRange> SplitLargeRange(SortEntry* entries, KeyRange whole, std::size_t largest, Spare& spare);

}  // namespace engine

#endif  // HINMEI_ENGINE_INDEX_KEY_RANGES_H_
