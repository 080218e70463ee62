// Windows gives large pages only to accounts holding the lock-pages privilege, which the
// users of this program do not have: big buffers come from operator new.
#include <cstddef>

#include "platform/large_pages.h"

namespace platform {

void* MapLargePages(std::size_t bytes, std::size_t* mapped_bytes) {
  (void)bytes;
  (void)mapped_bytes;
  return nullptr;
}

void UnmapLargePages(void* at, std::size_t mapped_bytes) noexcept {
  (void)at;
  (void)mapped_bytes;
}

}  // namespace platform
