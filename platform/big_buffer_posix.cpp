// Large pages on Linux: an anonymous mapping aligned to the 2 MiB of a transparent huge
// page and marked for them, so that first touching it costs one fault per 2 MiB
// instead of one per 4 KiB. Where the kernel has none to give, the mapping simply gets
// small pages.
#include <sys/mman.h>

#include <cstddef>
#include <cstdint>

#include "platform/large_pages.h"

namespace platform {
namespace {

constexpr std::size_t kLargePage = std::size_t{2} << 20;
constexpr std::size_t kSmallPage = 4096;

}  // namespace

void* MapLargePages(std::size_t bytes, std::size_t* mapped_bytes) {
#ifdef MADV_HUGEPAGE
  if (bytes < kLargePage) return nullptr;
  const std::size_t rounded = (bytes + kSmallPage - 1) / kSmallPage * kSmallPage;
  // One large page more than needed, so that an aligned start lies inside; the slack
  // before and after it goes back at once.
  void* mapped = mmap(nullptr, rounded + kLargePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapped == MAP_FAILED) return nullptr;
  const auto start = reinterpret_cast<std::uintptr_t>(mapped);
  const std::uintptr_t aligned = (start + kLargePage - 1) / kLargePage * kLargePage;
  if (aligned > start) munmap(mapped, aligned - start);
  const std::size_t after = kLargePage - (aligned - start);
  if (after > 0) munmap(reinterpret_cast<void*>(aligned + rounded), after);
  // Only the whole large pages are marked: the rest is touched in small pages. The
  // system clears a large page whole when it is first touched, and clearing fresh
  // memory is what touching it mostly costs: no more is cleared than the buffer holds.
  madvise(reinterpret_cast<void*>(aligned), rounded / kLargePage * kLargePage, MADV_HUGEPAGE);
  *mapped_bytes = rounded;
  return reinterpret_cast<void*>(aligned);
#else
  (void)bytes;
  (void)mapped_bytes;
  return nullptr;
#endif
}

void UnmapLargePages(void* at, std::size_t mapped_bytes) noexcept { munmap(at, mapped_bytes); }

}  // namespace platform
