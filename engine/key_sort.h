// Sorting rows by their key bytes through a compact array: for each row, sixteen key
// bytes and its index. The array is sorted on the first eight bytes (radix passes), runs
// that tie on them on the next eight; rows that tie on all sixteen get the next sixteen
// bytes of their keys and are sorted again among themselves, until the keys differ or
// end. The bytes are taken after those that every key shares (a code's fixed prefix,
// say), so that most rows are never looked at again.
#ifndef HINMEI_ENGINE_KEY_SORT_H_
#define HINMEI_ENGINE_KEY_SORT_H_

#include <cstdint>
#include <cstring>
#include <numeric>
#include <vector>

namespace engine {

struct SortEntry {
  std::uint64_t chunk[2];  // sixteen key bytes, as two numbers whose first byte is highest
  std::uint32_t row;
};

// Eight bytes of a key from `offset`, the first one highest; zero past the key's end.
inline std::uint64_t KeyChunk(const char* key, std::size_t offset, std::size_t key_size) {
  const auto* k = reinterpret_cast<const unsigned char*>(key);
  std::uint64_t chunk = 0;
  if (offset + 8 <= key_size) {
    for (std::size_t b = 0; b < 8; ++b) chunk = chunk << 8 | k[offset + b];
    return chunk;
  }
  for (std::size_t b = offset; b < offset + 8; ++b) chunk = chunk << 8 | (b < key_size ? k[b] : 0);
  return chunk;
}

// Sorts entries by chunk[c], ties by row (they come in row order).
void SortByChunk(SortEntry* begin, SortEntry* end, int c, std::vector<SortEntry>& spare);

// Sorts entries whose keys agree before `offset` and hold their chunks from there.
void SortEntries(SortEntry* begin, SortEntry* end, std::size_t offset, std::size_t key_size,
                 void (*refill)(SortEntry*, SortEntry*, std::size_t, const void*), const void* keys);

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
  auto refill = [](SortEntry* begin, SortEntry* end, std::size_t offset, const void* context) {
    const Keys& k = *static_cast<const Keys*>(context);
    for (SortEntry* e = begin; e != end; ++e) {
      const char* key = k.key_at(e->row);
      e->chunk[0] = KeyChunk(key, offset, k.key_size);
      e->chunk[1] = KeyChunk(key, offset + 8, k.key_size);
    }
  };
  std::vector<SortEntry> entries(n);
  for (std::size_t i = 0; i < n; ++i) entries[i].row = static_cast<std::uint32_t>(i);
  refill(entries.data(), entries.data() + n, shared, &keys);
  SortEntries(entries.data(), entries.data() + n, shared, key_size, refill, &keys);
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
