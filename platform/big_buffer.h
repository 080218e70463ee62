// Room for a large working array: the rows, keys or index records of a whole table.
// Fresh memory is paid for page by page as it is first touched, which for tens of
// megabytes costs more than several passes over them; where the system has large pages
// such room is asked for in those.
#ifndef HINMEI_PLATFORM_BIG_BUFFER_H_
#define HINMEI_PLATFORM_BIG_BUFFER_H_

#include <cstddef>
#include <type_traits>

namespace platform {

// `bytes` of memory, aligned for any type, not zeroed. Throws std::bad_alloc.
class BigBuffer {
 public:
  BigBuffer() = default;
  explicit BigBuffer(std::size_t bytes);
  ~BigBuffer();
  BigBuffer(BigBuffer&& other) noexcept;
  BigBuffer& operator=(BigBuffer&& other) noexcept;
  BigBuffer(const BigBuffer&) = delete;
  BigBuffer& operator=(const BigBuffer&) = delete;

  char* data() const { return data_; }
  std::size_t size() const { return size_; }

 private:
  void Release() noexcept;

  char* data_ = nullptr;
  std::size_t size_ = 0;
  std::size_t mapped_bytes_ = 0;  // of the system's large pages; 0: from operator new
};

// `n` elements of a type that needs no construction, in a BigBuffer; not zeroed.
template <typename T>
class BigArray {
  static_assert(std::is_trivially_default_constructible_v<T> && std::is_trivially_destructible_v<T>);

 public:
  BigArray() = default;
  explicit BigArray(std::size_t n) : buffer_(n * sizeof(T)) {}

  T* data() const { return reinterpret_cast<T*>(buffer_.data()); }
  T& operator[](std::size_t i) const { return data()[i]; }
  std::size_t size() const { return buffer_.size() / sizeof(T); }

 private:
  BigBuffer buffer_;
};

}  // namespace platform

#endif  // HINMEI_PLATFORM_BIG_BUFFER_H_
