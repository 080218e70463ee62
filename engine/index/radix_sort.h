// The radix sort of the key sort's entries (key_sort.h): twelve key bytes sorted by
// stable counting passes of 11-bit digits, ties followed into the next twelve bytes, and
// ranges too large for the processor's caches split by their digits first.
#ifndef HINMEI_ENGINE_INDEX_RADIX_SORT_H_
#define HINMEI_ENGINE_INDEX_RADIX_SORT_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/index/key_sort.h"
#include "platform/big_buffer.h"

namespace engine {

#ifndef HINMEI_SMALL_THRESHOLDS
// Below this many entries a comparison sort beats the radix passes.
inline constexpr std::ptrdiff_t kRadixFrom = 4096;
// Key ranges of up to this many entries are sorted whole: their passes stay in the caches.
inline constexpr std::ptrdiff_t kCacheEntries = 1 << 15;
#else
// Fuzzing builds: the few rows of a fuzzer's input go through every path.
inline constexpr std::ptrdiff_t kRadixFrom = 8;
inline constexpr std::ptrdiff_t kCacheEntries = 32;
#endif

// Radix digits of 11 bits. Digit d of an entry's twelve bytes, lowest first: the tail's
// three, then the head's six.
inline constexpr int kDigitBits = 11;
inline constexpr std::uint64_t kDigitMask = (1u << kDigitBits) - 1;
inline constexpr int kTailDigits = (32 + kDigitBits - 1) / kDigitBits;
inline constexpr int kDigits = kTailDigits + (64 + kDigitBits - 1) / kDigitBits;
inline constexpr int kTopShift = 64 - kDigitBits;  // of the head's top digit

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

// Splits the range into key ranges by the first digit of the heads, from `*shift`
// down, that not every entry has alike (the range stays whole when there is none):
// answers where each range starts, the range's end last, and sets `*shift` to the
// digit's.
std::vector<std::size_t> SplitByDigit(SortEntry* begin, SortEntry* end, int* shift, Spare& spare);

// Sorts a range of entries whose keys agree before `offset`, split by digits from
// `shift` down while its key ranges are larger than the processor's caches hold.
// Entries that tie on their twelve bytes are sorted again on the next twelve; ties that
// reach `key_size` (the bytes that decide) stay in row order.
void SplitAndSort(SortEntry* begin, SortEntry* end, int shift, std::size_t offset, std::size_t key_size,
                  RefillEntries refill, const void* keys, Spare& spare);

}  // namespace engine

#endif  // HINMEI_ENGINE_INDEX_RADIX_SORT_H_
