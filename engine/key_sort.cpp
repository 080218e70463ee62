#include "engine/key_sort.h"

#include <algorithm>
#include <array>

namespace engine {
namespace {

// Below this many entries a comparison sort beats the radix passes.
constexpr std::ptrdiff_t kRadixFrom = 256;

// The length of the first run of entries with the same chunk[c].
std::ptrdiff_t SameChunkRun(const SortEntry* begin, const SortEntry* end, int c) {
  const SortEntry* e = begin + 1;
  while (e < end && e->chunk[c] == begin->chunk[c]) ++e;
  return e - begin;
}

}  // namespace

void SortByChunk(SortEntry* begin, SortEntry* end, int c, std::vector<SortEntry>& spare) {
  const std::ptrdiff_t n = end - begin;
  if (n < kRadixFrom) {
    std::sort(begin, end, [c](const SortEntry& a, const SortEntry& b) {
      return a.chunk[c] != b.chunk[c] ? a.chunk[c] < b.chunk[c] : a.row < b.row;
    });
    return;
  }
  // One stable counting pass per digit of 11 bits, lowest first; a digit that every
  // entry has alike needs no pass.
  constexpr int kBits = 11;
  constexpr int kDigits = (64 + kBits - 1) / kBits;
  constexpr std::uint64_t kMask = (1u << kBits) - 1;
  std::vector<std::array<std::size_t, 1u << kBits>> counts(kDigits);
  for (const SortEntry* e = begin; e != end; ++e) {
    for (int d = 0; d < kDigits; ++d) ++counts[static_cast<std::size_t>(d)][(e->chunk[c] >> (kBits * d)) & kMask];
  }
  if (spare.size() < static_cast<std::size_t>(n)) spare.resize(static_cast<std::size_t>(n));
  SortEntry* from = begin;
  SortEntry* to = spare.data();
  for (int d = 0; d < kDigits; ++d) {
    auto& count = counts[static_cast<std::size_t>(d)];
    if (std::find(count.begin(), count.end(), static_cast<std::size_t>(n)) != count.end()) continue;
    std::size_t at = 0;
    for (std::size_t& k : count) {
      std::size_t here = k;
      k = at;
      at += here;
    }
    for (const SortEntry* e = from; e != from + n; ++e) to[count[(e->chunk[c] >> (kBits * d)) & kMask]++] = *e;
    std::swap(from, to);
  }
  if (from != begin) std::copy(from, from + n, begin);
}

void SortEntries(SortEntry* begin, SortEntry* end, std::size_t offset, std::size_t key_size,
                 void (*refill)(SortEntry*, SortEntry*, std::size_t, const void*), const void* keys) {
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
    SortByChunk(r.begin, r.end, 0, spare);
    for (SortEntry* run = r.begin; run < r.end;) {
      SortEntry* run_end = run + SameChunkRun(run, r.end, 0);
      if (run_end - run > 1) {
        SortByChunk(run, run_end, 1, spare);
        for (SortEntry* tie = run; tie < run_end;) {
          SortEntry* tie_end = tie + SameChunkRun(tie, run_end, 1);
          const std::size_t next = r.offset + 16;
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

}  // namespace engine
