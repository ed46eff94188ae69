// Advice to the kernel about a large block of memory that is about to be
// written through from its start: back it with large pages, so that filling
// it costs one fault per 2 MB instead of one per 4 KB.
#pragma once

#include <cstddef>

namespace platform {

// Applies to the whole pages inside [block, block + size); a no-op for small
// blocks and where the system does not take the advice.
void AdviseLargePages(void* block, size_t size);

}  // namespace platform
