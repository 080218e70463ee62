// The key sort against a plain stable sort, on keys that share a prefix, tie on their
// first twelve bytes, tie whole, come sorted already, and on sizes either side of where
// the radix passes start and the sort takes two threads; the case fold against a
// byte-by-byte one.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <cstring>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/index/collation.h"
#include "engine/index/key_sort.h"
#include "engine/threads/helper_thread.h"

namespace engine {
namespace {

RowOrder StableOrder(const std::vector<std::string>& keys) {
  RowOrder order(keys.size());
  for (std::uint32_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
    return std::memcmp(keys[a].data(), keys[b].data(), keys[a].size()) < 0;
  });
  return order;
}

RowOrder Sorted(const std::vector<std::string>& keys) {
  const std::size_t size = keys.empty() ? 0 : keys[0].size();
  return SortByKey(keys.size(), size, [&](std::size_t i) { return keys[i].data(); });
}

// `n` keys of `size` bytes: `shared` bytes alike, then `varied` bytes drawn from
// `alphabet` letters (top-bit bytes among them), then the row's number mod `distinct`
// in the last four bytes (0: none).
std::vector<std::string> Keys(std::size_t n, std::size_t size, std::size_t shared, std::size_t varied, int alphabet,
                              int distinct, std::uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<std::string> keys;
  for (std::size_t i = 0; i < n; ++i) {
    std::string k(size, '\0');
    for (std::size_t b = 0; b < shared; ++b) k[b] = static_cast<char>('A' + b % 26);
    for (std::size_t b = shared; b < shared + varied && b < size; ++b) {
      k[b] = static_cast<char>(0x7C + random() % static_cast<unsigned>(alphabet));
    }
    if (distinct > 0) {
      std::uint32_t v = static_cast<std::uint32_t>(random() % static_cast<unsigned>(distinct));
      for (int b = 0; b < 4; ++b) k[size - 1 - static_cast<std::size_t>(b)] = static_cast<char>(v >> (8 * b));
    }
    keys.push_back(k);
  }
  return keys;
}

// Keys of which nearly all begin alike: a first key range larger than one sort in the
// caches, and larger than the share of one thread, that is split again.
std::vector<std::string> MostlyInOneRange(std::size_t n, std::uint32_t seed) {
  std::vector<std::string> keys = Keys(n, 16, 0, 16, 60, 0, seed);
  for (std::size_t i = 0; i < n; ++i) {
    keys[i][0] = i % 20 == 0 ? 'B' : 'A';
    keys[i][1] = '-';
  }
  return keys;
}

TEST(KeySort, AgreesWithAStableSort) {
  struct Case {
    const char* what;
    std::vector<std::string> keys;
  };
  const Case cases[] = {
      {"random keys", Keys(20000, 12, 0, 12, 200, 0, 1)},
      {"enough rows to sort on two threads", Keys(70000, 30, 2, 10, 30, 1000, 8)},
      {"two threads, keys that tie on their first twelve bytes", Keys(70001, 40, 3, 14, 2, 50, 9)},
      {"two threads, whole keys alike", Keys(70000, 24, 24, 0, 1, 0, 10)},
      {"two threads, keys mostly in one key range", MostlyInOneRange(70000, 12)},
      {"a long shared prefix", Keys(20000, 30, 11, 6, 10, 0, 2)},
      {"ties on the first twelve bytes", Keys(20000, 40, 3, 14, 2, 50, 3)},
      {"whole keys alike", Keys(20000, 24, 24, 0, 1, 0, 4)},
      {"few rows", Keys(100, 9, 0, 3, 3, 7, 5)},
      {"keys shorter than eight bytes", Keys(5000, 3, 0, 3, 4, 0, 6)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Sorted(c.keys), StableOrder(c.keys));
  }
  std::vector<std::string> sorted = Keys(5000, 16, 0, 16, 250, 0, 7);
  std::sort(sorted.begin(), sorted.end(), [](const std::string& a, const std::string& b) {
    return std::memcmp(a.data(), b.data(), a.size()) < 0;
  });
  EXPECT_EQ(Sorted(sorted), StableOrder(sorted));
  EXPECT_TRUE(Sorted({}).empty());
}

// Keys as the X records of a keyed table in key order make them: indexed bytes with many
// alike, then the row's primary key, ascending with the row. Knowing that, the sort
// leaves rows alike in their indexed bytes as they come and still sorts them right.
TEST(KeySort, RowsInKeyOrderPastTheIndexedBytes) {
  for (std::size_t indexed : {std::size_t{5}, std::size_t{13}}) {
    for (std::size_t n : {std::size_t{20000}, std::size_t{70000}}) {
      SCOPED_TRACE(std::to_string(indexed) + " indexed bytes, rows " + std::to_string(n));
      std::vector<std::string> keys = Keys(n, indexed + 6, indexed - 2, 2, 3, 0, static_cast<std::uint32_t>(n + indexed));
      for (std::size_t i = 0; i < n; ++i) {
        for (int b = 0; b < 4; ++b) keys[i][indexed + 1 + static_cast<std::size_t>(b)] = static_cast<char>(i >> (24 - 8 * b));
      }
      RowOrder order =
          SortByKey(n, keys[0].size(), [&](std::size_t i) { return keys[i].data(); }, indexed);
      EXPECT_EQ(order, StableOrder(keys));
    }
  }
}

// The order is handed out as it grows: each part handed out is the final order's, the
// parts grow, and the last is the whole. What the reader throws ends the sort.
TEST(KeySort, HandsOutTheOrderAsItGrows) {
  struct Case {
    const char* what;
    std::vector<std::string> keys;
  };
  std::vector<std::string> in_order = Keys(3000, 8, 0, 8, 200, 0, 21);
  std::sort(in_order.begin(), in_order.end());
  const Case cases[] = {
      {"one thread", Keys(20000, 12, 0, 12, 200, 0, 22)},
      {"two threads", Keys(90000, 20, 1, 12, 40, 0, 23)},
      {"mostly in one key range", MostlyInOneRange(70000, 24)},
      {"in order already", in_order},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::size_t size = c.keys[0].size();
    auto key_at = [&](std::size_t i) { return c.keys[i].data(); };
    RowOrder handed;
    std::size_t calls = 0;
    RowOrder order = SortByKey(c.keys.size(), size, key_at, SIZE_MAX,
                                                 [&](const std::uint32_t* part, std::size_t end) {
                                                   ASSERT_GT(end, handed.size());
                                                   handed.insert(handed.end(), part + handed.size(), part + end);
                                                   ++calls;
                                                 });
    EXPECT_EQ(handed, order);
    EXPECT_EQ(order, StableOrder(c.keys));
    if (c.keys.size() == 90000) {
      EXPECT_GT(calls, 1u) << "the order of two threads comes in parts";
    }

    for (std::size_t fail_at : {std::size_t{1}, std::size_t{3}}) {
      std::size_t seen = 0;
      auto failing = [&](const std::uint32_t*, std::size_t) {
        if (++seen == fail_at) throw std::runtime_error("reader failed");
      };
      if (fail_at > calls) continue;
      EXPECT_THROW(SortByKey(c.keys.size(), size, key_at, SIZE_MAX, failing), std::runtime_error);
    }
  }
}

// A build hands one helper thread to each of its sorts: a sort that fails leaves it
// ready for the next, and each sort agrees with a stable one.
TEST(KeySort, OneHelperSharesSortsInTurnAndOutlivesAFailedOne) {
  std::unique_ptr<HelperThread> helper = HelperThread::Start();
  if (!helper) GTEST_SKIP() << "one processor: no helper thread";
  const std::vector<std::string> first = Keys(80000, 20, 1, 12, 40, 0, 31);
  const std::vector<std::string> second = MostlyInOneRange(70000, 32);
  auto sort = [&](const std::vector<std::string>& keys, const OrderGrows& grows) {
    return SortByKey(keys.size(), keys[0].size(), [&](std::size_t i) { return keys[i].data(); }, SIZE_MAX, grows,
                     helper.get());
  };
  EXPECT_EQ(sort(first, {}), StableOrder(first));
  auto failing = [](const std::uint32_t*, std::size_t) { throw std::runtime_error("reader failed"); };
  EXPECT_THROW(sort(second, failing), std::runtime_error);
  EXPECT_EQ(sort(second, {}), StableOrder(second));
}

void FoldByBytes(char* data, int size, bool dbcs) {
  for (int i = 0; i < size; ++i) {
    auto b = static_cast<unsigned char>(data[i]);
    if (dbcs && ((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC))) {
      ++i;
    } else if (b >= 'a' && b <= 'z') {
      data[i] = static_cast<char>(b - 0x20);
    }
  }
}

TEST(FoldToUpper, InPlaceAndCopyingAgreeWithAFoldByteByByte) {
  std::mt19937 random(11);
  // Letters, their neighbours, digits, NUL padding, CP932 lead bytes with trail bytes
  // that look like letters, half-width katakana.
  const std::string pool = std::string("azAZ`{@[09 -\0", 13) + "\x82\x61\x88\x9f\x95\x5c\xe0\x7a\xb1\xdf\xfc\x80";
  for (int round = 0; round < 20000; ++round) {
    std::string text(1 + random() % 40, '\0');
    for (char& c : text) c = pool[random() % pool.size()];
    for (bool dbcs : {false, true}) {
      std::string ours = text, theirs = text;
      FoldToUpper(ours.data(), static_cast<int>(ours.size()), dbcs);
      FoldByBytes(theirs.data(), static_cast<int>(theirs.size()), dbcs);
      ASSERT_EQ(ours, theirs) << "dbcs " << dbcs;
      // Folding into other memory writes every byte of it.
      std::string copied(text.size(), '\x5A');
      CopyFoldedToUpper(text.data(), copied.data(), static_cast<int>(text.size()), dbcs);
      ASSERT_EQ(copied, theirs) << "dbcs " << dbcs;
    }
  }
}

}  // namespace
}  // namespace engine
