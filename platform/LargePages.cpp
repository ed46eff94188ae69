#include "platform/LargePages.h"

#include <sys/mman.h>

#include <cstdint>

namespace platform {

void AdviseLargePages(void* block, size_t size) {
  constexpr uintptr_t kLargePage = uintptr_t{2} << 20;
  if (block == nullptr || size < 2 * kLargePage) return;
  constexpr uintptr_t kPage = 4096;
  const auto start = reinterpret_cast<uintptr_t>(block);
  const uintptr_t begin = (start + kPage - 1) & ~(kPage - 1);
  const uintptr_t end = (start + size) & ~(kPage - 1);
  // Only whole pages of the block itself: advice never reaches a neighbour.
  if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}

}  // namespace platform
