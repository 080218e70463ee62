// Sorting rows by their key bytes through a compact array: for each row, twelve key
// bytes and its index. The array is radix-sorted on the first eight bytes, runs that tie
// on them on the next four; rows that tie on all twelve get the next twelve bytes of
// their keys and are sorted again among themselves, until the keys differ or end. The
// bytes are taken after those that every key shares (a code's fixed prefix, say), so
// that most rows are never looked at again. Many rows are split into key ranges by
// their first bytes, and two threads, where there are two processors, sort the ranges
// whole in turn.
#ifndef HINMEI_ENGINE_INDEX_KEY_SORT_H_
#define HINMEI_ENGINE_INDEX_KEY_SORT_H_

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <numeric>
#include <vector>

#include "engine/threads/helper_thread.h"

namespace engine {

// Rows in the order a sort answers.
using RowOrder = std::vector<std::uint32_t>;

// Twelve key bytes as numbers whose first byte is highest, and the row.
struct SortEntry {
  std::uint64_t head;
  std::uint32_t tail;
  std::uint32_t row;
};

inline constexpr std::size_t kSortEntryBytes = 12;

// Takes the entries' twelve bytes from `offset` of their keys, zero past a key's end.
using RefillEntries = void (*)(SortEntry* begin, SortEntry* end, std::size_t offset, const void* keys);

// Told, on the sorting thread, that order[0, end) holds its rows for good; `end` grows
// with each call, and the last is the number of rows. What it throws ends the sort.
using OrderGrows = std::function<void(const std::uint32_t* order, std::size_t end)>;

// Writes to `order` the rows 0..n-1, whose keys agree before `offset`, by key and then
// by row. Rows whose keys agree on their first `ordered_after` bytes are known to be in
// key order already (the rest of their keys ascends with the row), and are left so.
// `grows`, when set, may read the order as it is made. Many rows are sorted on this
// thread and `helper`, or one started for the sort when null.
void SortRows(std::size_t n, std::size_t offset, std::size_t key_size, std::size_t ordered_after,
              RefillEntries refill, const void* keys, std::uint32_t* order, const OrderGrows& grows,
              HelperThread* helper = nullptr);

// Whether `n` rows are enough for a second thread to pay for itself in the sort.
bool SortPaysForTwoThreads(std::size_t n);

// `count` (4 or 8) key bytes from `at`, the first one highest; zero past `end`.
inline std::uint64_t KeyBytes(const unsigned char* at, const unsigned char* end, int count) {
  if (end - at >= 8 && count == 8) {
    return std::uint64_t{at[0]} << 56 | std::uint64_t{at[1]} << 48 | std::uint64_t{at[2]} << 40 |
           std::uint64_t{at[3]} << 32 | std::uint64_t{at[4]} << 24 | std::uint64_t{at[5]} << 16 |
           std::uint64_t{at[6]} << 8 | std::uint64_t{at[7]};
  }
  if (end - at >= 4 && count == 4) {
    return std::uint64_t{at[0]} << 24 | std::uint64_t{at[1]} << 16 | std::uint64_t{at[2]} << 8 | std::uint64_t{at[3]};
  }
  std::uint64_t bytes = 0;
  for (int i = 0; i < count; ++i) bytes = bytes << 8 | (at + i < end ? at[i] : 0);
  return bytes;
}

// The order of rows 0..n-1 by the `key_size` bytes at key_at(i), ties by row. Rows already
// in order cost one comparison each. Rows whose keys agree on their first
// `ordered_after` bytes must be in key order already: their keys are not read further.
// `grows`, when set, is handed the order as it is made, and `helper` shares the work
// (SortRows).
template <typename KeyAt>
RowOrder SortByKey(std::size_t n, std::size_t key_size, KeyAt key_at, std::size_t ordered_after = SIZE_MAX,
                   const OrderGrows& grows = {}, HelperThread* helper = nullptr) {
  RowOrder order(n);
  bool sorted = true;
  for (std::size_t i = 1; i < n && sorted; ++i) {
    sorted = std::memcmp(key_at(i - 1), key_at(i), key_size) <= 0;
  }
  if (sorted) {
    std::iota(order.begin(), order.end(), 0u);
    if (grows && n > 0) grows(order.data(), n);
    return order;
  }

  std::size_t shared = key_size;
  const char* first = key_at(0);
  for (std::size_t i = 1; i < n && shared > 0; ++i) {
    const char* k = key_at(i);
    std::size_t same = 0;
    while (same < shared && k[same] == first[same]) ++same;
    shared = same;
  }
  struct Keys {
    KeyAt& key_at;
    std::size_t key_size;
  } keys{key_at, key_size};
  RefillEntries refill = [](SortEntry* begin, SortEntry* end, std::size_t offset, const void* context) {
    const Keys& k = *static_cast<const Keys*>(context);
    for (SortEntry* e = begin; e != end; ++e) {
      const auto* key = reinterpret_cast<const unsigned char*>(k.key_at(e->row));
      e->head = KeyBytes(key + offset, key + k.key_size, 8);
      e->tail = static_cast<std::uint32_t>(KeyBytes(key + offset + 8, key + k.key_size, 4));
    }
  };
  SortRows(n, shared, key_size, ordered_after, refill, &keys, order.data(), grows, helper);
  return order;
}

// The first position of order[from, end) whose key equals the previous one's, or `end`
// when none does.
template <typename KeyAt>
std::size_t FirstDuplicate(const std::uint32_t* order, std::size_t from, std::size_t end, std::size_t key_size,
                           KeyAt key_at) {
  for (std::size_t i = std::max<std::size_t>(from, 1); i < end; ++i) {
    if (std::memcmp(key_at(order[i - 1]), key_at(order[i]), key_size) == 0) return i;
  }
  return end;
}

// The first position in `order` whose key equals the previous one's, or n when the keys
// are unique.
template <typename KeyAt>
std::size_t FirstDuplicate(const RowOrder& order, std::size_t key_size, KeyAt key_at) {
  return FirstDuplicate(order.data(), 0, order.size(), key_size, key_at);
}

}  // namespace engine

#endif  // HINMEI_ENGINE_INDEX_KEY_SORT_H_
