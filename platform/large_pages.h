// The system's large pages, for BigBuffer (big_buffer.h): one implementation per system.
#ifndef HINMEI_PLATFORM_LARGE_PAGES_H_
#define HINMEI_PLATFORM_LARGE_PAGES_H_

#include <cstddef>

namespace platform {

// Room for `bytes` in large pages, and the bytes mapped for it in `*mapped_bytes`;
// nullptr when the system has no large pages to give or `bytes` would fill too little
// of one.
void* MapLargePages(std::size_t bytes, std::size_t* mapped_bytes);
void UnmapLargePages(void* at, std::size_t mapped_bytes) noexcept;

}  // namespace platform

#endif  // HINMEI_PLATFORM_LARGE_PAGES_H_
