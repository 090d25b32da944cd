#include "base/huge_pages.h"

#include <algorithm>
#include <cstdint>

#if defined(__linux__)
#include <sys/mman.h>
#include <unistd.h>
#endif

#if !defined(KORE_HEAP_ONLY) && defined(MADV_HUGEPAGE)
#define KORE_MAPPED_ARRAYS 1
#endif

namespace kore {
namespace {

constexpr uintptr_t kHugePage = uintptr_t{2} << 20;

uintptr_t AlignUp(uintptr_t value, uintptr_t alignment) {
  return (value + alignment - 1) & ~(alignment - 1);
}
uintptr_t AlignDown(uintptr_t value, uintptr_t alignment) { return value & ~(alignment - 1); }

}  // namespace

void* AllocateLongArray(size_t bytes) {
#if defined(KORE_MAPPED_ARRAYS)
  if (bytes >= kLongArrayBytes) {
    if (bytes > std::numeric_limits<size_t>::max() - 2 * kHugePage) throw std::bad_alloc();
    // Whole huge pages, so the last one is not shared; mapped one huge page longer so that an
    // aligned start can be cut out of it.
    const size_t length = AlignUp(bytes, kHugePage);
    void* map = mmap(nullptr, length + kHugePage, PROT_READ | PROT_WRITE,
                     MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (map == MAP_FAILED) throw std::bad_alloc();
    const auto start = reinterpret_cast<uintptr_t>(map);
    const uintptr_t begin = AlignUp(start, kHugePage);
    if (begin > start) munmap(map, begin - start);
    const uintptr_t tail = start + length + kHugePage - (begin + length);
    if (tail > 0) munmap(reinterpret_cast<void*>(begin + length), tail);
    // A refusal (no huge pages on this system) only leaves the ordinary pages.
    (void)madvise(reinterpret_cast<void*>(begin), length, MADV_HUGEPAGE);
    return reinterpret_cast<void*>(begin);
  }
#endif
  return ::operator new(bytes);
}

void FreeLongArray(void* data, size_t bytes) noexcept {
  if (data == nullptr) return;
#if defined(KORE_MAPPED_ARRAYS)
  if (bytes >= kLongArrayBytes) {
    munmap(data, AlignUp(bytes, kHugePage));
    return;
  }
#endif
  ::operator delete(data);
}

void ReleaseUnusedPages(const void* data, size_t usedBytes, size_t bytes) {
#if defined(KORE_MAPPED_ARRAYS)
  if (data == nullptr || bytes < kLongArrayBytes || usedBytes > bytes) return;
  static const auto page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
  auto start = reinterpret_cast<uintptr_t>(data);
  uintptr_t begin = AlignUp(start + usedBytes, page);
  // Only the partly used huge page holds memory the array never needed, up to its end even past
  // `bytes` (the mapping runs to a whole huge page); pages beyond it were never touched.
  uintptr_t end = std::min(AlignUp(start + bytes, kHugePage), AlignUp(begin, kHugePage));
  // Giving back part of a huge page splits it, and each small page left in use then costs a
  // fault of its own at its next touch (about as dear as a fresh one): worth it only when more
  // of the page goes than stays.
  if (end - begin >= kHugePage / 2) {
    (void)madvise(reinterpret_cast<void*>(begin), end - begin, MADV_DONTNEED);
  }
#else
  (void)data, (void)usedBytes, (void)bytes;
#endif
}

}  // namespace kore
