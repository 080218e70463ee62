// Sorting rows by their key bytes in one pass over a compact array: the first eight key
// bytes of each row are cached beside its index, so most comparisons touch no row.
#ifndef HINMEI_ENGINE_KEY_SORT_H_
#define HINMEI_ENGINE_KEY_SORT_H_

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <numeric>
#include <vector>

namespace engine {

// The order of rows 0..n-1 by the `key_size` bytes at key_at(i), ties by row. Rows already
// in order cost one comparison each.
template <typename KeyAt>
std::vector<std::uint32_t> SortByKey(std::size_t n, std::size_t key_size, KeyAt key_at) {
  std::vector<std::uint32_t> order(n);
  std::iota(order.begin(), order.end(), 0u);
  bool sorted = true;
  for (std::size_t i = 1; i < n && sorted; ++i) {
    sorted = std::memcmp(key_at(i - 1), key_at(i), key_size) <= 0;
  }
  if (sorted) return order;

  struct Entry {
    std::uint64_t prefix;
    std::uint32_t row;
  };
  const std::size_t head = std::min<std::size_t>(key_size, 8);
  std::vector<Entry> entries(n);
  for (std::size_t i = 0; i < n; ++i) {
    const auto* k = reinterpret_cast<const unsigned char*>(key_at(i));
    std::uint64_t prefix = 0;
    for (std::size_t b = 0; b < 8; ++b) prefix = prefix << 8 | (b < head ? k[b] : 0);
    entries[i] = Entry{prefix, static_cast<std::uint32_t>(i)};
  }
  std::sort(entries.begin(), entries.end(), [&](const Entry& a, const Entry& b) {
    if (a.prefix != b.prefix) return a.prefix < b.prefix;
    if (key_size > head) {
      int c = std::memcmp(key_at(a.row) + head, key_at(b.row) + head, key_size - head);
      if (c != 0) return c < 0;
    }
    return a.row < b.row;
  });
  for (std::size_t i = 0; i < n; ++i) order[i] = entries[i].row;
  return order;
}

// The first position in `order` whose key equals the previous one's, or n when the keys
// are unique.
template <typename KeyAt>
std::size_t FirstDuplicate(const std::vector<std::uint32_t>& order, std::size_t key_size, KeyAt key_at) {
  for (std::size_t i = 1; i < order.size(); ++i) {
    if (std::memcmp(key_at(order[i - 1]), key_at(order[i]), key_size) == 0) return i;
  }
  return order.size();
}

}  // namespace engine

#endif  // HINMEI_ENGINE_KEY_SORT_H_
