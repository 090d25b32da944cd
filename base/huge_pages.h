#pragma once
// Memory for long, freshly filled arrays (compiled record lists of long tracks, the song order).
// Filling tens of MB of new memory one 4 KiB page fault at a time costs more than compiling into
// it; backed by 2 MiB pages the same fill takes a few dozen faults. Any thread; Linux only, plain
// heap memory elsewhere and below 1 MiB.
#include <cstddef>
#include <limits>
#include <new>

// The address and memory sanitizers watch heap blocks only: under them every array stays on
// the heap, where they see it.
#if defined(__SANITIZE_ADDRESS__)
#define KORE_HEAP_ONLY 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(memory_sanitizer)
#define KORE_HEAP_ONLY 1
#endif
#endif

namespace kore {

#if defined(KORE_HEAP_ONLY)
inline constexpr bool kHeapOnly = true;
#else
inline constexpr bool kHeapOnly = false;
#endif

// At least this many bytes are mapped on their own; smaller arrays gain little and would round
// their memory up by a large share.
inline constexpr size_t kLongArrayBytes = size_t{1} << 20;

// `bytes` of memory aligned for any type; a long array starts on a 2 MiB boundary and is backed
// by huge pages from its first byte. Throws std::bad_alloc when the memory cannot be had.
void* AllocateLongArray(size_t bytes);
// Frees what AllocateLongArray(bytes) returned, given the same `bytes`.
void FreeLongArray(void* data, size_t bytes) noexcept;

// The standard-library face of the two, for std::vector and the like.
template <typename T>
struct LongArrayAllocator {
  using value_type = T;
  static_assert(alignof(T) <= alignof(std::max_align_t));

  LongArrayAllocator() = default;
  template <typename U>
  LongArrayAllocator(const LongArrayAllocator<U>&) noexcept {}

  T* allocate(size_t count) {
    if (count > std::numeric_limits<size_t>::max() / sizeof(T)) throw std::bad_array_new_length();
    return static_cast<T*>(AllocateLongArray(count * sizeof(T)));
  }
  void deallocate(T* data, size_t count) noexcept { FreeLongArray(data, count * sizeof(T)); }

  template <typename U>
  friend bool operator==(const LongArrayAllocator&, const LongArrayAllocator<U>&) {
    return true;
  }
};

// Gives back the whole pages after [data, data + usedBytes) in the huge page that holds its end,
// when they are more than half of it: the unused part of an array from AllocateLongArray(bytes)
// whose last huge page was only partly filled. Their contents are lost (they read as zeros).
void ReleaseUnusedPages(const void* data, size_t usedBytes, size_t bytes);

}  // namespace kore
