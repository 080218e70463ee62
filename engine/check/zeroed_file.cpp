#include "engine/check/zeroed_file.h"

#include <algorithm>
#include <vector>

#include "engine/format/bytes.h"
#include "engine/format/layout.h"

namespace engine {
namespace {

// Whether bytes [from, size) of the file are all zero.
bool ZeroFrom(platform::File& file, std::uint64_t from, std::uint64_t size) {
  std::vector<char> buffer(1 << 16);
  for (std::uint64_t at = from; at < size;) {
    std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), size - at));
    std::size_t got = file.ReadAt(at, buffer.data(), want);
    if (got == 0) return true;
    if (std::any_of(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(got), [](char c) { return c != 0; })) {
      return false;
    }
    at += got;
  }
  return true;
}

}  // namespace

Zeroed ZeroedPart(platform::File& file) {
  const std::uint64_t size = file.Size();
  if (size == 0) return Zeroed::kNo;
  char head[4] = {};
  file.ReadAt(0, head, sizeof head);
  const std::uint64_t header = format::GetLe16(head + format::off::kHeaderSize);
  if (header == 0) return ZeroFrom(file, 0, size) ? Zeroed::kWholeFile : Zeroed::kNo;
  if (header < format::off::kFixedEnd || header >= size) return Zeroed::kNo;
  return ZeroFrom(file, header, size) ? Zeroed::kBlocks : Zeroed::kNo;
}

}  // namespace engine
