#include "base/huge_pages.h"

#include <algorithm>
#include <cstdint>

#if defined(__linux__)
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace kore {
namespace {

constexpr uintptr_t kHugePage = uintptr_t{2} << 20;
// Smaller arrays gain little and would round their memory up by a large share.
constexpr size_t kMinAdvisedBytes = size_t{4} << 20;

uintptr_t AlignUp(uintptr_t value, uintptr_t alignment) {
  return (value + alignment - 1) & ~(alignment - 1);
}
uintptr_t AlignDown(uintptr_t value, uintptr_t alignment) { return value & ~(alignment - 1); }

}  // namespace

void AdviseHugePages(const void* data, size_t bytes) {
#if defined(MADV_HUGEPAGE)
  if (data == nullptr || bytes < kMinAdvisedBytes) return;
  auto start = reinterpret_cast<uintptr_t>(data);
  uintptr_t begin = AlignUp(start, kHugePage);
  uintptr_t end = AlignDown(start + bytes, kHugePage);
  // A refusal (no huge pages on this system) only leaves the ordinary pages.
  if (end > begin) (void)madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
  (void)data, (void)bytes;
#endif
}

void ReleaseUnusedPages(const void* data, size_t usedBytes, size_t bytes) {
#if defined(MADV_DONTNEED)
  if (data == nullptr || bytes < kMinAdvisedBytes || usedBytes >= bytes) return;
  static const auto page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
  auto start = reinterpret_cast<uintptr_t>(data);
  uintptr_t begin = AlignUp(start + usedBytes, page);
  // Only the partly used huge page holds memory the array never needed; pages beyond it were
  // never touched.
  uintptr_t end = std::min(AlignDown(start + bytes, page), AlignUp(begin, kHugePage));
  if (end > begin) (void)madvise(reinterpret_cast<void*>(begin), end - begin, MADV_DONTNEED);
#else
  (void)data, (void)usedBytes, (void)bytes;
#endif
}

}  // namespace kore
