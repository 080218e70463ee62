#include "platform/big_buffer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <utility>

namespace platform {
namespace {

// Every byte of the buffer can be written and read back, whichever memory it came from.
void ExpectWholeBufferUsable(const BigBuffer& b) {
  std::memset(b.data(), 0xA5, b.size());
  for (std::size_t i = 0; i < b.size(); i += 4093) {
    ASSERT_EQ(static_cast<unsigned char>(b.data()[i]), 0xA5);
  }
  if (b.size() > 0) {
    EXPECT_EQ(static_cast<unsigned char>(b.data()[b.size() - 1]), 0xA5);
  }
}

TEST(BigBuffer, SmallAndLargeSizesAreWholeAndAligned) {
  for (std::size_t bytes : {std::size_t{0}, std::size_t{1}, std::size_t{4096}, (std::size_t{1} << 20) - 1,
                            std::size_t{1} << 20, (std::size_t{2} << 20) + 12345, std::size_t{9} << 20}) {
    SCOPED_TRACE(bytes);
    BigBuffer b(bytes);
    ASSERT_NE(b.data(), nullptr);
    EXPECT_EQ(b.size(), bytes);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(b.data()) % alignof(std::max_align_t), 0u);
    ExpectWholeBufferUsable(b);
  }
}

TEST(BigBuffer, MovingHandsTheMemoryOverOnce) {
  BigBuffer a(std::size_t{3} << 20);
  a.data()[0] = 'x';
  char* const memory = a.data();
  BigBuffer b(std::move(a));
  EXPECT_EQ(b.data(), memory);
  EXPECT_EQ(a.data(), nullptr);
  EXPECT_EQ(a.size(), 0u);

  BigBuffer c(16);
  c = std::move(b);  // c's own memory is given back, b's taken over
  EXPECT_EQ(c.data(), memory);
  EXPECT_EQ(c.data()[0], 'x');
  EXPECT_EQ(b.data(), nullptr);
  ExpectWholeBufferUsable(c);
}

TEST(BigArray, HoldsItsElements) {
  struct Pair {
    std::uint64_t a;
    std::uint32_t b;
  };
  BigArray<Pair> pairs(200000);
  ASSERT_EQ(pairs.size(), 200000u);
  for (std::size_t i = 0; i < pairs.size(); ++i) pairs[i] = Pair{i, static_cast<std::uint32_t>(i * 3)};
  std::uint64_t sum = 0;
  for (std::size_t i = 0; i < pairs.size(); ++i) sum += pairs[i].a + pairs[i].b;
  EXPECT_EQ(sum, 4ull * (200000ull * 199999ull / 2));
}

}  // namespace
}  // namespace platform
