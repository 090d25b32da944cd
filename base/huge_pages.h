#pragma once
// Page hints for long, freshly reserved arrays (compiled record lists of long tracks). Filling
// tens of MB of new memory one 4 KiB page fault at a time costs more than compiling into it;
// backed by 2 MiB pages the same fill takes a few dozen faults. Any thread; Linux only, a no-op
// elsewhere and below a few MiB.
#include <cstddef>

namespace kore {

// Asks for huge pages over the whole 2 MiB-aligned part of [data, data + bytes). Call before
// the memory is first written; memory already in use is left as it is.
void AdviseHugePages(const void* data, size_t bytes);

// Gives back the whole pages of [data + usedBytes, data + bytes): the unused end of an array
// whose last huge page was only partly filled. Their contents are lost (they read as zeros).
void ReleaseUnusedPages(const void* data, size_t usedBytes, size_t bytes);

}  // namespace kore
