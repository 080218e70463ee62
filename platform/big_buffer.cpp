#include "platform/big_buffer.h"

#include <new>
#include <utility>

#include "platform/large_pages.h"

namespace platform {

BigBuffer::BigBuffer(std::size_t bytes) : size_(bytes) {
  void* pages = MapLargePages(bytes, &mapped_bytes_);
  data_ = static_cast<char*>(pages ? pages : ::operator new(bytes == 0 ? 1 : bytes));
}

BigBuffer::~BigBuffer() { Release(); }

BigBuffer::BigBuffer(BigBuffer&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      mapped_bytes_(std::exchange(other.mapped_bytes_, 0)) {}

BigBuffer& BigBuffer::operator=(BigBuffer&& other) noexcept {
  if (this != &other) {
    Release();
    data_ = std::exchange(other.data_, nullptr);
    size_ = std::exchange(other.size_, 0);
    mapped_bytes_ = std::exchange(other.mapped_bytes_, 0);
  }
  return *this;
}

void BigBuffer::Release() noexcept {
  if (data_ == nullptr) return;
  if (mapped_bytes_ > 0) {
    UnmapLargePages(data_, mapped_bytes_);
  } else {
    ::operator delete(data_);
  }
  data_ = nullptr;
}

}  // namespace platform
