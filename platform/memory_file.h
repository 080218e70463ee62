// A File over bytes in memory, for readers that are tested or fuzzed without a disk.
#ifndef HINMEI_PLATFORM_MEMORY_FILE_H_
#define HINMEI_PLATFORM_MEMORY_FILE_H_

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/file_system.h"

namespace platform {

class MemoryFile final : public File {
 public:
  explicit MemoryFile(std::string data) : data_(std::move(data)) {}

  std::uint64_t Size() override { return data_.size(); }
  std::size_t ReadAt(std::uint64_t offset, void* buffer, std::size_t length) override {
    if (offset >= data_.size()) return 0;
    std::size_t n = std::min<std::size_t>(length, data_.size() - static_cast<std::size_t>(offset));
    if (n > 0) std::memcpy(buffer, data_.data() + offset, n);
    return n;
  }
  void WriteAt(std::uint64_t offset, const void* data, std::size_t length) override {
    if (length == 0) return;
    if (offset + length > data_.size()) data_.resize(static_cast<std::size_t>(offset + length));
    std::memcpy(data_.data() + offset, data, length);
  }
  void Truncate(std::uint64_t size) override { data_.resize(static_cast<std::size_t>(size)); }
  void Flush() override {}
  void Close() override {}

  const std::string& data() const { return data_; }

 private:
  std::string data_;
};

}  // namespace platform

#endif  // HINMEI_PLATFORM_MEMORY_FILE_H_
